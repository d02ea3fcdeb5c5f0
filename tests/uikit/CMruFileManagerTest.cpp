#include "qtsupport/QtTestMain.h"

#include "uikit/CMruFileManager.h"
#include "uikit/Profile.h"

#include <QMenu>
#include <QSignalSpy>

namespace {

const QString kSection = QStringLiteral("Recent Files");

bool endsInFlc(const QString& path)
{
    return path.endsWith(QStringLiteral(".flc"), Qt::CaseInsensitive) && path.size() > 4;
}

void clearProfile()
{
    for (int i = 1; i <= 16; ++i)
        uDeleteProfileEntry(kSection, QStringLiteral("File%1").arg(i));
}

QStringList menuTexts(const QMenu& menu)
{
    QStringList texts;
    for (const QAction* action : menu.actions())
        texts.append(action->text());
    return texts;
}

} // namespace

class CMruFileManagerTest : public QObject {
    Q_OBJECT

private slots:
    void init() { clearProfile(); }

    void newestFirstDedupedAndTrimmed()
    {
        CMruFileManager manager;
        manager.Add(57616, kSection, QStringLiteral("File%d"), endsInFlc, 3, 0, 30, 0);
        for (const char* path : {"/a/1.flc", "/a/2.flc", "/a/3.flc", "/a/2.flc", "/a/4.flc"})
            manager.AddToRecentFileList(QString::fromLatin1(path));
        QCOMPARE(manager.Files(), (QStringList{QStringLiteral("/a/4.flc"), QStringLiteral("/a/2.flc"),
                                               QStringLiteral("/a/3.flc")}));
        QCOMPARE(uGetProfileString(kSection, QStringLiteral("File1")), QStringLiteral("/a/4.flc"));
        QCOMPARE(uGetProfileString(kSection, QStringLiteral("File3")), QStringLiteral("/a/3.flc"));
        QVERIFY(uGetProfileString(kSection, QStringLiteral("File4")).isEmpty());
        QCOMPARE(manager.FirstId(), 57616u);
    }

    void pathsDifferingInCaseAreDifferentFiles()
    {
        CMruFileManager manager;
        manager.Add(1, kSection, QStringLiteral("File%d"), endsInFlc, 4);
        manager.AddToRecentFileList(QStringLiteral("/a/Unit.flc"));
        manager.AddToRecentFileList(QStringLiteral("/a/unit.flc"));
        QCOMPARE(manager.Files().size(), 2);
    }

    void filterRejectsNamesEverywhere()
    {
        uWriteProfileString(kSection, QStringLiteral("File1"), QStringLiteral("/a/notes.txt"));
        uWriteProfileString(kSection, QStringLiteral("File2"), QStringLiteral("/a/ok.flc"));
        CMruFileManager manager;
        manager.Add(1, kSection, QStringLiteral("File%d"), endsInFlc, 4);
        QCOMPARE(manager.Files(), QStringList{QStringLiteral("/a/ok.flc")});
        manager.AddToRecentFileList(QStringLiteral("/a/picture.png"));
        QCOMPARE(manager.Files(), QStringList{QStringLiteral("/a/ok.flc")});
        QCOMPARE(uGetProfileString(kSection, QStringLiteral("File1")), QStringLiteral("/a/notes.txt"));
    }

    void savedListComesBackInANewManager()
    {
        {
            CMruFileManager first;
            first.Add(1, kSection, QStringLiteral("File%d"), endsInFlc, 4);
            first.AddToRecentFileList(QStringLiteral("/a/1.flc"));
            first.AddToRecentFileList(QStringLiteral("/a/2.flc"));
        }
        CMruFileManager second;
        second.Add(1, kSection, QStringLiteral("File%d"), endsInFlc, 4);
        QCOMPARE(second.Files(), (QStringList{QStringLiteral("/a/2.flc"), QStringLiteral("/a/1.flc")}));
    }

    void addingPicksUpWhatAnotherInstanceSaved()
    {
        CMruFileManager mine;
        CMruFileManager other;
        mine.Add(1, kSection, QStringLiteral("File%d"), endsInFlc, 4);
        other.Add(1, kSection, QStringLiteral("File%d"), endsInFlc, 4);
        other.AddToRecentFileList(QStringLiteral("/b/other.flc"));
        mine.AddToRecentFileList(QStringLiteral("/b/mine.flc"));
        QCOMPARE(mine.Files(), (QStringList{QStringLiteral("/b/mine.flc"), QStringLiteral("/b/other.flc")}));
    }

    void menuShowsNumberedShortEntriesThatRequestOpening()
    {
        CMruFileManager manager;
        manager.Add(1, kSection, QStringLiteral("File%d"), endsInFlc, 4, 0, 30, 0);
        QMenu menu;
        manager.AttachMenu(&menu, QStringLiteral("(None)"));
        QCOMPARE(menuTexts(menu), QStringList{QStringLiteral("(None)")});
        QVERIFY(!menu.actions().at(0)->isEnabled());

        const QString longPath = QStringLiteral("/home/someone/games/vorenth/art/units/Spearman & co.flc");
        manager.AddToRecentFileList(QStringLiteral("/a/short.flc"));
        manager.AddToRecentFileList(longPath);
        const QStringList texts = menuTexts(menu);
        QCOMPARE(texts.size(), 2);
        QCOMPARE(texts[1], QStringLiteral("&2 /a/short.flc"));
        QVERIFY(texts[0].startsWith(QStringLiteral("&1 ")));
        const QString shown = texts[0].mid(3).replace(QStringLiteral("&&"), QStringLiteral("&"));
        QVERIFY2(shown.size() <= 30, qPrintable(shown));
        QVERIFY2(shown.endsWith(QStringLiteral("/Spearman & co.flc")), qPrintable(shown));
        QVERIFY(shown.contains(QStringLiteral("...")));

        QSignalSpy spy(&manager, &CMruFileManager::openRequested);
        menu.actions().at(0)->trigger();
        QCOMPARE(spy.size(), 1);
        QCOMPARE(spy.at(0).at(0).toString(), longPath);
    }

    void fileNameLongerThanTheLimitIsShownWhole()
    {
        CMruFileManager manager;
        manager.Add(1, kSection, QStringLiteral("File%d"), endsInFlc, 4, 0, 10, 0);
        QMenu menu;
        manager.AttachMenu(&menu, QStringLiteral("(None)"));
        manager.AddToRecentFileList(QStringLiteral("/x/y/averyverylongname.flc"));
        QCOMPARE(menuTexts(menu), QStringList{QStringLiteral("&1 averyverylongname.flc")});
    }

    void detachingStopsTheList()
    {
        CMruFileManager manager;
        manager.Add(1, kSection, QStringLiteral("File%d"), endsInFlc, 4);
        QMenu menu;
        manager.AttachMenu(&menu, QStringLiteral("(None)"));
        manager.AddToRecentFileList(QStringLiteral("/a/1.flc"));
        manager.RemoveMRUFileLists();
        QVERIFY(manager.Files().isEmpty());
        QCOMPARE(menuTexts(menu), QStringList{QStringLiteral("(None)")});
        manager.AddToRecentFileList(QStringLiteral("/a/2.flc"));
        QVERIFY(manager.Files().isEmpty());
        QCOMPARE(uGetProfileString(kSection, QStringLiteral("File1")), QStringLiteral("/a/1.flc"));
    }

    void deletedMenusAreForgotten()
    {
        CMruFileManager manager;
        manager.Add(1, kSection, QStringLiteral("File%d"), endsInFlc, 4);
        auto* menu = new QMenu;
        manager.AttachMenu(menu, QStringLiteral("(None)"));
        delete menu;
        manager.AddToRecentFileList(QStringLiteral("/a/1.flc"));
        QCOMPARE(manager.Files().size(), 1);
    }
};

KINETRA_QTEST_MAIN(CMruFileManagerTest)
#include "CMruFileManagerTest.moc"
