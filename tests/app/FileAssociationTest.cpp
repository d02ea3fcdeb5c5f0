#include "AppTestSupport.h"
#include "app/FileAssociation.h"
#include "installer/DesktopEntry.h"
#include "qtsupport/QtTestMain.h"
#include "res/KinetraIcons.h"

using kinetra::FileAssociation;
using namespace kinetra::apptest;

namespace {

const QString kProgram = QStringLiteral("/opt/kinetra/bin/Kinetra");

FileAssociation association(const QString& program = kProgram)
{
    return FileAssociation(program, dataHome(), configHome());
}

QString mimeAppsPath()
{
    return configHome() + QStringLiteral("/mimeapps.list");
}

QString execLine(const QString& desktopEntry)
{
    for (const QString& line : desktopEntry.split(u'\n'))
        if (line.startsWith(QLatin1String("Exec=")))
            return line;
    return {};
}

} // namespace

class FileAssociationTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { InitKinetraResources(); }
    void init() { resetUserFolders(); }

    void registerWritesTheEntryTheIconAndBothHandlerLists()
    {
        QVERIFY(!association().IsRegistered());
        association().Register();
        QVERIFY(association().IsRegistered());

        const QString entry = QString::fromUtf8(readFile(dataHome() + "/applications/kinetra.desktop"));
        QVERIFY(entry.startsWith(QLatin1String("[Desktop Entry]\n")));
        for (const char* line : {"Type=Application", "Name=Kinetra", "Exec=/opt/kinetra/bin/Kinetra %f",
                                 "Icon=kinetra", "MimeType=video/x-flic;", "Categories=Graphics;Viewer;"})
            QVERIFY2(entry.split(u'\n').contains(QLatin1String(line)), line);

        const QByteArray icon = readFile(dataHome() + "/icons/hicolor/scalable/apps/kinetra.svg");
        QVERIFY(icon.contains("<svg"));
        QCOMPARE(icon, readFile(QStringLiteral(":/icons/kinetra.svg")));

        QCOMPARE(readFile(mimeAppsPath()), QByteArray("[Default Applications]\nvideo/x-flic=kinetra.desktop;\n"
                                                      "[Added Associations]\nvideo/x-flic=kinetra.desktop;\n"));
    }

    void roundTripKeepsEveryForeignLineByteForByte()
    {
        const QByteArray foreign = "[Default Applications]\n"
                                   "text/plain=org.gnome.gedit.desktop\n"
                                   "video/x-flic=vlc.desktop\n"
                                   "image/png=eog.desktop;\n"
                                   "\n"
                                   "; an old-style comment\n"
                                   "[Added Associations]\n"
                                   "video/x-flic=vlc.desktop;mpv.desktop;\n"
                                   "video/mp4=mpv.desktop;\n"
                                   "\n"
                                   "[Removed Associations]\n"
                                   "video/x-flic=totem.desktop;\n";
        QVERIFY(writeFile(mimeAppsPath(), foreign));

        association().Register();
        QVERIFY(association().IsRegistered());
        const QByteArray registered = readFile(mimeAppsPath());
        QCOMPARE(registered, QByteArray(foreign)
                                 .replace("video/x-flic=vlc.desktop\n", "video/x-flic=kinetra.desktop;vlc.desktop\n")
                                 .replace("video/x-flic=vlc.desktop;mpv.desktop;",
                                          "video/x-flic=kinetra.desktop;vlc.desktop;mpv.desktop;"));

        association().Unregister();
        QVERIFY(!association().IsRegistered());
        QCOMPARE(readFile(mimeAppsPath()), foreign);
        QVERIFY(!QFileInfo::exists(dataHome() + "/applications/kinetra.desktop"));
        QVERIFY(!QFileInfo::exists(dataHome() + "/icons/hicolor/scalable/apps/kinetra.svg"));
    }

    void unregisterLeavesAFileItDidNotWriteAndOthersEntries()
    {
        const QByteArray foreign = "[Default Applications]\nvideo/x-flic=vlc.desktop\n";
        QVERIFY(writeFile(mimeAppsPath(), foreign));
        const QString otherEntry = dataHome() + "/applications/vlc.desktop";
        QVERIFY(writeFile(otherEntry, "[Desktop Entry]\nName=VLC\n"));
        association().Unregister();
        QCOMPARE(readFile(mimeAppsPath()), foreign);
        QVERIFY(QFileInfo::exists(otherEntry));
    }

    void aFileThatOnlyKinetraWroteGoesOnUnregister()
    {
        association().Register();
        association().Unregister();
        QVERIFY(!QFileInfo::exists(mimeAppsPath()));
    }

    void registeringTakesOverAnotherDefault()
    {
        QVERIFY(writeFile(mimeAppsPath(), "[Default Applications]\nvideo/x-flic=vlc.desktop;\n"));
        QVERIFY(writeFile(dataHome() + "/applications/kinetra.desktop", "[Desktop Entry]\n"));
        QVERIFY(!association().IsRegistered());
        association().Register();
        QVERIFY(association().IsRegistered());
    }

    void theDefaultComparesIgnoringCaseAndNeedsTheEntry()
    {
        QVERIFY(writeFile(mimeAppsPath(), "[Default Applications]\nvideo/x-flic=Kinetra.DESKTOP\n"));
        QVERIFY(!association().IsRegistered());
        QVERIFY(writeFile(dataHome() + "/applications/kinetra.desktop", "[Desktop Entry]\n"));
        QVERIFY(association().IsRegistered());
        // Listed, but behind another default: not ours.
        QVERIFY(writeFile(mimeAppsPath(), "[Default Applications]\nvideo/x-flic=vlc.desktop;kinetra.desktop;\n"));
        QVERIFY(!association().IsRegistered());
        // Only an added association is no default.
        QVERIFY(writeFile(mimeAppsPath(), "[Added Associations]\nvideo/x-flic=kinetra.desktop;\n"));
        QVERIFY(!association().IsRegistered());
    }

    void execQuotesThePathOnlyWhenItHoldsAReservedCharacter_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("quoted");
        QTest::newRow("plain") << "/opt/kinetra-1.0/bin/Kinetra_x+y=z,@" << false;
        QTest::newRow("percent") << "/opt/100%/Kinetra" << false;
        QTest::newRow("non-ASCII") << "/home/s\u00f6r/Kinetra" << false;
        for (const QChar reserved : QStringLiteral(" \t\n\"'\\><~|&;$*?#()`"))
            QTest::newRow(qPrintable(QStringLiteral("U+%1").arg(reserved.unicode(), 4, 16, QChar(u'0'))))
                << QStringLiteral("/opt/a%1b/Kinetra").arg(reserved) << true;
    }

    void execQuotesThePathOnlyWhenItHoldsAReservedCharacter()
    {
        QFETCH(QString, path);
        QFETCH(bool, quoted);
        const QString text = FileAssociation::DesktopEntryText(path);
        const QString exec = kinetra::DesktopEntryValue(text, QStringLiteral("Exec"));
        QCOMPARE(exec.startsWith(u'"'), quoted);
        QVERIFY(exec.endsWith(QLatin1String(" %f")));
        // What a launcher that follows the rules takes for the program.
        QCOMPARE(kinetra::DesktopExecProgram(exec), path);
    }

    void execQuotesThePathAsDesktopEntriesRequire()
    {
        QCOMPARE(execLine(FileAssociation::DesktopEntryText("/home/a b/Kinetra")),
                 QStringLiteral("Exec=\"/home/a b/Kinetra\" %f"));
        // Inside quotes '"', '`', '$' and '\' take a backslash, '%' is
        // doubled, and the value's own escaping doubles every backslash.
        QCOMPARE(execLine(FileAssociation::DesktopEntryText("/x/\"q\" `c` $v 100% \\b/Kinetra")),
                 QStringLiteral("Exec=\"/x/\\\\\"q\\\\\" \\\\`c\\\\` \\\\$v 100%% \\\\\\\\b/Kinetra\" %f"));
    }

    void aMenuEntryForTheProgramKeepsOursOutOfTheMenu()
    {
        association().Register();
        QVERIFY(!readFile(dataHome() + "/applications/kinetra.desktop").contains("NoDisplay"));

        // The installer's entry, and one for another program that does not count.
        QVERIFY(writeFile(dataHome() + "/applications/other.desktop",
                          "[Desktop Entry]\nType=Application\nExec=/opt/other/Kinetra %f\n"));
        association().Register();
        QVERIFY(!readFile(dataHome() + "/applications/kinetra.desktop").contains("NoDisplay"));
        QVERIFY(writeFile(dataHome() + "/applications/Vorenth FLC/KINETRA.desktop",
                          "[Desktop Entry]\nType=Application\nExec=" + kProgram.toUtf8() + " %f\n"));
        association().Register();
        QVERIFY(readFile(dataHome() + "/applications/kinetra.desktop").split('\n').contains("NoDisplay=true"));
        QVERIFY(association().IsRegistered());
    }

    void aSystemEntryForTheProgramIsNamedAndNoneOfOursWritten()
    {
        const QString systemData = homeDir() + "/system-data";
        const FileAssociation system(kProgram, dataHome(), configHome(), {systemData});
        // An entry of a package for another program is not ours.
        QVERIFY(writeFile(systemData + "/applications/kinetra.desktop",
                          "[Desktop Entry]\nType=Application\nExec=/usr/bin/Kinetra %f\n"));
        QVERIFY(system.SystemEntryId().isEmpty());
        system.Register();
        QVERIFY(QFileInfo::exists(dataHome() + "/applications/kinetra.desktop"));

        // The package's entry for this program: ours from before goes, and
        // only mimeapps.list names the package's.
        QVERIFY(writeFile(systemData + "/applications/vendor/kinetra.desktop",
                          "[Desktop Entry]\nType=Application\nExec=\"" + kProgram.toUtf8() + "\" %f\n"));
        QCOMPARE(system.SystemEntryId(), QStringLiteral("vendor-kinetra.desktop"));
        QVERIFY(!system.IsRegistered());
        system.Register();
        QVERIFY(system.IsRegistered());
        QVERIFY(!QFileInfo::exists(dataHome() + "/applications/kinetra.desktop"));
        QVERIFY(!QFileInfo::exists(dataHome() + "/icons/hicolor/scalable/apps/kinetra.svg"));
        QCOMPARE(readFile(mimeAppsPath()),
                 QByteArray("[Default Applications]\nvideo/x-flic=vendor-kinetra.desktop;kinetra.desktop;\n"
                            "[Added Associations]\nvideo/x-flic=vendor-kinetra.desktop;kinetra.desktop;\n"));
        system.Unregister();
        QVERIFY(!QFileInfo::exists(mimeAppsPath()));
    }

    void aLinkedMimeAppsListStaysALink()
    {
        const QString target = homeDir() + "/dotfiles/mimeapps.list";
        QVERIFY(writeFile(target, "[Default Applications]\ntext/plain=gedit.desktop\n"));
        QVERIFY(QFile::link(target, mimeAppsPath()));
        association().Register();
        QVERIFY(QFileInfo(mimeAppsPath()).isSymLink());
        QVERIFY(readFile(target).contains("video/x-flic=kinetra.desktop;"));
        association().Unregister();
        QCOMPARE(readFile(target), QByteArray("[Default Applications]\ntext/plain=gedit.desktop\n"));
    }
};

KINETRA_QTEST_MAIN(FileAssociationTest)
#include "FileAssociationTest.moc"
