#include "qtsupport/QtTestMain.h"

#include "uikit/Profile.h"

#include <QSettings>

namespace {

QString profileFile()
{
    return QString::fromLocal8Bit(qgetenv("XDG_CONFIG_HOME")) + QStringLiteral("/Halvorek/Kinetra.conf");
}

} // namespace

class ProfileTest : public QObject {
    Q_OBJECT

private slots:
    void absentValuesGiveTheDefault()
    {
        QCOMPARE(uGetProfileInt(QStringLiteral("Options"), QStringLiteral("Nothing"), 42), 42);
        QCOMPARE(uGetProfileString(QStringLiteral("Options"), QStringLiteral("Nothing"), QStringLiteral("d")),
                 QStringLiteral("d"));
    }

    void writesGoToTheIniFileAtOnce()
    {
        QVERIFY(uWriteProfileInt(QStringLiteral("Options"), QStringLiteral("Bgd Type"), 3));
        QVERIFY(uWriteProfileString(QStringLiteral("Options"), QStringLiteral("Last Opend"),
                                    QStringLiteral("/home/u/a, b.flc")));
        QVERIFY(QFile::exists(profileFile()));
        // A fresh reader of the file, as the next run of the program is.
        QSettings file(profileFile(), QSettings::IniFormat);
        QCOMPARE(file.value(QStringLiteral("Options/Bgd Type")).toString(), QStringLiteral("3"));
        QCOMPARE(file.value(QStringLiteral("Options/Last Opend")).toString(), QStringLiteral("/home/u/a, b.flc"));
        QCOMPARE(uGetProfileString(QStringLiteral("Options"), QStringLiteral("Last Opend")),
                 QStringLiteral("/home/u/a, b.flc"));
    }

    void intsReadFromTextAndRejectNonNumbers()
    {
        {
            QSettings file(profileFile(), QSettings::IniFormat);
            file.setValue(QStringLiteral("Menu/Style"), QStringLiteral("7"));
            file.setValue(QStringLiteral("Menu/Gloom"), QStringLiteral("seven"));
            file.setValue(QStringLiteral("Menu/Negative"), QStringLiteral("-12"));
        }
        QCOMPARE(uGetProfileInt(QStringLiteral("Menu"), QStringLiteral("Style"), 2), 7);
        QCOMPARE(uGetProfileInt(QStringLiteral("Menu"), QStringLiteral("Gloom"), 1), 1);
        QCOMPARE(uGetProfileInt(QStringLiteral("Menu"), QStringLiteral("Negative"), 0), -12);
    }

    void sectionsWithBackslashesAndSpacesRoundTrip()
    {
        QVERIFY(uWriteProfileInt(QStringLiteral("CtrlBars\\CtrlBar"), QStringLiteral("Bars"), 5));
        QCOMPARE(uGetProfileInt(QStringLiteral("CtrlBars\\CtrlBar"), QStringLiteral("Bars"), 0), 5);
    }

    void storeInterfaceUsesTheSameProfile()
    {
        kinetra::SettingsStore& store = uProfile();
        QVERIFY(store.WriteProfileInt("Dlg Flc", "Preview", 0));
        QCOMPARE(uGetProfileInt(QStringLiteral("Dlg Flc"), QStringLiteral("Preview"), 1), 0);
        QVERIFY(store.WriteProfileString("Options", "PalDir", "/p/\xc3\xa9"));
        QCOMPARE(store.GetProfileString("Options", "PalDir", ""), std::string("/p/\xc3\xa9"));
        QCOMPARE(store.GetProfileInt("Options", "Missing", -1), -1);
    }

    void sameFileAsTheProgramsNativeSettings()
    {
        QVERIFY(uWriteProfileInt(QStringLiteral("ButtonX"), QStringLiteral("Settings"), 3));
        QSettings native(QStringLiteral("Halvorek"), QStringLiteral("Kinetra"));
        QCOMPARE(native.fileName(), profileFile());
        QCOMPARE(native.value(QStringLiteral("ButtonX/Settings")).toInt(), 3);
    }

    void deletedEntriesReadAsAbsent()
    {
        QVERIFY(uWriteProfileInt(QStringLiteral("Recent Files"), QStringLiteral("File1"), 1));
        QVERIFY(uDeleteProfileEntry(QStringLiteral("Recent Files"), QStringLiteral("File1")));
        QCOMPARE(uGetProfileInt(QStringLiteral("Recent Files"), QStringLiteral("File1"), 9), 9);
    }
};

KINETRA_QTEST_MAIN(ProfileTest)
#include "ProfileTest.moc"
