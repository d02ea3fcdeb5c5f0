// A unit from one picture per frame in the window: the pictures chosen, what
// they cannot say asked, and the animation built to play at once, unsaved
// until the user gives it a file, as a storyboard's is.

#include "app/CKinetraDoc.h"
#include "app/CMainView.h"
#include "app/PaletteSources.h"
#include "imaging/CFlcPlayer.h"
#include "res/Resource.h"
#include "storyboard/FrameSeries.h"
#include "storyboard/FrameSeriesBuild.h"
#include "storyboard/StoryboardSet.h"
#include "ui/CFramesBuildDlg.h"
#include "ui/CMainFrame.h"
#include "uikit/CFileDialogX.h"
#include "uikit/Modal.h"
#include "uikit/StringTable.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QStatusBar>

#include <algorithm>
#include <cmath>

namespace {

// Where a unit built from a folder of pictures is proposed to be saved:
// beside the folder, under its name.
QString proposedPathOf(const QString& firstPicture)
{
    const QFileInfo folder(QFileInfo(firstPicture).absolutePath());
    return folder.absolutePath() + u'/' + folder.fileName() + QStringLiteral(".flc");
}

QString originText(kinetra::SeriesPalette origin)
{
    switch (origin) {
    case kinetra::SeriesPalette::Pictures:
        return uLoadString(IDS_FRAMES_ORIGIN_PICTURES);
    case kinetra::SeriesPalette::Generated:
        return uLoadString(IDS_FRAMES_ORIGIN_GENERATED);
    case kinetra::SeriesPalette::Given:
        break;
    }
    return uLoadString(IDS_FRAMES_ORIGIN_GIVEN);
}

QString builtText(const kinetra::FrameSeriesBuild& build)
{
    using kinetra::IndexClass;
    const auto pixels = [&build](IndexClass c) { return qulonglong(build.pixelsPerClass[std::size_t(c)]); };
    const kinetra::StoryboardLayout& layout = build.layout;
    return uFormatString(IDS_FRAMES_BUILT, layout.directions, layout.framesPerDirection, layout.frameWidth,
                         layout.frameHeight, originText(build.paletteOrigin), pixels(IndexClass::Civilization),
                         pixels(IndexClass::Ordinary), pixels(IndexClass::Light), pixels(IndexClass::Shadow),
                         pixels(IndexClass::Transparent), int(std::lround(build.largestOrdinaryError)));
}

} // namespace

void CMainView::OnFileNewFromFrames()
{
    if (!m_pDocument)
        return;
    CFileDialogX dialog(true, QString(), QString(), OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST,
                        uLoadString(IDS_FRAMES_OPEN_FILTER));
    dialog.setWindowTitle(uLoadString(IDS_FRAMES_OPEN_TITLE));
    dialog.setFileMode(QFileDialog::ExistingFiles);
    setExportDialogStart(dialog);
    if (dialog.DoModal() != IDOK)
        return;
    QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty())
        return;
    std::sort(chosen.begin(), chosen.end(), [](const QString& a, const QString& b) {
        return kinetra::naturalLess(QFile::encodeName(a).toStdString(), QFile::encodeName(b).toStdString());
    });
    const auto refuse = [this, &chosen](const QString& reason) {
        uMessageBox(uFormatString(IDS_FRAMES_BUILD_FAILED, chosen.front(), reason), MB_OK | MB_ICONSTOP, this);
    };
    if (chosen.size() == 1 && QFile::encodeName(chosen.front()).endsWith(kinetra::kStoryboardNoteSuffix.data())) {
        // A note of filmstrips or cels says all the pictures cannot.
        std::string why;
        const auto build = kinetra::buildFromStoryboardSet(QFile::encodeName(chosen.front()).toStdString(), {},
                                                           std::nullopt, why);
        if (!build)
            refuse(QString::fromStdString(why));
        else
            playBuilt(*build, chosen.front());
        return;
    }

    CFramesBuildDlg ask(int(chosen.size()), Player().loaded, this);
    if (ask.DoModal() != IDOK)
        return;
    kinetra::FrameSeriesRequest request;
    QString problem;
    if (!ask.Request(request, problem)) {
        refuse(problem);
        return;
    }
    if (ask.Source() == CFramesBuildDlg::PaletteSource::Current) {
        request.givenPalette = Player().filePalette;
    } else if (ask.Source() == CFramesBuildDlg::PaletteSource::File) {
        if (ask.PaletteFile().isEmpty()) {
            refuse(uLoadString(IDS_FRAMES_NO_PALETTE_FILE));
            return;
        }
        request.givenPalette = readPaletteFrom(ask.PaletteFile());
        if (!request.givenPalette) {
            uMessageBox(uFormatString(IDS_STORYBOARD_PALETTE_INVALID, ask.PaletteFile()), MB_OK | MB_ICONSTOP, this);
            return;
        }
    }
    for (const QString& path : std::as_const(chosen))
        request.pictures.push_back(QFile::encodeName(path).toStdString());

    std::string why;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const auto build = kinetra::buildFromFrames(request, why);
    QApplication::restoreOverrideCursor();
    if (!build) {
        refuse(QString::fromStdString(why));
        return;
    }
    if (!SaveModified())
        return;
    if (!m_pDocument->SetUnsavedContents(build->file, proposedPathOf(chosen.front()))) {
        refuse(uLoadString(IDS_STORYBOARD_SCRATCH_FAILED));
        return;
    }
    OnInitialUpdate();
    if (CMainFrame* frame = mainFrame())
        frame->statusBar()->showMessage(builtText(*build));
}
