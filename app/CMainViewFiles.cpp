// The view's commands that read or write files: the palette dialog, palette
// import and export, Save and Save As, and the question before an unsaved
// animation is given up.

#include "app/CKinetraDoc.h"
#include "app/CMainView.h"
#include "app/CCivColorCombo.h"
#include "app/CSourceWatcher.h"
#include "app/ErrorReason.h"
#include "imaging/CFlcPlayer.h"
#include "io/SettingNames.h"
#include "palette/CPaletteDlg.h"
#include "palette/PaletteFiles.h"
#include "res/Resource.h"
#include "uikit/CFileDialogX.h"
#include "uikit/Modal.h"
#include "uikit/Paths.h"
#include "uikit/Profile.h"
#include "uikit/StringTable.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>

using namespace kinetra::settings;

namespace {

// The palette file dialogs open where the last palette file was, when it is
// still there.
void setPaletteDialogStart(CFileDialogX& dialog, const QString& filterKey)
{
    dialog.SetFilterIndex(uGetProfileInt(kOptions, filterKey, 1));
    const QString last = uGetProfileString(kOptions, kPaletteFile);
    if (!last.isEmpty() && uIsFileExist(last))
        dialog.SetInitialDir(last);
}

// The export filter's format: 1 Adobe Color Table, 2 RIFF, 3 JASC.
kinetra::PaletteFormat exportFormatOf(const CFileDialogX& dialog)
{
    return kinetra::PaletteFormat(
        std::clamp(dialog.GetFilterIndex(), int(kinetra::PaletteFormat::Act), int(kinetra::PaletteFormat::Jasc)));
}

// The export proposes the animation's own name with the chosen format's
// extension, in the folder of the last palette file or else the
// animation's. (Qt's save dialog gives the name the extension of a format
// chosen later.)
void proposePaletteExport(CFileDialogX& dialog, const QString& animationPath)
{
    const QFileInfo animation(animationPath);
    const QString last = uGetProfileString(kOptions, kPaletteFile);
    const QString folder = !last.isEmpty() && uIsFileExist(last) ? uGetPathName(last) : animation.absolutePath();
    if (uIsDirExist(folder))
        dialog.setDirectory(folder);
    if (!animation.completeBaseName().isEmpty())
        dialog.selectFile(animation.completeBaseName() + u'.'
                          + QLatin1String(kinetra::paletteFileExtension(exportFormatOf(dialog))));
}

// `path`: the file read or written, which for an export may have another
// extension than the name typed.
void rememberPaletteChoice(const CFileDialogX& dialog, const QString& filterKey, const QString& path)
{
    uWriteProfileString(kOptions, kPaletteFile, path);
    uWriteProfileInt(kOptions, filterKey, dialog.GetFilterIndex());
}

} // namespace

void CMainView::showPaletteAsDefault()
{
    m_nCivColor = 0;
    transferToControls();
    m_comboCivColor->SetItemColor(0, civSwatchColor());
}

void CMainView::OnPalette()
{
    CFlcPlayer& player = *m_wndPlayer;
    if (!player.loaded)
        return;
    const kinetra::Palette before = player.displayPalette;
    CPaletteDlg dialog(&player.displayPalette, this);
    if (dialog.DoModal() != IDOK)
        return;
    if (player.ApplyPaletteChanges()) {
        showPaletteAsDefault();
        if (m_pDocument && player.displayPalette != before)
            m_pDocument->SetModifiedFlag();
    } else {
        OnInitialUpdate();
        uMessageBox(uLoadString(IDS_CANNOT_APPLY_PALETTE), MB_OK | MB_ICONSTOP, this);
    }
    UpdateControls();
}

void CMainView::OnImportPalette()
{
    CFlcPlayer& player = *m_wndPlayer;
    if (!player.loaded)
        return;
    CFileDialogX dialog(true, QString(), QString(), OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST,
                        uLoadString(IDS_PALETTE_IMPORT_FILTER));
    dialog.setWindowTitle(uLoadString(IDS_PALETTE_IMPORT_TITLE));
    setPaletteDialogStart(dialog, kPalFilterImp);
    if (dialog.DoModal() != IDOK)
        return;
    rememberPaletteChoice(dialog, kPalFilterImp, dialog.GetPathName());

    const QString path = dialog.GetPathName();
    if (player.ImportPalette(path) != kinetra::PaletteFileResult::Done) {
        // Back to the file's own palette.
        OnInitialUpdate();
        uMessageBox(uFormatString(IDS_PALETTE_IMPORT_INVALID, path), MB_OK, this);
        return;
    }
    showPaletteAsDefault();
    if (m_pDocument)
        m_pDocument->SetModifiedFlag();
    UpdateControls();
    uMessageBox(uLoadString(IDS_PALETTE_IMPORTED), MB_OK, this);
}

void CMainView::OnExportPalette()
{
    CFlcPlayer& player = *m_wndPlayer;
    if (!player.loaded)
        return;
    CFileDialogX dialog(false, QString(), QString(), OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT,
                        uLoadString(IDS_PALETTE_EXPORT_FILTER));
    dialog.setWindowTitle(uLoadString(IDS_PALETTE_EXPORT_TITLE));
    dialog.SetFilterIndex(uGetProfileInt(kOptions, kPalFilterExp, 1));
    proposePaletteExport(dialog, m_pDocument ? m_pDocument->GetProposedPath() : QString());
    if (dialog.DoModal() != IDOK)
        return;

    // The format's extension replaces the one typed, so the file written may
    // not be the one the dialog asked about.
    const QString chosen = dialog.GetPathName();
    const kinetra::PaletteFormat format = exportFormatOf(dialog);
    const QString path =
        QFile::decodeName(kinetra::palettePathForFormat(QFile::encodeName(chosen).toStdString(), format).c_str());
    if (path != chosen && QFileInfo::exists(path)
        && uMessageBox(uFormatString(IDS_PALETTE_REPLACE, path), MB_YESNO | MB_ICONEXCLAMATION, this) != IDYES)
        return;
    if (player.ExportPalette(chosen, int(format)) == kinetra::PaletteFileResult::Done) {
        rememberPaletteChoice(dialog, kPalFilterExp, path);
        uMessageBox(uFormatString(IDS_PALETTE_EXPORTED, path), MB_OK, this);
    } else if (player.writeError) {
        uMessageBox(cannotWriteMessage(path, player.writeError), MB_OK, this);
    } else {
        uMessageBox(uFormatString(IDS_PALETTE_EXPORT_FAILED, path), MB_OK, this);
    }
}

bool CMainView::saveAnimation(const QString& path)
{
    if (m_wndPlayer->Save(path) == kinetra::kOk) {
        // The document's own file, written here, is not a change to take in.
        m_pSourceWatcher->Rearm();
        return true;
    }
    // A file changed on disk since it was read is refused before any write.
    const std::error_code& written = m_wndPlayer->writeError;
    uMessageBox(written ? cannotWriteMessage(path, written) : uFormatString(IDS_CANNOT_SAVE_FILE, path),
                MB_OK | MB_ICONSTOP, this);
    return false;
}

void CMainView::OnFileSave()
{
    saveDocument();
}

void CMainView::OnFileSaveAs()
{
    saveDocumentAs();
}

bool CMainView::saveDocument()
{
    if (!m_wndPlayer->loaded || !m_pDocument)
        return false;
    // A built animation has no file of its own to write back to.
    if (m_pDocument->IsBuilt())
        return saveDocumentAs();
    const QString path = m_pDocument->GetPathName();
    if (!saveAnimation(path))
        return false;
    m_pDocument->DoSave(path);
    return true;
}

bool CMainView::saveDocumentAs()
{
    if (!m_wndPlayer->loaded || !m_pDocument)
        return false;
    const QString proposed = m_pDocument->GetProposedPath();
    // An FLI file stays one: Save writes colours into the file's own chunks.
    const bool fli = m_wndPlayer->header.magic == kinetra::kFliMagic;
    CFileDialogX dialog(false, fli ? QStringLiteral("fli") : QStringLiteral("flc"), CFileX::GetFileName(proposed),
                        OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, uLoadString(fli ? IDS_FLI_FILTER : IDS_FLC_FILTER));
    dialog.setWindowTitle(uLoadString(IDS_SAVE_FLC_AS));
    const QString lastOpened = uGetProfileString(kOptions, kLastOpened);
    // An unsaved animation's proposed file need not exist, only its folder.
    if (uIsFileExist(proposed) || (m_pDocument->IsBuilt() && uIsDirExist(uGetPathName(proposed))))
        dialog.SetInitialDir(proposed);
    else if (!lastOpened.isEmpty() && uIsFileExist(lastOpened))
        dialog.SetInitialDir(lastOpened);
    if (dialog.DoModal() != IDOK)
        return false;

    const QString path = dialog.GetPathName();
    if (!saveAnimation(path))
        return false;
    // A storyboard stays the document: the file saved is made from it, and
    // its next save is taken in as ever.
    if (m_pDocument->IsStoryboard())
        m_pDocument->SetModifiedFlag(false);
    else
        m_pDocument->DoSave(path);
    uWriteProfileString(kOptions, kLastOpened, path);
    return true;
}

bool CMainView::SaveModified()
{
    if (!m_pDocument || (!m_pDocument->IsUnsaved() && !m_pDocument->IsModified()))
        return true;
    const QString question = m_pDocument->IsUnsaved()
        ? uFormatString(IDS_ASK_SAVE_UNSAVED, QFileInfo(m_pDocument->GetProposedPath()).completeBaseName())
        : uFormatString(IDS_ASK_SAVE_CHANGES, QFileInfo(m_pDocument->IsStoryboard() ? m_pDocument->GetSourcePath()
                                                                                    : m_pDocument->GetPathName())
                                                  .fileName());
    switch (uMessageBox(question, MB_YESNOCANCEL | MB_ICONEXCLAMATION, this)) {
    case IDYES: return saveDocument();
    case IDNO: return true;
    default: return false;
    }
}
