#include "app/CKinetraApp.h"

#include "app/CKinetraDoc.h"
#include "app/CMainView.h"
#include "app/FileAssociation.h"
#include "io/SettingNames.h"
#include "palette/GamePath.h"
#include "res/KinetraIcons.h"
#include "res/Resource.h"
#include "storyboard/DocumentSource.h"
#include "ui/CAboutDlg.h"
#include "ui/CMainFrame.h"
#include "ui/CMenuLook.h"
#include "uikit/CButtonX.h"
#include "uikit/CCommandLineInfoX.h"
#include "uikit/Modal.h"
#include "uikit/Paths.h"
#include "uikit/Profile.h"
#include "uikit/StringTable.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QPointer>
#include <QThread>

#include <algorithm>
#include <cstdio>

#include <unistd.h>

using namespace kinetra::settings;

namespace {

CKinetraApp* g_pApp = nullptr;

const QString kInstanceName = QStringLiteral("KINETRAVIEVER");
const QString kInstallerName = QStringLiteral("InstallKinetra");

// The lines of the hand-over between two starts.
const QByteArray kShellOpenMessage = QByteArray::number(WM_SHELL_OPEN_FILE);
const QByteArray kRaiseMessage = QByteArrayLiteral("raise");
const QByteArray kHandledReply = QByteArrayLiteral("1");
// Sent by the instance as soon as it has a later start's line, before it
// handles it: from then on the start waits without a bound, since the
// instance may be asking the user something.
const QByteArray kAcceptedReply = QByteArrayLiteral("accepted");

constexpr int kConnectTimeoutMs = 2000;
// Between two tries while the instance holds its lock but does not listen
// yet (it is still starting).
constexpr int kHandOverRetryMs = 50;

constexpr int kMinMaxMRU = 4;
constexpr int kMaxMaxMRU = 16;
constexpr int kDefaultMaxMRU = 4;

constexpr int kInstallerRetryMs = 300;

void printText(std::FILE* stream, const QString& text)
{
    std::fputs(text.toLocal8Bit().constData(), stream);
    std::fflush(stream);
}

bool isSameFile(const QString& a, const QString& b)
{
    const QString canonicalA = QFileInfo(a).canonicalFilePath();
    const QString canonicalB = QFileInfo(b).canonicalFilePath();
    if (!canonicalA.isEmpty() && !canonicalB.isEmpty())
        return canonicalA == canonicalB;
    return QDir::cleanPath(QFileInfo(a).absoluteFilePath()) == QDir::cleanPath(QFileInfo(b).absoluteFilePath());
}

// A server answers on `name`: another instance is running.
bool isInstanceAlive(const QString& name)
{
    QLocalSocket probe;
    probe.connectToServer(name);
    const bool alive = probe.waitForConnected(kConnectTimeoutMs);
    probe.abort();
    return alive;
}

// Which process is the running instance: the one that holds this lock. A
// holder that dies leaves a file whose process is gone, which QLockFile
// takes for stale; a live holder's lock never is, however old.
std::unique_ptr<QLockFile> tryInstanceLock()
{
    auto lock = std::make_unique<QLockFile>(CKinetraApp::InstanceSocketName() + QStringLiteral(".lock"));
    lock->setStaleLockTime(0);
    return lock->tryLock(0) ? std::move(lock) : nullptr;
}

// A file handed over travels in the message itself: the "Shell" setting is
// one value that concurrent starts would overwrite before it is read.
QByteArray shellOpenMessage(const QString& path)
{
    return kShellOpenMessage + ' ' + QFile::encodeName(path).toPercentEncoding();
}

} // namespace

CKinetraApp* theApp()
{
    return g_pApp;
}

CKinetraApp::CKinetraApp(QObject* parent) : QObject(parent)
{
    g_pApp = this;
    // The association installs the program's icon from them.
    InitKinetraResources();
    connect(&m_mruManager, &CMruFileManager::openRequested, this,
            [this](const QString& path) { OpenRecentFile(path); });
}

CKinetraApp::~CKinetraApp()
{
    // The frame and the document may still ask for the application.
    m_pMainFrame.reset();
    m_pDocument.reset();
    // The socket goes before the lock: a start that takes the lock finds
    // the name free.
    delete m_pInstanceServer;
    m_pInstanceLock.reset();
    if (g_pApp == this)
        g_pApp = nullptr;
}

QString CKinetraApp::ProgramPath() const
{
    return uGetModuleFileName();
}

bool CKinetraApp::HasDisplay() const
{
    const QString platform = QGuiApplication::platformName();
    return platform != QLatin1String("offscreen") && platform != QLatin1String("minimal");
}

QString CKinetraApp::InstanceSocketName()
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty())
        return runtime + u'/' + kInstanceName;
    return QDir::tempPath() + u'/' + kInstanceName + u'-' + QString::number(::getuid());
}

bool CKinetraApp::InitInstance(const QStringList& arguments)
{
    m_nMenuDrawMode = uGetProfileInt(kMenu, kMenuStyle, 2);
    m_nMenuSelectDisableMode = uGetProfileInt(kMenu, kMenuSelection, 1);
    m_nMenuXpBlending = uGetProfileInt(kMenu, kMenuGloom, 1);
    CMenuLook::SetMenuDrawMode(m_nMenuDrawMode);
    CMenuLook::SetSelectDisableMode(m_nMenuSelectDisableMode != 0);
    CMenuLook::SetXpBlendig(m_nMenuXpBlending != 0);
    CButtonX::SetButtonsSettings(uGetProfileInt(kButtonX, kButtonSettings, 0));

    LoadSettings();
    m_pDocument = std::make_unique<CKinetraDoc>();

    CCommandLineInfoX cmdInfo;
    cmdInfo.ParseCommandLine(arguments);
    if (cmdInfo.m_bHelp) {
        printText(stdout, CCommandLineInfoX::HelpText());
        return false;
    }
    if (!cmdInfo.m_strUnknown.isEmpty()) {
        printText(stderr, uFormatString(IDS_UNKNOWN_OPTION, cmdInfo.m_strUnknown) + u'\n' +
                              CCommandLineInfoX::HelpText());
        m_nExitCode = 2;
        return false;
    }

    const bool shellOpen =
        cmdInfo.m_nShellCommand == CCommandLineInfoX::FileOpen && !cmdInfo.m_strFileName.isEmpty();
    // A running instance takes over whatever this start was asked to do,
    // switches included.
    if (uGetProfileInt(kOptions, kMultiInstances, 1) == 0) {
        switch (handOverToRunningInstance(shellOpen ? cmdInfo.m_strFileName : QString())) {
        case HandOver::Handed:
            return false;
        case HandOver::NoAnswer:
            // The running window may be always on top; without a screen
            // nobody would see a box that waits for ever.
            if (HasDisplay())
                uMessageBox(uLoadString(IDS_INSTANCE_NO_ANSWER), MB_ICONEXCLAMATION | MB_TOPMOST);
            else
                printText(stderr, uLoadString(IDS_INSTANCE_NO_ANSWER) + u'\n');
            m_nExitCode = 1;
            return false;
        case HandOver::NoInstance:
            break;
        }
    }

    if (cmdInfo.m_bRegister) {
        RegisterFileType(true);
        if (!cmdInfo.m_bSilent)
            uMessageBox(uLoadString(IDS_FILE_TYPE_REGISTERED), MB_ICONINFORMATION);
        if (!cmdInfo.m_bInstall)
            return false;
    }
    if (cmdInfo.m_bUnregister) {
        RegisterFileType(false);
        if (!cmdInfo.m_bSilent)
            uMessageBox(uLoadString(IDS_FILE_TYPE_UNREGISTERED), MB_ICONINFORMATION);
        return false;
    }
    if (cmdInfo.m_bInstall) {
        cleanUpAfterInstall();
        return false;
    }

    if (m_bCheckFileType && !IsFileTypeRegistered() &&
        uMessageBox(uLoadString(IDS_ASK_REGISTER_FILE_TYPE), MB_YESNO | MB_ICONQUESTION) == IDYES)
        RegisterFileType(true);

    if (const auto gamePath = kinetra::FindGameInstallPath()) {
        m_strGamePath = QFile::decodeName(gamePath->c_str());
        m_bGamePath = true;
    }

    // The view loads the document, so the frame that holds it comes first;
    // it stays hidden until the document is settled.
    m_pMainFrame = std::make_unique<CMainFrame>(m_pDocument.get());
    if (!m_pMainFrame->LoadFrame())
        return false;

    if (shellOpen) {
        // The document has shown why it refused the file.
        if (!OpenDocumentFile(cmdInfo.m_strFileName)) {
            m_nExitCode = 1;
            return false;
        }
    } else {
        m_pDocument->OnNewDocument();
        updateViews();
    }

    m_bStartingUp = false;
    m_pMainFrame->show();
    listenForSecondStarts();
    return true;
}

void CKinetraApp::LoadSettings()
{
    m_nMaxMRU = uGetProfileInt(kOptions, kMaxMRU, kDefaultMaxMRU);
    m_bLoadDoc = uGetProfileInt(kOptions, kLoadDoc, 0) != 0;
    m_bCheckFileType = uGetProfileInt(kOptions, kCheckFileType, 1) != 0;
    m_nPalType = uGetProfileInt(kOptions, kPalType, kinetra::kPaletteFromGame);
    m_strPalDir = uGetProfileString(kOptions, kPalDir);
    if (m_nMaxMRU < kMinMaxMRU || m_nMaxMRU > kMaxMaxMRU)
        m_nMaxMRU = kDefaultMaxMRU;

    // The menus attached to the manager show "(None)" until it has entries.
    m_mruManager.RemoveMRUFileLists();
    m_mruManager.Add(ID_FILE_MRU_FIRST, kRecentFiles, uLoadString(IDS_MRU_ENTRY_FORMAT),
                     &CKinetraApp::IsDocumentFileName, m_nMaxMRU, 0, 30, 0);
}

CKinetraDoc* CKinetraApp::OpenDocumentFile(const QString& path)
{
    bool refused = false;
    return openDocumentFile(path, refused);
}

void CKinetraApp::OpenRecentFile(const QString& path)
{
    bool refused = false;
    // A file that is gone or no longer reads would fail the same way next
    // time; one the user kept from opening stays listed.
    if (!openDocumentFile(path, refused) && refused)
        m_mruManager.RemoveFromRecentFileList(path);
}

CKinetraDoc* CKinetraApp::openDocumentFile(const QString& path, bool& refused)
{
    refused = false;
    if (!m_pDocument || path.isEmpty())
        return nullptr;
    const QString fullPath = QFileInfo(path).absoluteFilePath();
    const QString open = m_pDocument->IsStoryboard() ? m_pDocument->GetSourcePath() : m_pDocument->GetPathName();
    if (!open.isEmpty() && isSameFile(open, fullPath)) {
        raiseMainWindow();
        return m_pDocument.get();
    }
    // A storyboard is built and played by the view, which asks what its
    // files do not say.
    if (kinetra::isBuiltSource(kinetra::sourceKindOf(QFile::encodeName(fullPath).toStdString()))) {
        CMainView* view = m_pMainFrame ? m_pMainFrame->GetActiveView() : nullptr;
        return view && view->OpenStoryboard(fullPath, refused) ? m_pDocument.get() : nullptr;
    }
    // A refused file leaves the open document as it was; so does a user who
    // keeps an unsaved animation open.
    if (!m_pDocument->OnOpenDocument(fullPath)) {
        refused = true;
        return nullptr;
    }
    if (m_pMainFrame && m_pMainFrame->GetActiveView() && !m_pMainFrame->GetActiveView()->SaveModified())
        return nullptr;
    m_pDocument->SetPathName(fullPath, true);
    m_pDocument->SetModifiedFlag(false);
    updateViews();
    return m_pDocument.get();
}

void CKinetraApp::AddToRecentFileList(const QString& path)
{
    m_mruManager.AddToRecentFileList(path);
}

bool CKinetraApp::IsFlcFileName(const QString& name)
{
    // FLC files, the older FLI files and FLIC cels all open.
    for (const QLatin1String extension : {QLatin1String(".flc"), QLatin1String(".fli"), QLatin1String(".cel")}) {
        if (name.size() > extension.size() && name.endsWith(extension, Qt::CaseInsensitive))
            return true;
    }
    return false;
}

bool CKinetraApp::IsDocumentFileName(const QString& name)
{
    return IsFlcFileName(name) || kinetra::isBuiltSource(kinetra::sourceKindOf(QFile::encodeName(name).toStdString()));
}

bool CKinetraApp::IsFileTypeRegistered() const
{
    return kinetra::FileAssociation(ProgramPath()).IsRegistered();
}

void CKinetraApp::RegisterFileType(bool registerType)
{
    const kinetra::FileAssociation association(ProgramPath());
    if (registerType)
        association.Register();
    else
        association.Unregister();
}

void CKinetraApp::OnAppAbout()
{
    CAboutDlg(m_pMainFrame.get()).DoModal();
}

void CKinetraApp::updateViews()
{
    if (m_pMainFrame && m_pMainFrame->GetActiveView())
        m_pMainFrame->GetActiveView()->OnInitialUpdate();
}

void CKinetraApp::raiseMainWindow()
{
    if (!m_pMainFrame)
        return;
    if (m_pMainFrame->isMinimized())
        m_pMainFrame->showNormal();
    m_pMainFrame->raise();
    m_pMainFrame->activateWindow();
}

CKinetraApp::HandOver CKinetraApp::handOverToRunningInstance(const QString& fileName)
{
    const QString name = InstanceSocketName();
    QElapsedTimer waited;
    waited.start();
    const auto remaining = [this, &waited] { return std::max<qint64>(0, m_nHandOverBoundMs - waited.elapsed()); };
    for (;;) {
        QLocalSocket socket;
        socket.connectToServer(name);
        if (socket.waitForConnected(int(std::min<qint64>(remaining(), kConnectTimeoutMs)))) {
            if (sendHandOver(socket, fileName, remaining))
                return HandOver::Handed;
            // No answer: the instance ended meanwhile (the next round finds
            // its lock free) or it is still busy.
        } else if ((m_pInstanceLock = tryInstanceLock())) {
            return HandOver::NoInstance;
        }
        if (remaining() == 0)
            return HandOver::NoAnswer;
        // The lock's holder is still starting and listens once its window
        // is up.
        QThread::msleep(kHandOverRetryMs);
    }
}

bool CKinetraApp::sendHandOver(QLocalSocket& socket, const QString& fileName,
                               const std::function<qint64()>& remaining)
{
    QByteArray message = kRaiseMessage;
    if (!fileName.isEmpty()) {
        // The running instance may have another working folder.
        const QString path = QFileInfo(fileName).absoluteFilePath();
        uWriteProfileString(kOptions, kShell, path);
        message = shellOpenMessage(path);
    }
    socket.write(message + '\n');
    socket.waitForBytesWritten(int(remaining()));

    // Wait until the running instance has handled it, as a sent (not
    // posted) window message would. Once it has accepted the line, the
    // bound no longer applies: it may be asking a question about it.
    bool accepted = false;
    for (;;) {
        while (socket.canReadLine()) {
            const QByteArray reply = socket.readLine().trimmed();
            if (reply == kAcceptedReply)
                accepted = true;
            else
                return true;
        }
        if (socket.state() != QLocalSocket::ConnectedState)
            return accepted; // it took the file, then ended
        if (!accepted && remaining() == 0)
            return false;
        socket.waitForReadyRead(accepted ? -1 : int(remaining()));
    }
}

void CKinetraApp::listenForSecondStarts()
{
    // With any number of instances allowed, the first that takes the lock
    // is the one later single-instance starts find.
    if (!m_pInstanceLock)
        m_pInstanceLock = tryInstanceLock();
    if (!m_pInstanceLock)
        return;
    const QString name = InstanceSocketName();
    auto* server = new QLocalServer(this);
    // No socket options: with them Qt renames its socket over whatever has
    // the name, while a plain bind refuses a name that is taken. Holding
    // the lock, a socket in the way was left by an instance that crashed,
    // unless something without the lock answers on it: that keeps it.
    if (!server->listen(name) && server->serverError() == QAbstractSocket::AddressInUseError &&
        !isInstanceAlive(name)) {
        QLocalServer::removeServer(name);
        server->listen(name);
    }
    if (!server->isListening()) {
        delete server;
        m_pInstanceLock.reset();
        return;
    }
    connect(server, &QLocalServer::newConnection, this, [this, server] {
        while (QLocalSocket* socket = server->nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QLocalSocket::readyRead, this, [this, socket] { onSecondStartMessage(socket); });
            if (socket->canReadLine())
                onSecondStartMessage(socket);
        }
    });
    m_pInstanceServer = server;
}

void CKinetraApp::onSecondStartMessage(QLocalSocket* socket)
{
    if (socket->canReadLine()) {
        socket->write(kAcceptedReply + '\n');
        socket->flush();
    }
    // One hand-over at a time: opening a file may show a message, whose
    // event loop would otherwise start the next one inside this one.
    m_pendingHandOvers.append(socket);
    if (m_bHandingOver)
        return;
    m_bHandingOver = true;
    while (!m_pendingHandOvers.isEmpty()) {
        // The socket may go while a message is up.
        const QPointer<QLocalSocket> guard = m_pendingHandOvers.takeFirst();
        while (guard && guard->canReadLine()) {
            const QByteArray line = guard->readLine().trimmed();
            const qsizetype space = line.indexOf(' ');
            const QByteArray command = space < 0 ? line : line.left(space);
            if (command == kShellOpenMessage && m_pMainFrame) {
                const QString path =
                    space < 0 ? QString() : QFile::decodeName(QByteArray::fromPercentEncoding(line.mid(space + 1)));
                m_pMainFrame->OnShellOpenFile(WM_SHELL_OPEN_FILE, path);
            }
            raiseMainWindow();
            if (guard) {
                guard->write(kHandledReply + '\n');
                guard->flush();
            }
        }
    }
    m_bHandingOver = false;
}

void CKinetraApp::cleanUpAfterInstall()
{
    const QString program = ProgramPath();
    if (program.isEmpty())
        return;
    const QString installer = uGetPathName(program) + kInstallerName;

    // The installer started us and ends without waiting for us. Linux lets
    // a running program's file go, so a retry means the folder refuses.
    QElapsedTimer waited;
    waited.start();
    for (;;) {
        const QFileInfo info(installer);
        if (!info.exists() && !info.isSymLink())
            break;
        // An installer file that can never be deleted must not keep the run alive.
        if (QFile::remove(installer) || waited.elapsed() >= m_nInstallerGiveUpMs)
            break;
        QThread::msleep(kInstallerRetryMs);
    }
    // The Linux installer ships no runtime library of its own beside us,
    // so there is nothing else to delete.
}
