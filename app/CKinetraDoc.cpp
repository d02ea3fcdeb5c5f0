#include "app/CKinetraDoc.h"

#include "app/CKinetraApp.h"
#include "flc/FlcHeader.h"
#include "io/AtomicFile.h"
#include "io/SettingNames.h"
#include "res/Resource.h"
#include "ui/CFileFlcDlg.h"
#include "ui/CMainFrame.h"
#include "uikit/Modal.h"
#include "uikit/Paths.h"
#include "uikit/Profile.h"
#include "uikit/StringTable.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QTemporaryDir>

#include <optional>

namespace {

constexpr qint64 kMagicOffset = 4;

// Wait cursor for the length of a scope, where there is a screen to show it.
class WaitCursor {
public:
    WaitCursor() : m_bSet(qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr)
    {
        if (m_bSet)
            QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    }
    ~WaitCursor()
    {
        if (m_bSet)
            QGuiApplication::restoreOverrideCursor();
    }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

private:
    bool m_bSet;
};

// The message that refuses `path`, or nothing when it may be opened. First
// the checks of any document (a readable file), then that of a FLIC: the
// header's magic number, whatever the name ends in (a FLIC cel is a .cel).
std::optional<QString> refusal(const QString& path)
{
    const QFileInfo info(path);
    if (!info.exists())
        return uFormatString(IDS_FILE_NOT_FOUND, path);
    QFile file(path);
    if (!info.isFile())
        return uFormatString(IDS_FILE_ACCESS_FAILED, path);
    if (!file.open(QIODevice::ReadOnly))
        return uFormatString(file.error() == QFileDevice::PermissionsError ? IDS_FILE_ACCESS_DENIED
                                                                            : IDS_FILE_ACCESS_FAILED,
                             path);
    file.close();

    const QString invalid = uFormatString(IDS_INVALID_DOCUMENT, path);
    if (!file.open(QIODevice::ReadOnly) || !file.seek(kMagicOffset))
        return invalid;
    const QByteArray magic = file.read(2);
    if (magic.size() != 2)
        return invalid;
    const auto value = quint16(quint8(magic[0]) | quint8(magic[1]) << 8);
    if (!kinetra::IsFlcOrFliMagic(value))
        return invalid;
    return std::nullopt;
}

// A scratch copy is replaced in one step, so the player never reads half of
// one, but needs no syncing: it goes with the program.
bool writeScratchFile(const QString& path, std::span<const std::uint8_t> bytes)
{
    kinetra::StagedFile staged;
    std::error_code error;
    return staged.stage(QFile::encodeName(path).toStdString(), bytes, error, kinetra::StagedFile::Sync::Later)
        && staged.commit(error);
}

} // namespace

CKinetraDoc::CKinetraDoc(QObject* parent) : QObject(parent)
{
}

CKinetraDoc::~CKinetraDoc() = default;

bool CKinetraDoc::OnNewDocument()
{
    CKinetraApp* app = theApp();
    if (app && app->m_bStartingUp && app->m_bLoadDoc) {
        const QString recent =
            uGetProfileString(kinetra::settings::kRecentFiles, uFormatString(IDS_MRU_ENTRY_FORMAT, 1));
        // A storyboard is built by the view, however it is opened.
        const bool storyboard = kinetra::isBuiltSource(kinetra::sourceKindOf(QFile::encodeName(recent).toStdString()));
        if (storyboard && uIsFileExist(recent) && app->OpenDocumentFile(recent))
            return true;
        // The list already holds this file at its top.
        if (!storyboard && !recent.isEmpty() && uIsFileExist(recent) && OnOpenDocument(recent)) {
            SetPathName(recent, false);
            SetModifiedFlag(false);
            return true;
        }
    }
    m_strPathName.clear();
    forgetBuiltContents();
    SetTitle(uLoadString(IDS_FLC_NOT_LOADED));
    SetModifiedFlag(false);
    return true;
}

bool CKinetraDoc::OnOpenDocument(const QString& path)
{
    std::optional<QString> message;
    {
        WaitCursor wait;
        message = refusal(path);
    }
    if (message) {
        const CKinetraApp* app = theApp();
        uMessageBox(*message, MB_ICONSTOP, app ? app->GetMainFrame() : nullptr);
        return false;
    }
    return true;
}

bool CKinetraDoc::OnSaveDocument(const QString& path)
{
    (void)path;
    return true;
}

void CKinetraDoc::OnFileOpen()
{
    CKinetraApp* app = theApp();
    CFileFlcDlg dialog(app ? app->GetMainFrame() : nullptr);
    const QString lastOpened = uGetProfileString(kinetra::settings::kOptions, kinetra::settings::kLastOpened);
    if (!lastOpened.isEmpty() && uIsFileExist(lastOpened))
        dialog.SetInitialDir(lastOpened);
    if (dialog.DoModal() != IDOK)
        return;

    const QString path = dialog.GetPathName();
    if (app)
        app->OpenDocumentFile(path);
    // Also after a refusal: the next dialog starts where the user was.
    uWriteProfileString(kinetra::settings::kOptions, kinetra::settings::kLastOpened, path);
}

bool CKinetraDoc::DoSave(const QString& path)
{
    if (path.isEmpty() || !OnSaveDocument(path))
        return false;
    SetPathName(path);
    SetModifiedFlag(false);
    return true;
}

void CKinetraDoc::SetPathName(const QString& path, bool addToMRU)
{
    m_strPathName = QFileInfo(path).absoluteFilePath();
    forgetBuiltContents();
    SetTitle(CFileX::GetFileName(m_strPathName));
    if (addToMRU)
        if (CKinetraApp* app = theApp())
            app->AddToRecentFileList(m_strPathName);
}

void CKinetraDoc::SetModifiedFlag(bool modified)
{
    if (modified == m_bModified)
        return;
    m_bModified = modified;
    emit modifiedChanged(modified);
}

void CKinetraDoc::SetTitle(const QString& title)
{
    m_strTitle = title;
    emit titleChanged(m_strTitle);
}

bool CKinetraDoc::SetUnsavedContents(std::span<const std::uint8_t> file, const QString& proposedPath)
{
    if (!writeScratch(file, proposedPath))
        return false;
    SetTitle(uFormatString(IDS_UNSAVED_TITLE, QFileInfo(m_strProposedPath).completeBaseName()));
    return true;
}

bool CKinetraDoc::SetStoryboardContents(std::span<const std::uint8_t> file, const QString& sourcePath,
                                        const kinetra::SourceOptions& options, const QStringList& sources)
{
    const QString source = QFileInfo(sourcePath).absoluteFilePath();
    const auto proposed = kinetra::builtAnimationPath(QFile::encodeName(source).toStdString());
    if (!writeScratch(file, QFile::decodeName(proposed.c_str())))
        return false;
    m_strSourcePath = source;
    m_sourceOptions = options;
    m_sourceFiles = sources;
    const bool formation = kinetra::sourceKindOf(QFile::encodeName(source).toStdString()) == kinetra::SourceKind::Formation;
    SetTitle(uFormatString(formation ? IDS_FORMATION_TITLE : IDS_STORYBOARD_TITLE, QFileInfo(source).fileName()));
    if (CKinetraApp* app = theApp())
        app->AddToRecentFileList(source);
    return true;
}

bool CKinetraDoc::ReplaceBuiltContents(std::span<const std::uint8_t> file, const QStringList& sources)
{
    if (!IsStoryboard() || !writeScratchFile(m_strScratchFile, file))
        return false;
    m_sourceFiles = sources;
    return true;
}

QStringList CKinetraDoc::GetSourceFiles() const
{
    if (IsStoryboard())
        return m_sourceFiles;
    return m_strPathName.isEmpty() ? QStringList() : QStringList{m_strPathName};
}

QString CKinetraDoc::GetLoadPath() const
{
    return IsBuilt() ? m_strScratchFile : m_strPathName;
}

bool CKinetraDoc::writeScratch(std::span<const std::uint8_t> file, const QString& proposedPath)
{
    auto scratch = std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/kinetra-XXXXXX"));
    if (!scratch->isValid())
        return false;
    // The player shows this name (the information dialog), so it is the one
    // the file is meant to get.
    const QFileInfo proposed(proposedPath);
    const QString scratchFile = scratch->filePath(proposed.fileName());
    if (!writeScratchFile(scratchFile, file))
        return false;

    m_strPathName.clear();
    forgetBuiltContents();
    m_pScratch = std::move(scratch);
    m_strScratchFile = scratchFile;
    m_strProposedPath = proposed.absoluteFilePath();
    return true;
}

void CKinetraDoc::forgetBuiltContents()
{
    m_pScratch.reset();
    m_strScratchFile.clear();
    m_strProposedPath.clear();
    m_strSourcePath.clear();
    m_sourceOptions = {};
    m_sourceFiles.clear();
}
