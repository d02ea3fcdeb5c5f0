// Documents that follow their files: a storyboard opened as the document is
// built and played, and whenever its pictures or note are saved it is built
// again and takes the place of the last animation as the user left it (the
// direction, the frame, playing or not, the background, the colouring). An
// FLC changed on disk is read again the same way. A change that does not
// make an animation (a save caught halfway, a picture of the wrong size)
// leaves the last good one playing, and the status bar says why until a
// good one comes.

#include "app/CCivColorCombo.h"
#include "app/CKinetraDoc.h"
#include "app/CMainView.h"
#include "app/CSourceWatcher.h"
#include "app/ErrorReason.h"
#include "imaging/CFlcPlayer.h"
#include "io/AtomicFile.h"
#include "io/WholeFile.h"
#include "res/Resource.h"
#include "storyboard/DocumentSource.h"
#include "storyboard/StoryboardFile.h"
#include "ui/CMainFrame.h"
#include "uikit/Modal.h"
#include "uikit/StringTable.h"

#include <QFile>
#include <QFileInfo>
#include <QSignalBlocker>
#include <QSlider>

#include <algorithm>
#include <span>

namespace {

std::string localPath(const QString& path)
{
    return QFile::encodeName(path).toStdString();
}

QStringList pathsOf(const std::vector<std::string>& files)
{
    QStringList paths;
    for (const std::string& file : files)
        paths.append(QFile::decodeName(file.c_str()));
    return paths;
}

// The bytes decode as the player would decode them: an FLC caught halfway
// through its save does not.
bool isReadableAnimation(std::span<const std::uint8_t> file)
{
    kinetra::CFlcAnimation animation;
    return animation.LoadFromMemory(file, false) == kinetra::kOk;
}

// Whether the scratch copy the player shows already holds these bytes (a
// save that changed nothing the unit is made of, such as a note written
// again with the same facts).
bool alreadyShown(const QString& loadPath, std::span<const std::uint8_t> file)
{
    std::vector<std::uint8_t> shown;
    return kinetra::readWholeFile(localPath(loadPath), shown) && std::ranges::equal(shown, file);
}

} // namespace

bool CMainView::OpenStoryboard(const QString& path, bool& refused)
{
    refused = false;
    if (!m_pDocument)
        return false;
    const auto refuse = [this, &path, &refused](const QString& reason) {
        refused = true;
        uMessageBox(uFormatString(IDS_STORYBOARD_BUILD_FAILED, path, reason), MB_OK | MB_ICONSTOP, this);
        return false;
    };

    const std::string local = localPath(path);
    std::string problem;
    kinetra::SourceOptions options;
    std::optional<kinetra::SourceBuild> build;
    bool layoutAsked = false;
    if (kinetra::sourceKindOf(local) == kinetra::SourceKind::Sheet) {
        const auto picture = kinetra::readStoryboardFile(local, problem);
        if (!picture)
            return refuse(QString::fromStdString(problem));
        if (!askSheetOptions(*picture, options))
            return false;
        layoutAsked = kinetra::sheetLacksLayout(*picture);
        build = kinetra::buildSheetSource(local, *picture, options, problem);
    } else {
        build = kinetra::buildSource(local, options, problem);
    }
    if (!build)
        return refuse(QString::fromStdString(problem));
    // Once the note holds the layout it is the note that says it: a fact
    // edited there later is taken in.
    if (layoutAsked && offerLayoutNote(path, options))
        options.facts = {};

    if (!SaveModified())
        return false;
    if (!m_pDocument->SetStoryboardContents(build->file, path, options, pathsOf(build->sources)))
        return refuse(uLoadString(IDS_STORYBOARD_SCRATCH_FAILED));
    m_pDocument->SetModifiedFlag(false);
    OnInitialUpdate();
    showApproximated(build->approximated, path);
    return true;
}

bool CMainView::offerLayoutNote(const QString& sheetPath, const kinetra::SourceOptions& options)
{
    const QString notePath = QFile::decodeName(kinetra::storyboardNotePath(localPath(sheetPath)).c_str());
    if (uMessageBox(uFormatString(IDS_ASK_WRITE_NOTE, QFileInfo(notePath).fileName()), MB_YESNO | MB_ICONQUESTION,
                    this)
        != IDYES)
        return false;
    kinetra::StoryboardNote note;
    note.facts = options.facts;
    const std::string text = kinetra::writeStoryboardNote(note);
    std::error_code error;
    if (kinetra::writeFileAtomically(localPath(notePath),
                                     std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()),
                                     error))
        return true;
    uMessageBox(cannotWriteMessage(notePath, error), MB_OK | MB_ICONSTOP, this);
    return false;
}

// --- Taking the files in again ------------------------------------------------

CMainView::PlayerChoices CMainView::playerChoices() const
{
    const CFlcPlayer& player = *m_wndPlayer;
    PlayerChoices choices;
    choices.loaded = player.loaded;
    choices.direction = player.direction;
    choices.position = player.currentFrame - player.rangeStart;
    choices.playing = player.playing;
    choices.paused = player.paused;
    choices.fileSpeed = player.UsesFileSpeed();
    choices.customDelay = player.customDelay;
    choices.civColor = m_nCivColor;
    return choices;
}

void CMainView::restorePlayerChoices(const PlayerChoices& choices)
{
    CFlcPlayer& player = *m_wndPlayer;
    if (!choices.loaded || !player.loaded)
        return;
    // The background and blending live in the player across loads; what a
    // load starts afresh is put back. A unit that lost directions or frames
    // keeps as much of the choice as it still has.
    player.SetDirection(choices.direction);
    if (!choices.playing)
        player.Stop();
    player.SeekFrame(choices.position);
    if (choices.paused)
        player.Pause();
    if (!choices.fileSpeed) {
        player.SetCustomDelay(choices.customDelay);
        const QSignalBlocker block(m_sliderDelay);
        m_sliderDelay->setValue(int(choices.customDelay));
    }
    if (choices.civColor != 0 && loadCivColor(choices.civColor)) {
        m_nCivColor = choices.civColor;
        m_comboCivColor->SetItemColor(m_nCivColor, civSwatchColor());
    }
    transferToControls();
    UpdateFrameCounter();
    UpdateFrameSlider();
    UpdateControls();
    // The picture as chosen at once, not a timer tick later.
    player.ComposeFrame();
    if (kinetra::CScreen* screen = player.GetScreen())
        (void)screen->Present();
}

void CMainView::onSourcesChanged()
{
    if (m_bTakingIn) {
        m_bTakeInAgain = true;
        return;
    }
    m_bTakingIn = true;
    do {
        m_bTakeInAgain = false;
        takeInSources();
    } while (m_bTakeInAgain);
    m_bTakingIn = false;
}

void CMainView::takeInSources()
{
    if (!m_pDocument)
        return;
    const bool storyboard = m_pDocument->IsStoryboard();
    const QString path = storyboard ? m_pDocument->GetSourcePath() : m_pDocument->GetPathName();
    if (path.isEmpty())
        return;
    std::string problem;
    auto build = kinetra::buildSource(localPath(path), m_pDocument->GetSourceOptions(), problem);
    if (build && !storyboard && !isReadableAnimation(build->file)) {
        build.reset();
        problem = uLoadString(IDS_SOURCE_NOT_ANIMATION).toStdString();
    }
    if (!build) {
        // A note may now name other pictures: those are waited for too.
        if (storyboard)
            m_pSourceWatcher->Watch(m_pDocument->GetSourceFiles()
                                    + pathsOf(kinetra::sourceFilesOf(localPath(path))));
        showSourceProblem(uFormatString(IDS_SOURCE_NOT_SHOWN, QFileInfo(path).fileName(),
                                        QString::fromStdString(problem)));
        return;
    }
    const QStringList sources = pathsOf(build->sources);
    if (storyboard && alreadyShown(m_pDocument->GetLoadPath(), build->file)) {
        // Nothing to show anew, but a note may name its pictures otherwise.
        m_pDocument->ReplaceBuiltContents(build->file, sources);
        m_pSourceWatcher->Watch(sources);
        showSourceProblem(QString());
        return;
    }
    if (m_pDocument->IsModified()
        && uMessageBox(uFormatString(IDS_ASK_RELOAD_CHANGED, QFileInfo(path).fileName()), MB_YESNO | MB_ICONQUESTION,
                       this)
               != IDYES)
        return;

    const PlayerChoices choices = playerChoices();
    if (storyboard && !m_pDocument->ReplaceBuiltContents(build->file, sources)) {
        showSourceProblem(uFormatString(IDS_SOURCE_NOT_SHOWN, QFileInfo(path).fileName(),
                                        uLoadString(IDS_STORYBOARD_SCRATCH_FAILED)));
        return;
    }
    // Loads the document's file again and watches its files as they are now.
    OnInitialUpdate();
    restorePlayerChoices(choices);
    m_pDocument->SetModifiedFlag(false);
    emit sourcesTakenIn();
}

void CMainView::showSourceProblem(const QString& problem)
{
    if (CMainFrame* frame = mainFrame())
        frame->ShowSourceProblem(problem);
}
