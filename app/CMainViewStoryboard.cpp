// Storyboards in the window: every frame of the animation out to one 8-bit
// picture to draw on, and a new animation built back from such a picture,
// which plays at once and stays unsaved until the user gives it a file.

#include "app/CKinetraDoc.h"
#include "app/CMainView.h"
#include "app/ErrorReason.h"
#include "app/ImageReaders.h"
#include "app/PaletteSources.h"
#include "imaging/CFlcPlayer.h"
#include "io/SettingNames.h"
#include "io/WholeFile.h"
#include "palette/PaletteFiles.h"
#include "res/Resource.h"
#include "storyboard/StoryboardFile.h"
#include "ui/CMainFrame.h"
#include "ui/CStoryboardLayoutDlg.h"
#include "uikit/CFileDialogX.h"
#include "uikit/Modal.h"
#include "uikit/Paths.h"
#include "uikit/Profile.h"
#include "uikit/StringTable.h"

#include <QCheckBox>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QSpinBox>
#include <QStatusBar>
#include <QVBoxLayout>

#include <algorithm>
#include <optional>
#include <span>
#include <vector>

using namespace kinetra::settings;

namespace {

// Entry 0 shows against the transparent entry 255 that fills every cell
// around the unit, so the grid can be seen in a paint program.
constexpr int kDefaultBorderIndex = 0;

// The grid choice beside the file list.
struct BorderChoice {
    QWidget* panel = nullptr;
    QCheckBox* border = nullptr;
    QSpinBox* index = nullptr;

    std::optional<int> chosen() const { return border->isChecked() ? std::optional(index->value()) : std::nullopt; }
};

BorderChoice makeBorderPanel()
{
    BorderChoice choice;
    choice.panel = new QWidget;
    choice.border = new QCheckBox(uLoadString(IDS_STORYBOARD_BORDER), choice.panel);
    choice.border->setObjectName(QStringLiteral("Border"));
    choice.border->setChecked(uGetProfileInt(kOptions, kStoryboardBorder, 0) != 0);
    choice.index = new QSpinBox(choice.panel);
    choice.index->setObjectName(QStringLiteral("BorderIndex"));
    choice.index->setRange(0, 255);
    choice.index->setValue(std::clamp(uGetProfileInt(kOptions, kStoryboardBorderIndex, kDefaultBorderIndex), 0, 255));
    choice.index->setEnabled(choice.border->isChecked());
    QObject::connect(choice.border, &QCheckBox::toggled, choice.index, &QWidget::setEnabled);
    auto* label = new QLabel(uLoadString(IDS_STORYBOARD_BORDER_INDEX), choice.panel);
    label->setBuddy(choice.index);

    auto* indexRow = new QHBoxLayout;
    indexRow->addWidget(label);
    indexRow->addWidget(choice.index);
    auto* layout = new QVBoxLayout(choice.panel);
    layout->addWidget(choice.border);
    layout->addLayout(indexRow);
    layout->addStretch(1);
    return choice;
}

// The storyboard filter's extension: 1 PNG, 2 PCX.
QString pictureExtension(int filterIndex)
{
    return filterIndex == 2 ? QStringLiteral("pcx") : QStringLiteral("png");
}

// The header as the animation's file holds it. The player fills in a plain
// file's extension and a zero speed for playing; the storyboard's note must
// say what the file says, or the sheet would not build back the same file.
std::optional<kinetra::FlcHeader> fileHeaderOf(const std::string& path)
{
    std::vector<std::uint8_t> bytes;
    if (!kinetra::readWholeFile(path, bytes) || bytes.size() < kinetra::kFlcHeaderSize)
        return std::nullopt;
    return kinetra::FlcHeader::parse(std::span<const std::uint8_t, kinetra::kFlcHeaderSize>(bytes.data(),
                                                                                            kinetra::kFlcHeaderSize));
}

// Writes the loaded animation's storyboard; false, with the message to show,
// when it cannot be made or written.
bool writeStoryboardOf(const CFlcPlayer& player, const QString& path, std::optional<int> border, QString& message)
{
    const auto header = fileHeaderOf(player.path);
    if (!header) {
        message = uFormatString(IDS_STORYBOARD_EXPORT_FAILED, path, uLoadString(IDS_STORYBOARD_HEADER_UNREADABLE));
        return false;
    }
    std::string problem;
    std::optional<kinetra::WriteFailure> refused;
    const auto storyboard = kinetra::makeStoryboard(player, *header, border, problem);
    if (storyboard
        && kinetra::writeStoryboardFile(QFile::encodeName(path).toStdString(), *storyboard, problem, refused))
        return true;
    message = refused ? cannotWriteMessage(QFile::decodeName(refused->path.c_str()), refused->error)
                      : uFormatString(IDS_STORYBOARD_EXPORT_FAILED, path, QString::fromStdString(problem));
    return false;
}

// Where a built animation is proposed to be saved: beside its sheet, under
// the sheet's name.
QString proposedPathOf(const QString& sheetPath)
{
    const QFileInfo sheet(sheetPath);
    return sheet.absolutePath() + u'/' + sheet.completeBaseName() + QStringLiteral(".flc");
}

} // namespace

void CMainView::OnExportStoryboard()
{
    CFlcPlayer& player = *m_wndPlayer;
    if (!player.loaded)
        return;

    const QString name = QFileInfo(m_pDocument ? m_pDocument->GetProposedPath() : QString()).completeBaseName();
    CFileDialogX dialog(false, pictureExtension(1), name.isEmpty() ? QString() : name + u'.' + pictureExtension(1),
                        OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, uLoadString(IDS_STORYBOARD_FILTER));
    dialog.setWindowTitle(uLoadString(IDS_STORYBOARD_EXPORT_TITLE));
    setExportDialogStart(dialog);
    // A name typed without an extension takes the chosen type's.
    connect(&dialog, &QFileDialog::filterSelected, &dialog,
            [&dialog] { dialog.setDefaultSuffix(pictureExtension(dialog.GetFilterIndex())); });
    const BorderChoice choice = makeBorderPanel();
    dialog.SetCustomPanel(choice.panel);
    if (dialog.DoModal() != IDOK)
        return;

    QString path = dialog.GetPathName();
    if (!kinetra::storyboardFormatOf(QFile::encodeName(path).toStdString()))
        path += u'.' + pictureExtension(dialog.GetFilterIndex());
    uWriteProfileString(kOptions, kExportDir, uGetPathName(path));
    uWriteProfileInt(kOptions, kStoryboardBorder, choice.border->isChecked() ? 1 : 0);
    uWriteProfileInt(kOptions, kStoryboardBorderIndex, choice.index->value());

    QString message;
    if (!writeStoryboardOf(player, path, choice.chosen(), message)) {
        uMessageBox(message, MB_OK | MB_ICONSTOP, this);
        return;
    }
    if (CMainFrame* frame = mainFrame())
        frame->statusBar()->showMessage(uFormatString(IDS_EXPORT_DONE, path), 5000);
}

void CMainView::OnFileNewFromStoryboard()
{
    if (!m_pDocument)
        return;
    CFileDialogX dialog(true, QString(), QString(), OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST,
                        uLoadString(IDS_STORYBOARD_OPEN_FILTER));
    dialog.setWindowTitle(uLoadString(IDS_STORYBOARD_OPEN_TITLE));
    // Storyboards are exported there, drawn on and built from.
    setExportDialogStart(dialog);
    if (dialog.DoModal() != IDOK)
        return;
    const QString sheetPath = dialog.GetPathName();
    const auto refuse = [this, &sheetPath](const QString& reason) {
        uMessageBox(uFormatString(IDS_STORYBOARD_BUILD_FAILED, sheetPath, reason), MB_OK | MB_ICONSTOP, this);
    };

    std::string problem;
    const auto picture = kinetra::readStoryboardFile(QFile::encodeName(sheetPath).toStdString(), problem);
    if (!picture) {
        refuse(QString::fromStdString(problem));
        return;
    }
    // A render, or a sheet in true colour whose note does not keep the
    // colours, is mapped onto the palette the user names.
    std::optional<kinetra::Palette> palette;
    if (!picture->indexed && !(picture->note && picture->note->palette)) {
        CFileDialogX paletteDialog(true, QString(), QString(), OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST,
                                   uLoadString(IDS_STORYBOARD_PALETTE_FILTER));
        paletteDialog.setWindowTitle(uLoadString(IDS_STORYBOARD_PALETTE_TITLE));
        const QString lastPalette = uGetProfileString(kOptions, kPaletteFile);
        if (!lastPalette.isEmpty() && uIsFileExist(lastPalette))
            paletteDialog.SetInitialDir(lastPalette);
        if (paletteDialog.DoModal() != IDOK)
            return;
        const QString palettePath = paletteDialog.GetPathName();
        uWriteProfileString(kOptions, kPaletteFile, palettePath);
        palette = readPaletteFrom(palettePath);
        if (!palette) {
            uMessageBox(uFormatString(IDS_STORYBOARD_PALETTE_INVALID, palettePath), MB_OK | MB_ICONSTOP, this);
            return;
        }
    }
    kinetra::StoryboardFacts facts;
    if (!picture->note) {
        CStoryboardLayoutDlg layout(picture->width, picture->height, this);
        if (layout.DoModal() != IDOK)
            return;
        facts = layout.Facts();
    }
    const auto build = kinetra::buildFromStoryboard(*picture, facts, palette, problem);
    if (!build) {
        refuse(QString::fromStdString(problem));
        return;
    }

    if (!SaveModified())
        return;
    if (!m_pDocument->SetUnsavedContents(build->file, proposedPathOf(sheetPath))) {
        refuse(uLoadString(IDS_STORYBOARD_SCRATCH_FAILED));
        return;
    }
    OnInitialUpdate();
    if (const kinetra::ApproximatedPixels& near = build->approximated; near.total() > 0) {
        using kinetra::IndexClass;
        uMessageBox(uFormatString(IDS_STORYBOARD_APPROXIMATED, sheetPath, qulonglong(near.total()),
                                  qulonglong(near.of(IndexClass::Civilization)),
                                  qulonglong(near.of(IndexClass::Ordinary)), qulonglong(near.of(IndexClass::Light)),
                                  qulonglong(near.of(IndexClass::Shadow)),
                                  qulonglong(near.of(IndexClass::Transparent))),
                    MB_OK | MB_ICONINFORMATION, this);
    }
}
