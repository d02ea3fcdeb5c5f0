#include "app/MimeAppsList.h"
#include "qtsupport/QtTestMain.h"

using kinetra::MimeAppsList;

namespace {

const QString kDefault = QStringLiteral("Default Applications");
const QString kAdded = QStringLiteral("Added Associations");
const QString kFlic = QStringLiteral("video/x-flic");
const QString kOurs = QStringLiteral("kinetra.desktop");

} // namespace

class MimeAppsListTest : public QObject {
    Q_OBJECT

private slots:
    void readsTheListOfTheFirstMatchingGroup()
    {
        const MimeAppsList list("[Added Associations]\nvideo/x-flic=vlc.desktop;\n"
                                "[Default Applications]\n# video/x-flic=commented.desktop\n"
                                "Video/X-FLIC = mpv.desktop ; vlc.desktop\n"
                                "[Default Applications]\nvideo/x-flic=later.desktop\n");
        QCOMPARE(list.Entries(kDefault, kFlic), (QStringList{"mpv.desktop", "vlc.desktop"}));
        QCOMPARE(list.Entries(kAdded, kFlic), QStringList{"vlc.desktop"});
        QVERIFY(list.Entries(QStringLiteral("Removed Associations"), kFlic).isEmpty());
    }

    void prependKeepsOtherHandlersBehindAndOtherLinesAsTheyAre()
    {
        const QByteArray before = "# my associations\r\n"
                                  "[Default Applications]\r\n"
                                  "text/plain=gedit.desktop\r\n"
                                  "video/x-flic=vlc.desktop\r\n"
                                  "\r\n"
                                  "[Added Associations]\r\n"
                                  "video/x-flic=vlc.desktop;mpv.desktop;\r\n";
        MimeAppsList list(before);
        QVERIFY(list.Prepend(kDefault, kFlic, kOurs));
        QVERIFY(list.Prepend(kAdded, kFlic, kOurs));
        QCOMPARE(list.ToText(), QByteArray("# my associations\r\n"
                                           "[Default Applications]\r\n"
                                           "text/plain=gedit.desktop\r\n"
                                           "video/x-flic=kinetra.desktop;vlc.desktop\r\n"
                                           "\r\n"
                                           "[Added Associations]\r\n"
                                           "video/x-flic=kinetra.desktop;vlc.desktop;mpv.desktop;\r\n"));

        QVERIFY(list.Remove(kDefault, kFlic, kOurs));
        QVERIFY(list.Remove(kAdded, kFlic, kOurs));
        QCOMPARE(list.ToText(), before);
    }

    void prependMovesAnEntryThatIsAlreadyListedAndLeavesAHeadAlone()
    {
        MimeAppsList list("[Default Applications]\nvideo/x-flic=vlc.desktop;Kinetra.desktop;\n");
        QVERIFY(list.Prepend(kDefault, kFlic, kOurs));
        QCOMPARE(list.Entries(kDefault, kFlic), (QStringList{kOurs, "vlc.desktop"}));
        const QByteArray settled = list.ToText();
        QVERIFY(!list.Prepend(kDefault, kFlic, kOurs));
        QCOMPARE(list.ToText(), settled);
    }

    void missingLinesAndGroupsAreAddedAndTakenBackWhole()
    {
        // A blank line before the next group stays the separator it was.
        const QByteArray before = "[Default Applications]\ntext/plain=gedit.desktop\n\n[Other]\nx=y";
        MimeAppsList list(before);
        QVERIFY(list.Prepend(kDefault, kFlic, kOurs));
        QVERIFY(list.Prepend(kAdded, kFlic, kOurs));
        QCOMPARE(list.ToText(), QByteArray("[Default Applications]\ntext/plain=gedit.desktop\n"
                                           "video/x-flic=kinetra.desktop;\n\n[Other]\nx=y\n"
                                           "[Added Associations]\nvideo/x-flic=kinetra.desktop;"));
        QVERIFY(list.Remove(kDefault, kFlic, kOurs));
        QVERIFY(list.Remove(kAdded, kFlic, kOurs));
        QCOMPARE(list.ToText(), before);
    }

    void anEmptyFileGainsBothGroupsAndBecomesBlankAgain()
    {
        MimeAppsList list;
        QVERIFY(list.IsBlank());
        list.Prepend(kDefault, kFlic, kOurs);
        list.Prepend(kAdded, kFlic, kOurs);
        QCOMPARE(list.ToText(), QByteArray("[Default Applications]\nvideo/x-flic=kinetra.desktop;\n"
                                           "[Added Associations]\nvideo/x-flic=kinetra.desktop;\n"));
        list.Remove(kDefault, kFlic, kOurs);
        list.Remove(kAdded, kFlic, kOurs);
        QVERIFY(list.IsBlank());
    }

    void removeLeavesListsWithoutTheEntryAndGroupsWithOtherLines()
    {
        const QByteArray text = "[Default Applications]\n# keep me\nvideo/x-flic=KINETRA.desktop\n"
                                "[Added Associations]\nvideo/x-flic=mpv.desktop;\n";
        MimeAppsList list(text);
        QVERIFY(list.Remove(kDefault, kFlic, kOurs));
        QVERIFY(!list.Remove(kAdded, kFlic, kOurs));
        QCOMPARE(list.ToText(), QByteArray("[Default Applications]\n# keep me\n"
                                           "[Added Associations]\nvideo/x-flic=mpv.desktop;\n"));
    }

    void otherMimeTypesAndGroupsAreNotTouched()
    {
        const QByteArray text = "[Removed Associations]\nvideo/x-flic=kinetra.desktop;\n"
                                "[Default Applications]\nvideo/x-flic2=kinetra.desktop;\n";
        MimeAppsList list(text);
        QVERIFY(!list.Remove(kDefault, kFlic, kOurs));
        QCOMPARE(list.ToText(), text);
    }

    void bytesThatAreNoUtf8SurviveInUntouchedLines()
    {
        const QByteArray text = "[Default Applications]\n# caf\xe9\xff\nvideo/x-flic=vlc.desktop\n";
        MimeAppsList list(text);
        list.Prepend(kDefault, kFlic, kOurs);
        list.Remove(kDefault, kFlic, kOurs);
        QCOMPARE(list.ToText(), text);
    }
};

KINETRA_QTEST_MAIN(MimeAppsListTest)
#include "MimeAppsListTest.moc"
