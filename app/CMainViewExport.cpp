// Export of the animation as the picture shows it: an animated GIF, or a
// sprite sheet as a PNG image. The frames come from the player's own compose
// code, rendered between progress steps, so the picture keeps playing.

#include "app/CKinetraDoc.h"
#include "app/CMainView.h"
#include "app/ErrorReason.h"
#include "imaging/AnimationExport.h"
#include "imaging/CFlcPlayer.h"
#include "formats/GifWriter.h"
#include "formats/PngFile.h"
#include "io/AtomicFile.h"
#include "io/SettingNames.h"
#include "res/Resource.h"
#include "ui/CMainFrame.h"
#include "uikit/CFileDialogX.h"
#include "uikit/Modal.h"
#include "uikit/Paths.h"
#include "uikit/Profile.h"
#include "uikit/StringTable.h"

#include <QCheckBox>
#include <QFile>
#include <QFileInfo>
#include <QProgressDialog>
#include <QStatusBar>
#include <QVBoxLayout>

#include <system_error>
#include <vector>

using namespace kinetra::settings;

namespace {

enum ExportKind : int { kExportGif = 1, kExportSheet = 2 };

// The choices beside the file list; the crop box only for a sheet.
struct ExportChoices {
    QWidget* panel = nullptr;
    QCheckBox* transparent = nullptr;
    QCheckBox* crop = nullptr;
};

ExportChoices makeChoicesPanel(int kind)
{
    ExportChoices choices;
    choices.panel = new QWidget;
    auto* layout = new QVBoxLayout(choices.panel);
    choices.transparent = new QCheckBox(uLoadString(IDS_EXPORT_TRANSPARENT), choices.panel);
    choices.transparent->setObjectName(QStringLiteral("Transparent"));
    choices.transparent->setChecked(uGetProfileInt(kOptions, kExportTransparent, 0) != 0);
    layout->addWidget(choices.transparent);
    if (kind == kExportSheet) {
        choices.crop = new QCheckBox(uLoadString(IDS_EXPORT_CROP), choices.panel);
        choices.crop->setObjectName(QStringLiteral("Crop"));
        choices.crop->setChecked(uGetProfileInt(kOptions, kExportCrop, 0) != 0);
        layout->addWidget(choices.crop);
    }
    layout->addStretch(1);
    return choices;
}

// The bytes of the export's file; false, with the reason when one is known,
// when they cannot be made.
bool encodeExport(int kind, const kinetra::ExportAnimation& animation, bool crop, std::vector<std::uint8_t>& bytes,
                  QString& reason)
{
    std::string error;
    if (kind == kExportGif) {
        if (kinetra::EncodeAnimatedGif(animation, bytes, error))
            return true;
        reason = QString::fromStdString(error);
        return false;
    }
    const kinetra::ExportPicture sheet = kinetra::BuildSpriteSheet(animation, kinetra::SheetCell(animation, crop));
    if (sheet.width < 1 || sheet.height < 1)
        return false;
    if (kinetra::encodeArgbPng(sheet, kinetra::PngChannels::Rgba, bytes, error))
        return true;
    reason = QString::fromStdString(error);
    return false;
}

} // namespace

void CMainView::setExportDialogStart(CFileDialogX& dialog) const
{
    const QString folder = uGetProfileString(kOptions, kExportDir);
    const QString own = m_pDocument ? uGetPathName(m_pDocument->GetProposedPath()) : QString();
    if (!folder.isEmpty() && uIsDirExist(folder))
        dialog.setDirectory(folder);
    else if (!own.isEmpty() && uIsDirExist(own))
        dialog.setDirectory(own);
}

void CMainView::OnExportGif()
{
    exportAnimation(kExportGif);
}

void CMainView::OnExportSheet()
{
    exportAnimation(kExportSheet);
}

void CMainView::exportAnimation(int kind)
{
    CFlcPlayer& player = *m_wndPlayer;
    if (!player.loaded)
        return;

    const bool gif = kind == kExportGif;
    const QString extension = gif ? QStringLiteral("gif") : QStringLiteral("png");
    const QString name = QFileInfo(m_pDocument ? m_pDocument->GetProposedPath() : QString()).completeBaseName();
    CFileDialogX dialog(false, extension, name.isEmpty() ? QString() : name + u'.' + extension,
                        OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT,
                        uLoadString(gif ? IDS_EXPORT_GIF_FILTER : IDS_EXPORT_SHEET_FILTER));
    dialog.setWindowTitle(uLoadString(gif ? IDS_EXPORT_GIF_TITLE : IDS_EXPORT_SHEET_TITLE));
    setExportDialogStart(dialog);
    const ExportChoices choices = makeChoicesPanel(kind);
    dialog.SetCustomPanel(choices.panel);
    if (dialog.DoModal() != IDOK)
        return;

    QString path = dialog.GetPathName();
    if (QFileInfo(path).suffix().isEmpty())
        path += u'.' + extension;
    const bool transparent = choices.transparent->isChecked();
    const bool crop = choices.crop && choices.crop->isChecked();
    uWriteProfileString(kOptions, kExportDir, uGetPathName(path));
    uWriteProfileInt(kOptions, kExportTransparent, transparent ? 1 : 0);
    if (choices.crop)
        uWriteProfileInt(kOptions, kExportCrop, crop ? 1 : 0);

    QProgressDialog progress(uLoadString(IDS_EXPORT_PROGRESS), QStringLiteral("Cancel"), 0, 0, this);
    progress.setObjectName(QStringLiteral("ExportProgress"));
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(500);
    kinetra::ExportOptions options;
    options.transparent = transparent;
    kinetra::ExportAnimation animation;
    const kinetra::ExportResult rendered = kinetra::RenderAnimation(
        player, options,
        [this, &progress](int done, int total) {
            progress.setMaximum(total);
            progress.setValue(done);
            emit exportProgressed(done, total);
            return !progress.wasCanceled();
        },
        animation);
    progress.reset();
    if (rendered == kinetra::ExportResult::Cancelled)
        return;

    QString reason;
    std::vector<std::uint8_t> bytes;
    if (rendered != kinetra::ExportResult::Ok || animation.frames.empty()
        || !encodeExport(kind, animation, crop, bytes, reason)) {
        uMessageBox(withReason(uFormatString(IDS_EXPORT_FAILED, path), reason), MB_OK | MB_ICONSTOP, this);
        return;
    }
    std::error_code written;
    if (!kinetra::writeFileAtomically(QFile::encodeName(path).toStdString(), bytes, written)) {
        uMessageBox(cannotWriteMessage(path, written), MB_OK | MB_ICONSTOP, this);
        return;
    }
    if (CMainFrame* frame = mainFrame())
        frame->statusBar()->showMessage(uFormatString(IDS_EXPORT_DONE, path), 5000);
}
