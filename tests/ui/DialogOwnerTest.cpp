#include "app/CKinetraDoc.h"
#include "app/CMainView.h"
#include "imaging/CFlcPlayer.h"
#include "qtsupport/QtTestMain.h"
#include "res/Resource.h"
#include "ui/CMainFrame.h"
#include "uikit/Colour.h"
#include "uikit/Paths.h"
#include "uikit/StringTable.h"

#include <QAction>
#include <QDialog>
#include <QFile>
#include <QTemporaryDir>

#include <memory>

using kinetra::test::ModalRecorder;

namespace {

const QString kSample = QStringLiteral(KINETRA_SAMPLES_DIR "/unit.flc");

// Every command that opens a dialog, a file dialog or a message box.
const unsigned kDialogCommands[] = {
    ID_APP_ABOUT,     ID_OPTIONS,         ID_FLC_INFO,       ID_PALETTE,      ID_PALETTE_IMPORT,
    ID_PALETTE_EXPORT, ID_FILE_SAVE_AS,   ID_EXPORT_GIF,     ID_EXPORT_SHEET, ID_EXPORT_STORYBOARD,
    ID_FILE_NEW_STORYBOARD, ID_FILE_OPEN,
};

} // namespace

// A dialog without the main window as its owner opens behind it when the
// main window stays on top, and the program looks frozen.
class DialogOwnerTest : public QObject {
    Q_OBJECT

    std::unique_ptr<CKinetraDoc> m_doc;
    std::unique_ptr<CMainFrame> m_frame;

    // The window each request will show above.
    static QWidget* ownerOf(const ModalRequest& request)
    {
        return request.parent ? request.parent->window() : nullptr;
    }

private slots:
    void initTestCase() { RegisterKinetraStrings(); }

    void init()
    {
        m_doc = std::make_unique<CKinetraDoc>();
        m_frame = std::make_unique<CMainFrame>(m_doc.get());
        QVERIFY(m_frame->LoadFrame());
        m_doc->SetPathName(kSample, false);
        m_frame->GetActiveView()->OnInitialUpdate();
        QVERIFY(m_frame->GetActiveView()->Player().loaded);
        m_frame->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_frame.get()));
    }

    void cleanup()
    {
        m_frame.reset();
        m_doc.reset();
    }

    void everyCommandsDialogBelongsToTheMainWindow()
    {
        for (unsigned id : kDialogCommands) {
            // The dialogs are gone when the command returns: looked at as
            // they would show.
            QList<QWidget*> owners;
            bool allWindows = true;
            uSetModalHook([&](const ModalRequest& request) {
                owners.append(ownerOf(request));
                // Still a window of its own, not a panel inside the frame.
                allWindows = allWindows && (!request.dialog || request.dialog->isWindow());
                return int(IDCANCEL);
            });
            m_frame->Action(id)->trigger();
            uSetModalHook([](const ModalRequest&) { return int(IDCANCEL); });
            const QString command = QString::number(id);
            QVERIFY2(!owners.isEmpty(), qPrintable(command));
            QVERIFY2(allWindows, qPrintable(command));
            for (QWidget* owner : owners)
                QVERIFY2(owner == m_frame.get(), qPrintable(command));
        }
    }

    void refusedFileMessageBelongsToTheMainWindow()
    {
        QTemporaryDir folder;
        const QString path = folder.filePath(QStringLiteral("not-a-flic.flc"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("plain text, no animation");
        file.close();

        ModalRecorder recorder;
        QVERIFY(!m_doc->OnOpenDocument(path));
        QCOMPARE(recorder.requests.size(), 1);
        QCOMPARE(ownerOf(recorder.requests.first()), m_frame.get());
    }

    void colourAndFolderDialogsWithoutOwnerFindTheMainWindow()
    {
        ModalRecorder recorder;
        recorder.answer = IDCANCEL;
        unsigned colour = 0;
        QVERIFY(!ShowColorDialog(colour, nullptr));
        QString folder = QDir::tempPath();
        QVERIFY(!uBrowseFolder(nullptr, folder, QStringLiteral("Folder")));
        QCOMPARE(recorder.requests.size(), 2);
        for (const ModalRequest& request : recorder.requests)
            QCOMPARE(ownerOf(request), m_frame.get());
    }
};

KINETRA_QTEST_MAIN(DialogOwnerTest)
#include "DialogOwnerTest.moc"
