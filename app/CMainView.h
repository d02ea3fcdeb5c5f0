#pragma once

#include <QPointF>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <QWidget>

#include <array>
#include <cstdint>
#include <map>

namespace kinetra {
struct ApproximatedPixels;
struct SourceOptions;
struct HeaderEdits;
struct StoryboardBuild;
struct StoryboardPicture;
}

class CButtonST;
class CButtonX;
class CCivColorCombo;
class CFileDialogX;
class CFlcPlayer;
class CKinetraDoc;
class CMainFrame;
class CSourceWatcher;
class QAbstractButton;
class QButtonGroup;
class QCheckBox;
class QLabel;
class QLayout;
class QRadioButton;
class QScrollArea;
class QSlider;

// Control ids of the view's form; the frame and the tests find the controls
// by them.
enum : int {
    IDC_PLAY = 1000,
    IDC_PAUSE = 1002,
    IDC_STOP = 1003,
    IDC_INFO = 1005,
    IDC_DIR_NW = 1006,
    IDC_DIR_N = 1008,
    IDC_DIR_NE = 1009,
    IDC_DIR_E = 1010,
    IDC_DIR_ALL = 1011,
    IDC_DIR_SE = 1013,
    IDC_DIR_S = 1014,
    IDC_DIR_SW = 1015,
    IDC_DIR_W = 1016,
    IDC_CUR_FRAME = 1019,
    IDC_LAST_FRAME = 1020,
    IDC_FIRST = 1021,
    IDC_BACK = 1022,
    IDC_FORWARD = 1023,
    IDC_LAST = 1024,
    IDC_DELAY_DEFAULT = 1026,
    IDC_DELAY_CUSTOM = 1027,
    IDC_DELAY_SLIDER = 1028,
    IDC_PLAYER = 1029,
    IDC_FRAME_SLIDER = 1031,
    IDC_CIV_COLOR = 1032,
    IDC_PALETTE = 1034,
    IDC_PREVIOUS = 1050,
    IDC_DEFAULT_DELAY = 1051,
    IDC_NEXT = 1052,
    IDC_ALPHA_BLEND = 1068,
};

// The view: the picture of the animation and the form of controls that
// drive it, and the handlers of the playback, background and colouring
// commands (the frame's menus and toolbar run the same handlers).
class CMainView : public QWidget {
    Q_OBJECT

public:
    // The view's own timer: winding, every 100 ms.
    static constexpr int kWindingTimer = 2;
    static constexpr int kWindingInterval = 100;

    explicit CMainView(CKinetraDoc* document, QWidget* parent = nullptr);
    ~CMainView() override;

    // First time: sets up the controls and the player; later: unloads it.
    // Then loads the document's path. Also the Refresh command and the
    // recovery after a failed palette operation.
    virtual void OnInitialUpdate();
    // Recomputes the enabled and checked states of the controls.
    void UpdateControls();
    // The frame counters follow the player.
    void UpdateFrameCounter();
    // The frame slider follows the player's range and frame.
    void UpdateFrameSlider();
    // Chooses a direction (0 all, 1..8 SW..W); true when the player took it.
    bool SelectDirection(int value);

    // Commands.
    void OnPlay();
    void OnPause();
    void OnStop();
    void OnInfo();
    void OnBgdDefault();
    void OnBgdCustom();
    void OnBgdSea();
    void OnBgdLand();
    void OnBgdSelectColor();
    void OnFirst();
    void OnPrevious();
    void OnNext();
    void OnLast();
    void OnBackWind();
    void OnForwardWind();
    void OnAlphaBlend();
    // The colour pop-up's choice (0xFF000000 for its default entry) for the
    // control `controlId`; returns 1.
    int OnColourSelected(unsigned colour, unsigned controlId);
    // The colour list accepted a selection.
    void OnCivColorSelected();
    // The palette dialog, palette files and saving (CMainViewFiles.cpp).
    void OnPalette();
    void OnImportPalette();
    void OnExportPalette();
    void OnFileSave();
    void OnFileSaveAs();
    // Before the document is replaced or the window closes: an animation
    // built from a storyboard and saved nowhere yet is saved on the user's
    // word. False when the user chose to keep it open (or its save failed).
    bool SaveModified();
    // The animation as it plays, to an animated GIF or a sprite sheet
    // (CMainViewExport.cpp).
    void OnExportGif();
    void OnExportSheet();
    // Every frame into one 8-bit storyboard picture, and a new unsaved
    // animation built from such a picture (CMainViewStoryboard.cpp).
    void OnExportStoryboard();
    void OnFileNewFromStoryboard();
    // A new unsaved animation built from one picture per frame
    // (CMainViewFrames.cpp).
    void OnFileNewFromFrames();
    // The picture's zoom, kept in the settings, and its class marks
    // (CMainViewPicture.cpp): what is drawn, never what plays.
    void SetZoom(int zoom);
    void OnZoomIn();
    void OnZoomOut();
    void OnActualSize();
    void OnShowClasses();
    // Only the picture, without margins, or the whole form again.
    void SetCompact(bool on);
    // Opens a storyboard (a sheet, or a note of filmstrips or cels) as the
    // document: asks what its files do not say, builds the animation and
    // plays it (CMainViewLive.cpp). False when it cannot be built
    // (`refused`, after saying why) or the user cancelled.
    bool OpenStoryboard(const QString& path, bool& refused);
    // The unit's speed, offsets and original size (CMainViewUnit.cpp).
    void OnProperties();
    // A timer of the view fired.
    void OnTimer(int timerId);
    void StopWinding();

    CKinetraDoc* GetDocument() const { return m_pDocument; }
    CFlcPlayer& Player() { return *m_wndPlayer; }
    const CFlcPlayer& Player() const { return *m_wndPlayer; }
    // The form's control of id `controlId` (IDC_*), or null.
    QWidget* GetDlgItem(int controlId) const;
    // The colour pop-up while it is open.
    QWidget* ColourPopup() const { return m_pColourPopup.data(); }

    bool m_bBackWind = false;
    bool m_bForwardWind = false;
    int m_nDelayMode = 0;
    int m_nCivColor = 0;
    QString m_strCurFrame;
    QString m_strLastFrame;
    QString m_strDefaultDelay;

signals:
    // Something the frame's commands depend on changed.
    void stateChanged();
    // An export rendered `done` of `total` frames.
    void exportProgressed(int done, int total);
    // The zoom changed: the window grows or shrinks with the picture.
    void zoomChanged();
    // The document's files changed on disk and the animation they make now
    // plays in place of the last.
    void sourcesTakenIn();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void createForm();
    QWidget* createDirectionGroup();
    QWidget* createDelayGroup();
    CButtonX* makeButton(int controlId, const QString& text);
    void setButtonLooks();
    void setupSliders();
    // The picture's area takes the zoomed picture, up to what the screen
    // leaves the window; beyond that it scrolls.
    void fitPictureArea();
    // Zooms by `steps` keeping the picture's point at `at` (the player's
    // own position) under the pointer.
    void zoomAt(int steps, const QPointF& at);
    // The controls show the fields (the framework's data exchange).
    void transferToControls();
    void showWindingFlags();
    void toggleWinding(bool backwards);
    void onDelayModeClicked(int mode);
    void onFrameSliderTracked(int position);
    void onFrameSliderReleased();
    void onDelaySliderReleased();
    // Plays a unit built from `sourcePath` as an unsaved document, after the
    // user's word on one that is open unsaved; says how many pixels took a
    // near colour.
    void playBuilt(const kinetra::StoryboardBuild& build, const QString& sourcePath);
    // Says how many pixels of the storyboard at `sourcePath` took a near
    // colour, if any did.
    void showApproximated(const kinetra::ApproximatedPixels& near, const QString& sourcePath);
    // Asks what the sheet at `path` does not say: a palette for a
    // true-colour one whose note keeps no colours, and its layout without a
    // note. False when the user cancelled or the palette could not be read
    // (said).
    bool askSheetOptions(const kinetra::StoryboardPicture& picture, kinetra::SourceOptions& options);
    // Offers to keep the layout the user gave in the sheet's sidecar note;
    // true when it was written.
    bool offerLayoutNote(const QString& sheetPath, const kinetra::SourceOptions& options);

    // What the user chose of the playing that a change of the document's
    // files must not undo.
    struct PlayerChoices {
        bool loaded = false;
        int direction = 0;
        int position = 0; // the frame within the direction's range
        bool playing = false;
        bool paused = false;
        bool fileSpeed = true;
        std::uint32_t customDelay = 0;
        int civColor = 0;
    };
    PlayerChoices playerChoices() const;
    void restorePlayerChoices(const PlayerChoices& choices);
    // The document's files changed and have been quiet: the animation they
    // make now is taken in, unless it cannot be made, which the status bar
    // then says while the last good one plays on.
    void onSourcesChanged();
    void takeInSources();
    void showSourceProblem(const QString& problem);
    CMainFrame* mainFrame() const;
    // Entry 6 of the display palette (the civilization colour the swatches
    // show) as a colour reference.
    unsigned civSwatchColor() const;
    // Colouring n from the palette source the settings name; false when it
    // cannot be had.
    bool loadCivColor(int n);
    // After the palette became the animation's own: the colour list is back
    // at "Default" with the new colour on its swatch.
    void showPaletteAsDefault();
    // Writes the animation to path; on failure tells the user.
    bool saveAnimation(const QString& path);
    // Save and Save As; true when the document was written.
    bool saveDocument();
    bool saveDocumentAs();
    // kind 1 animated GIF, 2 sprite sheet.
    void exportAnimation(int kind);
    // An export dialog starts in the last export's folder, else in the
    // document's own.
    void setExportDialogStart(CFileDialogX& dialog) const;
    // The picture takes the focus, and Ctrl+arrow keys on it move the frame.
    void setupFrameNudging();
    // Moves a game unit's frame by dx, dy pixels within what the offsets
    // hold; false when there is no such unit.
    bool nudgeFrame(int dx, int dy);
    // The unit's header fields changed, shown and marked as an unsaved change.
    void editUnit(const kinetra::HeaderEdits& edits);

    CKinetraDoc* m_pDocument;
    QScrollArea* m_pPictureArea = nullptr;
    // Everything beside the picture, hidden in the compact window.
    QLayout* m_pControls = nullptr;
    QMargins m_formMargins;
    CFlcPlayer* m_wndPlayer = nullptr;

    QCheckBox* m_checkAlpha = nullptr;
    CButtonX* m_btnForward = nullptr;
    CButtonX* m_btnBack = nullptr;
    CButtonX* m_btnPlay = nullptr;
    CButtonX* m_btnPause = nullptr;
    CButtonX* m_btnStop = nullptr;
    CButtonX* m_btnFirst = nullptr;
    CButtonX* m_btnPrevious = nullptr;
    CButtonX* m_btnNext = nullptr;
    CButtonX* m_btnLast = nullptr;
    CButtonX* m_btnInfo = nullptr;
    CButtonX* m_btnPalette = nullptr;
    // W, SW, SE, S, NW, NE, N, E, All.
    std::array<CButtonST*, 9> m_btnDirections{};
    QLabel* m_labelCurFrame = nullptr;
    QLabel* m_labelLastFrame = nullptr;
    QLabel* m_labelDefaultDelay = nullptr;
    QRadioButton* m_radioDefault = nullptr;
    QRadioButton* m_radioCustom = nullptr;
    QButtonGroup* m_delayGroup = nullptr;
    CCivColorCombo* m_comboCivColor = nullptr;
    QSlider* m_sliderDelay = nullptr;
    QSlider* m_sliderFrame = nullptr;
    QPointer<QWidget> m_pColourPopup;
    std::map<int, QWidget*> m_controls;
    QTimer m_windingTimer;
    CSourceWatcher* m_pSourceWatcher = nullptr;
    // A question asked while taking the files in runs the event loop, where
    // they may change again: that change waits for this one.
    bool m_bTakingIn = false;
    bool m_bTakeInAgain = false;
    bool m_bInitialized = false;
    // Set while the program moves a slider, so that only the user's moves
    // count as the user's.
    bool m_bSettingSliders = false;
};
