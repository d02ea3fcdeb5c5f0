#include "AppTestSupport.h"
#include "app/CKinetraApp.h"
#include "app/CKinetraDoc.h"
#include "qtsupport/QtTestMain.h"
#include "res/Resource.h"
#include "ui/CMainFrame.h"
#include "uikit/CButtonX.h"
#include "uikit/Profile.h"
#include "uikit/StringTable.h"

#include <QElapsedTimer>
#include <QFileDialog>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <thread>

using namespace kinetra::apptest;
using kinetra::test::ModalRecorder;

namespace {

// The application with its own file somewhere the test chooses.
class TestApp : public CKinetraApp {
public:
    QString programPath;

protected:
    QString ProgramPath() const override
    {
        return programPath.isEmpty() ? CKinetraApp::ProgramPath() : programPath;
    }
};

// Answers the open dialog with `choice` (or cancels it when empty) and every
// message box with OK, recording both.
struct OpenDialogAnswer {
    QString choice;
    QString initialFolder;
    int dialogs = 0;
    QStringList messages;

    OpenDialogAnswer()
    {
        uSetModalHook([this](const ModalRequest& request) {
            if (!request.dialog) {
                messages.append(request.text);
                return int(IDOK);
            }
            ++dialogs;
            auto* dialog = qobject_cast<QFileDialog*>(request.dialog);
            initialFolder = dialog->directory().absolutePath();
            if (choice.isEmpty())
                return int(IDCANCEL);
            dialog->selectFile(choice);
            return int(IDOK);
        });
    }
    ~OpenDialogAnswer() { uSetModalHook({}); }
    OpenDialogAnswer(const OpenDialogAnswer&) = delete;
    OpenDialogAnswer& operator=(const OpenDialogAnswer&) = delete;
};

QString lastOpened()
{
    return uGetProfileString("Options", "Last Opend");
}

} // namespace

class StartUpTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { RegisterKinetraStrings(); }

    void init()
    {
        resetUserFolders();
        m_files = std::make_unique<QTemporaryDir>();
        QDir(qEnvironmentVariable("WINEPREFIX")).removeRecursively();
    }

    // Settings.

    void settingsHaveTheirDefaults()
    {
        QFile::remove(profilePath());
        CKinetraApp app;
        app.LoadSettings();
        QCOMPARE(app.m_nMaxMRU, 4);
        QCOMPARE(app.m_bLoadDoc, false);
        QCOMPARE(app.m_bCheckFileType, true);
        QCOMPARE(app.m_nPalType, 0);
        QCOMPARE(app.m_strPalDir, QString());
        QCOMPARE(app.m_bStartingUp, true);
        QCOMPARE(app.m_bGamePath, false);
    }

    void maxMruOutsideFourToSixteenCountsAsFour_data()
    {
        QTest::addColumn<int>("stored");
        QTest::addColumn<int>("used");
        QTest::newRow("3") << 3 << 4;
        QTest::newRow("4") << 4 << 4;
        QTest::newRow("10") << 10 << 10;
        QTest::newRow("16") << 16 << 16;
        QTest::newRow("17") << 17 << 4;
        QTest::newRow("0") << 0 << 4;
        QTest::newRow("-5") << -5 << 4;
    }

    void maxMruOutsideFourToSixteenCountsAsFour()
    {
        QFETCH(int, stored);
        QFETCH(int, used);
        for (int i = 1; i <= 17; ++i)
            uWriteProfileString("Recent Files", QString("File%1").arg(i), QString("/recent/%1.flc").arg(i));
        uWriteProfileInt("Options", "Max MRU", stored);
        CKinetraApp app;
        app.LoadSettings();
        QCOMPARE(app.m_nMaxMRU, used);
        // The list is as long as the setting allows, the newest first.
        QCOMPARE(app.m_mruManager.Files().size(), used);
        QCOMPARE(app.m_mruManager.Files().first(), QString("/recent/1.flc"));
    }

    void loadSettingsReadsTheProfileAgain()
    {
        CKinetraApp app;
        app.LoadSettings();
        uWriteProfileInt("Options", "Load Doc", 1);
        uWriteProfileInt("Options", "Check File Type", 0);
        uWriteProfileInt("Options", "Pal Type", 2);
        uWriteProfileString("Options", "Pal Dir", "/palettes");
        QCOMPARE(app.m_bLoadDoc, false);
        app.LoadSettings();
        QCOMPARE(app.m_bLoadDoc, true);
        QCOMPARE(app.m_bCheckFileType, false);
        QCOMPARE(app.m_nPalType, 2);
        QCOMPARE(app.GetPalDir(), QString("/palettes"));
    }

    void onlyFlcNamesAreRecentFiles()
    {
        QVERIFY(CKinetraApp::IsFlcFileName("/a/b.flc"));
        QVERIFY(CKinetraApp::IsFlcFileName("x.FLC"));
        QVERIFY(!CKinetraApp::IsFlcFileName(".flc"));
        QVERIFY(CKinetraApp::IsFlcFileName("b.fli"));
        QVERIFY(CKinetraApp::IsFlcFileName("c.CEL"));
        QVERIFY(!CKinetraApp::IsFlcFileName(".cel"));
        QVERIFY(!CKinetraApp::IsFlcFileName("b.flcx"));
        QVERIFY(!CKinetraApp::IsFlcFileName("bflc"));
    }

    void theLooksComeFromTheirSettings()
    {
        uWriteProfileInt("Menu", "Style", 1);
        uWriteProfileInt("Menu", "Selection", 0);
        uWriteProfileInt("ButtonX", "Settings", BTNX_NO_EFFECTS);
        CKinetraApp app;
        QVERIFY(!app.InitInstance({"--help"}));
        QCOMPARE(app.ExitCode(), 0);
        QCOMPARE(app.m_nMenuDrawMode, 1);
        QCOMPARE(app.m_nMenuSelectDisableMode, 0);
        QCOMPARE(app.m_nMenuXpBlending, 1);
        QCOMPARE(CButtonX::GetButtonsSettings(), int(BTNX_NO_EFFECTS));
        CButtonX::SetButtonsSettings(0);
    }

    // Switches.

    void registerRegistersTellsAndEnds()
    {
        ModalRecorder recorder;
        CKinetraApp app;
        QVERIFY(!app.InitInstance({"--register"}));
        QCOMPARE(app.ExitCode(), 0);
        QVERIFY(app.IsFileTypeRegistered());
        QCOMPARE(recorder.texts(), QStringList{"The file type '.FLC' is registered."});
        QCOMPARE(recorder.requests[0].type, unsigned(MB_ICONINFORMATION));
        QVERIFY(!app.GetMainFrame());
    }

    void unregisterUnregistersTellsAndEnds()
    {
        ModalRecorder recorder;
        CKinetraApp app;
        app.RegisterFileType(true);
        QVERIFY(!app.InitInstance({"--unregister"}));
        QVERIFY(!app.IsFileTypeRegistered());
        QCOMPARE(recorder.texts(), QStringList{"The file type '.FLC' is unregistered."});
        QCOMPARE(recorder.requests[0].type, unsigned(MB_ICONINFORMATION));
        QVERIFY(!QFileInfo::exists(dataHome() + "/applications/kinetra.desktop"));
    }

    void silentSwitchesShowNothing()
    {
        ModalRecorder recorder;
        {
            CKinetraApp app;
            QVERIFY(!app.InitInstance({"--silent", "--register"}));
            QVERIFY(app.IsFileTypeRegistered());
        }
        {
            CKinetraApp app;
            QVERIFY(!app.InitInstance({"--unregister", "--silent"}));
            QVERIFY(!app.IsFileTypeRegistered());
        }
        QVERIFY(recorder.requests.isEmpty());
    }

    void registerEndsBeforeUnregisterIsLookedAt()
    {
        ModalRecorder recorder;
        CKinetraApp app;
        QVERIFY(!app.InitInstance({"--register", "--unregister"}));
        QVERIFY(app.IsFileTypeRegistered());
        QCOMPARE(recorder.texts(), QStringList{"The file type '.FLC' is registered."});
    }

    void anUnknownSwitchEndsWithUsageStatus()
    {
        ModalRecorder recorder;
        CKinetraApp app;
        QVERIFY(!app.InitInstance({"--bogus", "--register"}));
        QCOMPARE(app.ExitCode(), 2);
        QVERIFY(!app.IsFileTypeRegistered());
        QVERIFY(recorder.requests.isEmpty());
    }

    void installRegistersAndDeletesTheInstallerOnly()
    {
        const QString folder = m_files->path() + "/program folder";
        QVERIFY(writeFile(folder + "/Kinetra", "program"));
        QVERIFY(writeFile(folder + "/InstallKinetra", "installer"));
        QVERIFY(writeFile(folder + "/msvcp60.dll", "not ours to delete"));
        QVERIFY(writeFile(folder + "/InstallLog_Kinetra.txt", "log"));

        ModalRecorder recorder;
        TestApp app;
        app.programPath = folder + "/Kinetra";
        QVERIFY(!app.InitInstance({"/i"}));
        QVERIFY(!QFileInfo::exists(folder + "/InstallKinetra"));
        QVERIFY(QFileInfo::exists(folder + "/Kinetra"));
        QVERIFY(QFileInfo::exists(folder + "/msvcp60.dll"));
        QVERIFY(QFileInfo::exists(folder + "/InstallLog_Kinetra.txt"));
        QVERIFY(app.IsFileTypeRegistered());
        // The desktop entry runs the program the installer started.
        QVERIFY(readFile(dataHome() + "/applications/kinetra.desktop")
                    .contains("Exec=\"" + folder.toUtf8() + "/Kinetra\" %f"));
        // Nobody is there to read a message during the installer's run.
        QVERIFY(recorder.requests.isEmpty());
        QVERIFY(!app.GetMainFrame());
    }

    void installRetriesWhileTheInstallerCannotBeDeleted()
    {
        const QString folder = m_files->path();
        // A folder in its place cannot be removed as a file can.
        QVERIFY(writeFile(folder + "/InstallKinetra/held", "x"));
        std::thread release([folder] {
            std::this_thread::sleep_for(std::chrono::milliseconds(700));
            QDir(folder + "/InstallKinetra").removeRecursively();
        });
        TestApp app;
        app.programPath = folder + "/Kinetra";
        QElapsedTimer timer;
        timer.start();
        QVERIFY(!app.InitInstance({"/i"}));
        const qint64 elapsed = timer.elapsed();
        release.join();
        QVERIFY2(elapsed >= 650 && elapsed < 3000, qPrintable(QString::number(elapsed)));
    }

    void installGivesUpOnAnInstallerThatNeverGoes()
    {
        const QString folder = m_files->path();
        QVERIFY(writeFile(folder + "/InstallKinetra/held", "x"));
        TestApp app;
        app.programPath = folder + "/Kinetra";
        app.m_nInstallerGiveUpMs = 700;
        QElapsedTimer timer;
        timer.start();
        QVERIFY(!app.InitInstance({"/i"}));
        const qint64 elapsed = timer.elapsed();
        QVERIFY2(elapsed >= 650 && elapsed < 3000, qPrintable(QString::number(elapsed)));
        QVERIFY(QFileInfo::exists(folder + "/InstallKinetra"));
    }

    // The association question.

    void anUnregisteredTypeIsOfferedAndNoChangesNothing()
    {
        uWriteProfileInt("Options", "Check File Type", 1);
        ModalRecorder recorder;
        recorder.answer = IDNO;
        CKinetraApp app;
        QVERIFY(app.InitInstance({}));
        QCOMPARE(recorder.texts(), QStringList{uLoadString(IDS_ASK_REGISTER_FILE_TYPE)});
        QCOMPARE(recorder.requests[0].type, unsigned(MB_YESNO | MB_ICONQUESTION));
        QVERIFY(!app.IsFileTypeRegistered());
    }

    void yesRegistersAndARegisteredTypeIsNotAskedAgain()
    {
        uWriteProfileInt("Options", "Check File Type", 1);
        ModalRecorder recorder;
        recorder.answer = IDYES;
        {
            CKinetraApp app;
            QVERIFY(app.InitInstance({}));
            QVERIFY(app.IsFileTypeRegistered());
        }
        {
            CKinetraApp app;
            QVERIFY(app.InitInstance({}));
        }
        QCOMPARE(recorder.requests.size(), 1);
    }

    void checkFileTypeOffAsksNothing()
    {
        ModalRecorder recorder;
        CKinetraApp app;
        QVERIFY(app.InitInstance({}));
        QVERIFY(recorder.requests.isEmpty());
        QVERIFY(!app.IsFileTypeRegistered());
    }

    // The run itself.

    void anOrdinaryStartShowsTheEmptyDocument()
    {
        CKinetraApp app;
        QVERIFY(app.InitInstance({}));
        QVERIFY(!app.m_bStartingUp);
        QVERIFY(app.GetMainFrame());
        QVERIFY(app.GetMainFrame()->isVisible());
        QCOMPARE(app.GetDocument()->GetTitle(), QString("FLC isn't loaded"));
        QVERIFY(app.GetDocument()->GetPathName().isEmpty());
        QCOMPARE(theApp(), &app);
    }

    void theGameFolderComesFromTheWinePrefix()
    {
        const QString prefix = qEnvironmentVariable("WINEPREFIX");
        QDir().mkpath(prefix + "/drive_c/Games/Vorenth");
        QVERIFY(writeFile(prefix + "/system.reg", "WINE REGISTRY Version 2\n\n"
                                                  "[Software\\\\Quorvane Interactive\\\\Vorenth] 1700000000\n"
                                                  "\"Install_Path\"=\"C:\\\\games\\\\vorenth\"\n"));
        CKinetraApp app;
        QVERIFY(app.InitInstance({}));
        QVERIFY(app.m_bGamePath);
        QCOMPARE(app.GetGamePath(), QFileInfo(prefix + "/drive_c").canonicalFilePath() + "/Games/Vorenth");
    }

    void withoutTheGamesKeyThereIsNoGameFolder()
    {
        CKinetraApp app;
        QVERIFY(app.InitInstance({}));
        QVERIFY(!app.m_bGamePath);
        QVERIFY(app.GetGamePath().isEmpty());
    }

    void theFileOnTheCommandLineIsOpenedInsteadOfTheRecentOne()
    {
        const QString recent = m_files->path() + "/recent.flc";
        const QString named = m_files->path() + "/named.flc";
        QVERIFY(copySample(recent));
        QVERIFY(copySample(named));
        uWriteProfileString("Recent Files", "File1", recent);
        uWriteProfileInt("Options", "Load Doc", 1);

        ModalRecorder recorder;
        CKinetraApp app;
        QVERIFY(app.InitInstance({named}));
        QCOMPARE(app.GetDocument()->GetPathName(), named);
        QCOMPARE(app.GetDocument()->GetTitle(), QString("named.flc"));
        QCOMPARE(app.m_mruManager.Files(), (QStringList{named, recent}));
        QVERIFY(app.GetMainFrame()->isVisible());
        QVERIFY(recorder.requests.isEmpty());
    }

    void loadDocReopensTheRecentFileAtStartUp()
    {
        const QString recent = m_files->path() + "/recent.flc";
        QVERIFY(copySample(recent));
        uWriteProfileString("Recent Files", "File1", recent);
        uWriteProfileInt("Options", "Load Doc", 1);
        CKinetraApp app;
        QVERIFY(app.InitInstance({}));
        QCOMPARE(app.GetDocument()->GetPathName(), recent);
    }

    void aRelativeNameOnTheCommandLineBecomesAFullPath()
    {
        QVERIFY(copySample(m_files->path() + "/here.flc"));
        const QString saved = QDir::currentPath();
        QDir::setCurrent(m_files->path());
        CKinetraApp app;
        const bool started = app.InitInstance({"here.flc"});
        QDir::setCurrent(saved);
        QVERIFY(started);
        QCOMPARE(app.GetDocument()->GetPathName(), m_files->path() + "/here.flc");
    }

    void aRefusedFileOnTheCommandLineEndsTheProgram()
    {
        // Taken by its header, which names no FLIC.
        const QString fli = m_files->path() + "/anim.cel";
        QVERIFY(writeFile(fli, flcHeaderBytes(0xAF13)));
        ModalRecorder recorder;
        CKinetraApp app;
        QVERIFY(!app.InitInstance({fli}));
        QCOMPARE(app.ExitCode(), 1);
        QCOMPARE(recorder.texts(), QStringList{uFormatString(IDS_INVALID_DOCUMENT, fli)});
        QVERIFY(!app.GetMainFrame() || !app.GetMainFrame()->isVisible());
    }

    // Opening documents in the running program.

    void recentFilesKeepTheOrderOfOpening()
    {
        const QString a = m_files->path() + "/a.flc";
        const QString b = m_files->path() + "/b.flc";
        QVERIFY(copySample(a));
        QVERIFY(copySample(b, "plain.flc"));
        CKinetraApp app;
        QVERIFY(app.InitInstance({}));
        QSignalSpy titles(app.GetDocument(), &CKinetraDoc::titleChanged);
        QVERIFY(app.OpenDocumentFile(a));
        QVERIFY(app.OpenDocumentFile(b));
        QCOMPARE(app.m_mruManager.Files(), (QStringList{b, a}));
        QCOMPARE(uGetProfileString("Recent Files", "File1"), b);
        QVERIFY(app.OpenDocumentFile(a));
        QCOMPARE(app.m_mruManager.Files(), (QStringList{a, b}));
        QCOMPARE(titles.size(), 3);
        QCOMPARE(titles.last()[0].toString(), QString("a.flc"));
        QVERIFY(app.GetMainFrame()->windowTitle().startsWith(QLatin1String("a.flc")));
    }

    void aRefusedFileLeavesTheOpenDocument()
    {
        const QString a = m_files->path() + "/a.flc";
        const QString text = m_files->path() + "/text.flc";
        QVERIFY(copySample(a));
        QVERIFY(writeFile(text, "not an animation"));
        CKinetraApp app;
        QVERIFY(app.InitInstance({a}));
        ModalRecorder recorder;
        QVERIFY(!app.OpenDocumentFile(text));
        QCOMPARE(recorder.texts(), QStringList{uFormatString(IDS_INVALID_DOCUMENT, text)});
        QCOMPARE(app.GetDocument()->GetPathName(), a);
        QCOMPARE(app.m_mruManager.Files(), QStringList{a});
    }

    void theOpenFileAgainIsOnlyBroughtForward()
    {
        const QString a = m_files->path() + "/a.flc";
        QVERIFY(copySample(a));
        CKinetraApp app;
        QVERIFY(app.InitInstance({a}));
        QSignalSpy listChanges(&app.m_mruManager, &CMruFileManager::changed);
        // Even gone from the disk: the same path is not checked again.
        QFile::remove(a);
        ModalRecorder recorder;
        QCOMPARE(app.OpenDocumentFile(m_files->path() + "/./a.flc"), app.GetDocument());
        QVERIFY(recorder.requests.isEmpty());
        QCOMPARE(listChanges.size(), 0);
    }

    void aRecentFilesEntryOpensItsFile()
    {
        const QString a = m_files->path() + "/a.flc";
        QVERIFY(copySample(a));
        uWriteProfileString("Recent Files", "File1", a);
        CKinetraApp app;
        QVERIFY(app.InitInstance({}));
        emit app.m_mruManager.openRequested(a);
        QCOMPARE(app.GetDocument()->GetPathName(), a);
    }

    // The Open command.

    void openCommandOpensTheChoiceAndRemembersIt()
    {
        const QString a = m_files->path() + "/a.flc";
        QVERIFY(copySample(a));
        CKinetraApp app;
        QVERIFY(app.InitInstance({}));
        OpenDialogAnswer answer;
        answer.choice = a;
        app.GetDocument()->OnFileOpen();
        QCOMPARE(answer.dialogs, 1);
        QCOMPARE(app.GetDocument()->GetPathName(), a);
        QCOMPARE(lastOpened(), a);
        QCOMPARE(app.m_mruManager.Files(), QStringList{a});
        QVERIFY(answer.messages.isEmpty());
    }

    void openCommandRemembersARefusedChoiceToo()
    {
        const QString text = m_files->path() + "/text.flc";
        QVERIFY(writeFile(text, "not an animation"));
        CKinetraApp app;
        QVERIFY(app.InitInstance({}));
        OpenDialogAnswer answer;
        answer.choice = text;
        app.GetDocument()->OnFileOpen();
        QCOMPARE(answer.messages, QStringList{uFormatString(IDS_INVALID_DOCUMENT, text)});
        QVERIFY(app.GetDocument()->GetPathName().isEmpty());
        QCOMPARE(lastOpened(), text);
    }

    void openCommandStartsAtTheLastFileAndCancelChangesNothing()
    {
        const QString folder = m_files->path() + "/last";
        QVERIFY(copySample(folder + "/a.flc"));
        uWriteProfileString("Options", "Last Opend", folder + "/a.flc");
        CKinetraApp app;
        QVERIFY(app.InitInstance({}));
        OpenDialogAnswer answer;
        app.GetDocument()->OnFileOpen();
        QCOMPARE(answer.initialFolder, folder);
        QVERIFY(app.GetDocument()->GetPathName().isEmpty());
        QCOMPARE(lastOpened(), folder + "/a.flc");
    }

private:
    std::unique_ptr<QTemporaryDir> m_files;
};

KINETRA_QTEST_MAIN(StartUpTest)
#include "StartUpTest.moc"
