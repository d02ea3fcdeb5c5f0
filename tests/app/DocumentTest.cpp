#include "AppTestSupport.h"
#include "app/CKinetraApp.h"
#include "app/CKinetraDoc.h"
#include "qtsupport/QtTestMain.h"
#include "res/Resource.h"
#include "uikit/Profile.h"
#include "uikit/StringTable.h"

#include <QSignalSpy>
#include <QTemporaryDir>

using namespace kinetra::apptest;
using kinetra::test::ModalRecorder;

namespace {

QString invalidMessage(const QString& path)
{
    return uFormatString(IDS_INVALID_DOCUMENT, path);
}

} // namespace

// The document without a window: validation, the start-up reopen, the
// application's open-document operation and the recent files.
class DocumentTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { RegisterKinetraStrings(); }

    void init()
    {
        resetUserFolders();
        m_files = std::make_unique<QTemporaryDir>();
    }

    void flicFilesWithTheMagicAreAcceptedWhateverTheirName()
    {
        CKinetraDoc doc;
        ModalRecorder recorder;
        // A FLIC cel is a FLIC file; the magic decides, not the name.
        for (const char* name : {"/a.flc", "/B.FLC", "/c.Flc", "/d.cel", "/E.CEL", "/f.flx", "/flc", "/g.png"}) {
            const QString path = m_files->path() + name;
            QVERIFY(writeFile(path, flcHeaderBytes()));
            QVERIFY2(doc.OnOpenDocument(path), name);
        }
        // The older FLI files open too.
        const QString fli = m_files->path() + "/old.FLI";
        QVERIFY(writeFile(fli, flcHeaderBytes(kinetra::kFliMagic)));
        QVERIFY(doc.OnOpenDocument(fli));
        QVERIFY(recorder.requests.isEmpty());
    }

    void refusalsName61207WithThePathAndTheStopIcon_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("a cel without the magic") << "cel.cel" << QByteArray(128, '\x7f');
        QTest::newRow("a cel with a PNG's signature") << "png.cel" << QByteArray("\x89PNG\r\n\x1a\n", 8);
        QTest::newRow("five bytes") << "short.flc" << QByteArray("\x01\x02\x03\x04\x12", 5);
        QTest::newRow("one byte of magic") << "cut.flc" << QByteArray("\x01\x02\x03\x04\x12\xaf").left(5);
        QTest::newRow("empty") << "empty.flc" << QByteArray();
        QTest::newRow("an unknown FLIC magic") << "odd.flc" << flcHeaderBytes(0xAF13);
        QTest::newRow("big-endian magic") << "swapped.flc" << flcHeaderBytes(0x12AF);
    }

    void refusalsName61207WithThePathAndTheStopIcon()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        const QString path = m_files->path() + u'/' + name;
        QVERIFY(writeFile(path, bytes));

        CKinetraDoc doc;
        ModalRecorder recorder;
        QVERIFY(!doc.OnOpenDocument(path));
        QCOMPARE(recorder.requests.size(), 1);
        QCOMPARE(recorder.requests[0].text, invalidMessage(path));
        QCOMPARE(recorder.requests[0].type, unsigned(MB_ICONSTOP));
    }

    void aFileThatCannotBeReadIsRefusedBeforeItsNameIsLookedAt()
    {
        CKinetraDoc doc;
        ModalRecorder recorder;
        const QString missing = m_files->path() + "/missing.fli";
        QVERIFY(!doc.OnOpenDocument(missing));
        const QString folder = m_files->path() + "/folder.flc";
        QDir().mkpath(folder);
        QVERIFY(!doc.OnOpenDocument(folder));

        QCOMPARE(recorder.requests.size(), 2);
        for (const ModalRequest& request : recorder.requests) {
            QCOMPARE(request.type, unsigned(MB_ICONSTOP));
            QVERIFY(!request.text.isEmpty());
            QVERIFY(!request.text.contains(QLatin1String("Invalid or unsupported")));
        }
        QVERIFY(recorder.requests[0].text.contains(missing));
        QVERIFY(recorder.requests[1].text.contains(folder));
    }

    void anEmptyDocumentIsTitledFlcIsntLoaded()
    {
        CKinetraDoc doc;
        QSignalSpy titles(&doc, &CKinetraDoc::titleChanged);
        QVERIFY(doc.OnNewDocument());
        QCOMPARE(doc.GetTitle(), QString("FLC isn't loaded"));
        QVERIFY(doc.GetPathName().isEmpty());
        QVERIFY(!doc.IsModified());
        QCOMPARE(titles.size(), 1);
        QCOMPARE(titles[0][0].toString(), QString("FLC isn't loaded"));
    }

    void startUpReopensTheMostRecentFileWithoutReorderingTheList()
    {
        const QString a = m_files->path() + "/a.flc";
        const QString b = m_files->path() + "/b.flc";
        QVERIFY(writeFile(a, flcHeaderBytes()));
        QVERIFY(writeFile(b, flcHeaderBytes()));
        uWriteProfileString("Recent Files", "File1", a);
        uWriteProfileString("Recent Files", "File2", b);
        uWriteProfileInt("Options", "Load Doc", 1);

        CKinetraApp app;
        app.LoadSettings();
        QVERIFY(app.m_bLoadDoc);
        QSignalSpy listChanges(&app.m_mruManager, &CMruFileManager::changed);
        CKinetraDoc doc;
        ModalRecorder recorder;
        QVERIFY(doc.OnNewDocument());
        QCOMPARE(doc.GetPathName(), a);
        QCOMPARE(doc.GetTitle(), QString("a.flc"));
        QVERIFY(recorder.requests.isEmpty());
        QCOMPARE(listChanges.size(), 0);
        QCOMPARE(app.m_mruManager.Files(), (QStringList{a, b}));
    }

    void aDeletedRecentFileLeavesAnEmptyDocumentWithoutAMessage()
    {
        uWriteProfileString("Recent Files", "File1", m_files->path() + "/gone.flc");
        uWriteProfileInt("Options", "Load Doc", 1);
        CKinetraApp app;
        app.LoadSettings();
        CKinetraDoc doc;
        ModalRecorder recorder;
        QVERIFY(doc.OnNewDocument());
        QVERIFY(doc.GetPathName().isEmpty());
        QCOMPARE(doc.GetTitle(), QString("FLC isn't loaded"));
        QVERIFY(recorder.requests.isEmpty());
    }

    void aRecentFileThatIsNoFlcIsRefusedWith61207()
    {
        const QString notFlc = m_files->path() + "/text.flc";
        QVERIFY(writeFile(notFlc, "just some text, not an animation"));
        uWriteProfileString("Recent Files", "File1", notFlc);
        uWriteProfileInt("Options", "Load Doc", 1);
        CKinetraApp app;
        app.LoadSettings();
        CKinetraDoc doc;
        ModalRecorder recorder;
        QVERIFY(doc.OnNewDocument());
        QCOMPARE(recorder.texts(), QStringList{invalidMessage(notFlc)});
        QVERIFY(doc.GetPathName().isEmpty());
        QCOMPARE(doc.GetTitle(), QString("FLC isn't loaded"));
    }

    void aRecentFileThatCannotBeOpenedLeavesTheList()
    {
        const QString good = m_files->path() + "/good.flc";
        const QString text = m_files->path() + "/text.flc";
        const QString gone = m_files->path() + "/gone.flc";
        QVERIFY(writeFile(good, flcHeaderBytes()));
        QVERIFY(writeFile(text, "just some text, not an animation"));
        uWriteProfileInt("Options", "Check File Type", 0);
        uWriteProfileString("Recent Files", "File1", text);
        uWriteProfileString("Recent Files", "File2", gone);
        uWriteProfileString("Recent Files", "File3", good);
        CKinetraApp app;
        QVERIFY(app.InitInstance({}));
        ModalRecorder recorder;
        for (const QString& refused : {text, gone}) {
            emit app.m_mruManager.openRequested(refused);
            QVERIFY2(!app.m_mruManager.Files().contains(refused), qPrintable(refused));
        }
        QCOMPARE(recorder.requests.size(), 2);
        QCOMPARE(app.m_mruManager.Files(), QStringList{good});
        QCOMPARE(uGetProfileString("Recent Files", "File1"), good);
    }

    void theReopenBelongsToStartUpWithLoadDocOnly()
    {
        const QString a = m_files->path() + "/a.flc";
        QVERIFY(writeFile(a, flcHeaderBytes()));
        uWriteProfileString("Recent Files", "File1", a);

        CKinetraApp app;
        app.LoadSettings();
        QVERIFY(!app.m_bLoadDoc);
        CKinetraDoc doc;
        QVERIFY(doc.OnNewDocument());
        QVERIFY(doc.GetPathName().isEmpty());

        app.m_bLoadDoc = true;
        app.m_bStartingUp = false;
        QVERIFY(doc.OnNewDocument());
        QVERIFY(doc.GetPathName().isEmpty());
    }

private:
    std::unique_ptr<QTemporaryDir> m_files;
};

KINETRA_QTEST_MAIN(DocumentTest)
#include "DocumentTest.moc"
