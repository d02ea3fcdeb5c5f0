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
#include "storyboard/DocumentSource.h"
#include "storyboard/StoryboardFile.h"
#include "storyboard/StoryboardSet.h"
#include "ui/CMainFrame.h"
#include "ui/CStoryboardLayoutDlg.h"
#include "uikit/CFileDialogX.h"
#include "uikit/Modal.h"
#include "uikit/Paths.h"
#include "uikit/Profile.h"
#include "uikit/StringTable.h"

#include <QCheckBox>
#include <QComboBox>
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

// The layout and grid choices beside the file list.
struct ExportChoice {
    QWidget* panel = nullptr;
    QComboBox* layout = nullptr;
    QCheckBox* border = nullptr;
    QSpinBox* index = nullptr;

    std::optional<int> chosen() const { return border->isChecked() ? std::optional(index->value()) : std::nullopt; }
    kinetra::StoryboardLayoutKind kind() const { return kinetra::StoryboardLayoutKind(layout->currentData().toInt()); }
};

ExportChoice makeExportPanel()
{
    ExportChoice choice;
    choice.panel = new QWidget;
    choice.layout = new QComboBox(choice.panel);
    choice.layout->setObjectName(QStringLiteral("Layout"));
    choice.layout->addItem(uLoadString(IDS_FRAMES_LAYOUT_SHEET), int(kinetra::StoryboardLayoutKind::Sheet));
    choice.layout->addItem(uLoadString(IDS_FRAMES_LAYOUT_FILMSTRIPS), int(kinetra::StoryboardLayoutKind::Filmstrips));
    choice.layout->addItem(uLoadString(IDS_FRAMES_LAYOUT_CELS), int(kinetra::StoryboardLayoutKind::Cels));
    choice.layout->setCurrentIndex(std::clamp(uGetProfileInt(kOptions, kStoryboardLayout, 0), 0, 2));
    auto* layoutLabel = new QLabel(uLoadString(IDS_FRAMES_LAYOUT), choice.panel);
    layoutLabel->setBuddy(choice.layout);
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
    layout->addWidget(layoutLabel);
    layout->addWidget(choice.layout);
    layout->addWidget(choice.border);
    layout->addLayout(indexRow);
    layout->addStretch(1);
    return choice;
}

// The storyboard filter's extension: 1 PNG, 2 PCX, 3 BMP.
QString pictureExtension(int filterIndex)
{
    return filterIndex == 2 ? QStringLiteral("pcx") : filterIndex == 3 ? QStringLiteral("bmp") : QStringLiteral("png");
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

// Writes the loaded animation's storyboard in the chosen layout; false,
// with the message to show, when it cannot be made or written.
bool writeStoryboardOf(const CFlcPlayer& player, const QString& path, const ExportChoice& choice, QString& message)
{
    const auto header = fileHeaderOf(player.path);
    if (!header) {
        message = uFormatString(IDS_STORYBOARD_EXPORT_FAILED, path, uLoadString(IDS_STORYBOARD_HEADER_UNREADABLE));
        return false;
    }
    std::string problem;
    std::optional<kinetra::WriteFailure> refused;
    // Drawn from the frame block as it is written, never held whole.
    const auto storyboard = kinetra::storyboardFramesOf(player, *header, choice.chosen(), problem);
    if (storyboard
        && kinetra::writeStoryboardSet(QFile::encodeName(path).toStdString(), *storyboard, choice.kind(), problem,
                                       refused))
        return true;
    message = refused ? cannotWriteMessage(QFile::decodeName(refused->path.c_str()), refused->error)
                      : uFormatString(IDS_STORYBOARD_EXPORT_FAILED, path, QString::fromStdString(problem));
    return false;
}

QString proposedPathOf(const QString& sheetPath)
{
    const QString sheet = QFileInfo(sheetPath).absoluteFilePath();
    return QFile::decodeName(kinetra::builtAnimationPath(QFile::encodeName(sheet).toStdString()).c_str());
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
    const ExportChoice choice = makeExportPanel();
    dialog.SetCustomPanel(choice.panel);
    if (dialog.DoModal() != IDOK)
        return;

    QString path = dialog.GetPathName();
    if (!kinetra::storyboardFormatOf(QFile::encodeName(path).toStdString()))
        path += u'.' + pictureExtension(dialog.GetFilterIndex());
    uWriteProfileString(kOptions, kExportDir, uGetPathName(path));
    uWriteProfileInt(kOptions, kStoryboardBorder, choice.border->isChecked() ? 1 : 0);
    uWriteProfileInt(kOptions, kStoryboardBorderIndex, choice.index->value());
    uWriteProfileInt(kOptions, kStoryboardLayout, choice.layout->currentIndex());

    QString message;
    if (!writeStoryboardOf(player, path, choice, message)) {
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
    const std::string localPath = QFile::encodeName(sheetPath).toStdString();
    if (localPath.ends_with(kinetra::kStoryboardNoteSuffix)) {
        // Filmstrips or cels: the note names them and says all the rest.
        const auto build = kinetra::buildFromStoryboardSet(localPath, {}, std::nullopt, problem);
        if (!build)
            refuse(QString::fromStdString(problem));
        else
            playBuilt(*build, sheetPath);
        return;
    }
    const auto picture = kinetra::readStoryboardFile(localPath, problem);
    if (!picture) {
        refuse(QString::fromStdString(problem));
        return;
    }
    kinetra::SourceOptions options;
    if (!askSheetOptions(*picture, options))
        return;
    const auto build = kinetra::buildFromStoryboard(*picture, options.facts, options.palette, problem);
    if (!build) {
        refuse(QString::fromStdString(problem));
        return;
    }

    playBuilt(*build, sheetPath);
}

bool CMainView::askSheetOptions(const kinetra::StoryboardPicture& picture, kinetra::SourceOptions& options)
{
    // A render, or a sheet in true colour whose note does not keep the
    // colours, is mapped onto the palette the user names.
    if (kinetra::sheetLacksPalette(picture)) {
        CFileDialogX paletteDialog(true, QString(), QString(), OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST,
                                   uLoadString(IDS_STORYBOARD_PALETTE_FILTER));
        paletteDialog.setWindowTitle(uLoadString(IDS_STORYBOARD_PALETTE_TITLE));
        const QString lastPalette = uGetProfileString(kOptions, kPaletteFile);
        if (!lastPalette.isEmpty() && uIsFileExist(lastPalette))
            paletteDialog.SetInitialDir(lastPalette);
        if (paletteDialog.DoModal() != IDOK)
            return false;
        const QString palettePath = paletteDialog.GetPathName();
        uWriteProfileString(kOptions, kPaletteFile, palettePath);
        options.palette = readPaletteFrom(palettePath);
        if (!options.palette) {
            uMessageBox(uFormatString(IDS_STORYBOARD_PALETTE_INVALID, palettePath), MB_OK | MB_ICONSTOP, this);
            return false;
        }
    }
    if (kinetra::sheetLacksLayout(picture)) {
        CStoryboardLayoutDlg layout(picture.width, picture.height, this);
        if (layout.DoModal() != IDOK)
            return false;
        options.facts = layout.Facts();
    }
    return true;
}

void CMainView::playBuilt(const kinetra::StoryboardBuild& build, const QString& sourcePath)
{
    if (!SaveModified())
        return;
    if (!m_pDocument->SetUnsavedContents(build.file, proposedPathOf(sourcePath))) {
        uMessageBox(uFormatString(IDS_STORYBOARD_BUILD_FAILED, sourcePath, uLoadString(IDS_STORYBOARD_SCRATCH_FAILED)),
                    MB_OK | MB_ICONSTOP, this);
        return;
    }
    OnInitialUpdate();
    showApproximated(build.approximated, sourcePath);
}

void CMainView::showApproximated(const kinetra::ApproximatedPixels& near, const QString& sourcePath)
{
    if (near.total() == 0)
        return;
    using kinetra::IndexClass;
    uMessageBox(uFormatString(IDS_STORYBOARD_APPROXIMATED, sourcePath, qulonglong(near.total()),
                              qulonglong(near.of(IndexClass::Civilization)), qulonglong(near.of(IndexClass::Ordinary)),
                              qulonglong(near.of(IndexClass::Light)), qulonglong(near.of(IndexClass::Shadow)),
                              qulonglong(near.of(IndexClass::Transparent))),
                MB_OK | MB_ICONINFORMATION, this);
}
