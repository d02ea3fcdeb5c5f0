#include "ui/CMainFrame.h"

#include "app/CKinetraApp.h"
#include "app/CKinetraDoc.h"
#include "app/CMainView.h"
#include "imaging/CFlcPlayer.h"
#include "io/SettingNames.h"
#include "res/KinetraIcons.h"
#include "res/Resource.h"
#include "ui/CAboutDlg.h"
#include "ui/CColorStripButton.h"
#include "ui/CMenuLook.h"
#include "ui/COptionsDlg.h"
#include "uikit/CColourPopupXP.h"
#include "uikit/Colour.h"
#include "uikit/Paths.h"
#include "uikit/Profile.h"
#include "uikit/StringTable.h"

#include <QAbstractButton>
#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLabel>
#include <QLayout>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>

#include <algorithm>
#include <utility>

using namespace kinetra::settings;

namespace {

// The saved toolbar finds its place again by this name.
const QString kToolBarName = QStringLiteral("ToolBar");

// A size at or below this is no minimum worth keeping.
constexpr int kMinTrackFloor = 100;

struct Command {
    unsigned id;
    const char* text; // menu text, shortcut text after the tab
    const char* icon; // res/icons name, or null
    QKeySequence shortcut;
};

const Command kCommands[] = {
    {ID_FILE_OPEN, "&Open...\tCtrl+O", "open", QKeySequence(Qt::CTRL | Qt::Key_O)},
    {ID_FILE_NEW_STORYBOARD, "&New from Storyboard...", nullptr, {}},
    {ID_FILE_NEW_FRAMES, "New from Fra&mes...", nullptr, {}},
    {ID_FILE_SAVE, "&Save\tCtrl+S", "save", QKeySequence(Qt::CTRL | Qt::Key_S)},
    {ID_FILE_SAVE_AS, "Save &As...", "save-as", {}},
    {ID_EXPORT_GIF, "Animated &GIF...", nullptr, {}},
    {ID_EXPORT_SHEET, "&Sprite Sheet...", nullptr, {}},
    {ID_EXPORT_STORYBOARD, "&Frames...", nullptr, {}},
    {ID_FILE_PROPERTIES, "Propert&ies...", nullptr, {}},
    {ID_FILE_REFRESH, "&Refresh\tF5", "refresh", QKeySequence(Qt::Key_F5)},
    {ID_APP_EXIT, "E&xit\tAlt+F4, F12", "exit", QKeySequence(Qt::Key_F12)},
    {ID_VIEW_TOOLBAR, "&Toolbar", nullptr, {}},
    {ID_VIEW_STATUS_BAR, "&Status Bar", nullptr, {}},
    {ID_ALWAYS_ON_TOP, "&Always on Top", nullptr, {}},
    {ID_VIEW_COMPACT, "Co&mpact", nullptr, {}},
    {ID_VIEW_ZOOM_IN, "Zoom &In\tCtrl++", nullptr, QKeySequence(Qt::CTRL | Qt::Key_Plus)},
    {ID_VIEW_ZOOM_OUT, "Zoom &Out\tCtrl+-", nullptr, QKeySequence(Qt::CTRL | Qt::Key_Minus)},
    {ID_VIEW_ACTUAL_SIZE, "Actual Si&ze\tCtrl+0", nullptr, QKeySequence(Qt::CTRL | Qt::Key_0)},
    {ID_VIEW_SHOW_CLASSES, "Show &Classes", nullptr, {}},
    {ID_FLC_PLAY, "Pla&y", "play", {}},
    {ID_FLC_PAUSE, "&Pause\tP", "pause", QKeySequence(Qt::Key_P)},
    {ID_FLC_STOP, "&Stop", "stop", {}},
    {ID_FLC_FIRST, "&First", "first", {}},
    {ID_FLC_BACK, "&Back", "back", {}},
    {ID_FLC_PREVIOUS, "P&revious", "previous", {}},
    {ID_FLC_NEXT, "&Next", "next", {}},
    {ID_FLC_FORWARD, "&Forward", "forward", {}},
    {ID_FLC_LAST, "&Last", "last", {}},
    {ID_BGD_DEFAULT, "&Default", nullptr, {}},
    {ID_BGD_CUSTOM, "&Custom", nullptr, {}},
    {ID_BGD_SEA, "&Sea", nullptr, {}},
    {ID_BGD_LAND, "&Land", nullptr, {}},
    {ID_BGD_SELECT_COLOR, "S&elect color...", "select-color", {}},
    {ID_ALPHA_BLEND, "&Alpha Blend", nullptr, {}},
    {ID_PALETTE, "Pale&tte", "palette", {}},
    {ID_PALETTE_IMPORT, "&Import Palette", "import-palette", {}},
    {ID_PALETTE_EXPORT, "&Export Palette", "export-palette", {}},
    {ID_OPTIONS, "&Options", "options", {}},
    {ID_FLC_INFO, "&Info\tI", "info", QKeySequence(Qt::Key_I)},
    {ID_APP_ABOUT, "&About Kinetra...", "about", {}},
};

// Commands whose menu items carry a check mark.
const unsigned kCheckable[] = {ID_VIEW_TOOLBAR, ID_VIEW_STATUS_BAR, ID_ALWAYS_ON_TOP, ID_FLC_PAUSE,
                               ID_FLC_BACK,     ID_FLC_FORWARD,     ID_ALPHA_BLEND,   ID_VIEW_COMPACT,
                               ID_VIEW_SHOW_CLASSES};
// Commands the view handles; the form's buttons run the same handlers.
const std::pair<unsigned, void (CMainView::*)()> kViewCommands[] = {
    {ID_FLC_PLAY, &CMainView::OnPlay},
    {ID_FLC_PAUSE, &CMainView::OnPause},
    {ID_FLC_STOP, &CMainView::OnStop},
    {ID_FLC_INFO, &CMainView::OnInfo},
    {ID_BGD_DEFAULT, &CMainView::OnBgdDefault},
    {ID_BGD_CUSTOM, &CMainView::OnBgdCustom},
    {ID_BGD_SEA, &CMainView::OnBgdSea},
    {ID_BGD_LAND, &CMainView::OnBgdLand},
    {ID_BGD_SELECT_COLOR, &CMainView::OnBgdSelectColor},
    {ID_FLC_FIRST, &CMainView::OnFirst},
    {ID_FLC_PREVIOUS, &CMainView::OnPrevious},
    {ID_FLC_NEXT, &CMainView::OnNext},
    {ID_FLC_LAST, &CMainView::OnLast},
    {ID_FLC_BACK, &CMainView::OnBackWind},
    {ID_FLC_FORWARD, &CMainView::OnForwardWind},
    {ID_ALPHA_BLEND, &CMainView::OnAlphaBlend},
    {ID_PALETTE, &CMainView::OnPalette},
    {ID_PALETTE_IMPORT, &CMainView::OnImportPalette},
    {ID_PALETTE_EXPORT, &CMainView::OnExportPalette},
    {ID_FILE_SAVE, &CMainView::OnFileSave},
    {ID_FILE_SAVE_AS, &CMainView::OnFileSaveAs},
    {ID_EXPORT_GIF, &CMainView::OnExportGif},
    {ID_EXPORT_SHEET, &CMainView::OnExportSheet},
    {ID_EXPORT_STORYBOARD, &CMainView::OnExportStoryboard},
    {ID_FILE_NEW_STORYBOARD, &CMainView::OnFileNewFromStoryboard},
    {ID_FILE_NEW_FRAMES, &CMainView::OnFileNewFromFrames},
    {ID_VIEW_ZOOM_IN, &CMainView::OnZoomIn},
    {ID_VIEW_ZOOM_OUT, &CMainView::OnZoomOut},
    {ID_VIEW_ACTUAL_SIZE, &CMainView::OnActualSize},
    {ID_VIEW_SHOW_CLASSES, &CMainView::OnShowClasses},
    {ID_FILE_PROPERTIES, &CMainView::OnProperties},
};

// The four backgrounds, one of which is chosen.
const unsigned kBackgrounds[] = {ID_BGD_DEFAULT, ID_BGD_CUSTOM, ID_BGD_SEA, ID_BGD_LAND};

// 0 stands for a separator.
const unsigned kToolBarButtons[] = {
    ID_FILE_OPEN, ID_FILE_SAVE,  ID_FILE_SAVE_AS, ID_FILE_REFRESH,     ID_APP_EXIT, 0,
    ID_FLC_PLAY,  ID_FLC_PAUSE,  ID_FLC_STOP,     0,                   ID_FLC_FIRST, ID_FLC_BACK,
    ID_FLC_PREVIOUS, ID_FLC_NEXT, ID_FLC_FORWARD, ID_FLC_LAST,         0,           ID_BGD_SELECT_COLOR,
    0,            ID_PALETTE,    ID_PALETTE_IMPORT, ID_PALETTE_EXPORT, 0,           ID_OPTIONS,
    ID_FLC_INFO,  ID_APP_ABOUT,
};

// The first local file among what is dragged.
QString draggedFile(const QMimeData* data)
{
    for (const QUrl& url : data ? data->urls() : QList<QUrl>()) {
        if (url.isLocalFile())
            return url.toLocalFile();
    }
    return {};
}

} // namespace

CMainFrame::CMainFrame(CKinetraDoc* document, QWidget* parent) : QMainWindow(parent), m_pDocument(document)
{
    m_crBackground = uColorRefFromColor(QApplication::palette().color(QPalette::Button));
    // The window follows its contents and cannot be sized: the window
    // manager is told so, and offers no maximise button.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
}

CMainFrame::~CMainFrame()
{
    // The view outlives this part of the frame; it must not call back.
    if (m_pView)
        m_pView->disconnect(this);
}

bool CMainFrame::LoadFrame()
{
    InitKinetraResources();
    setWindowIcon(KinetraIcon(QStringLiteral("kinetra")));
    setAcceptDrops(true);

    createActions();
    createMenus();
    createToolBar();
    createStatusBar();

    m_pView = new CMainView(m_pDocument, this);
    setCentralWidget(m_pView);
    connect(m_pView, &CMainView::stateChanged, this, &CMainFrame::UpdateCommandUI);
    connectPicture();
    if (m_pDocument) {
        connect(m_pDocument, &CKinetraDoc::titleChanged, this, &CMainFrame::updateTitle);
        connect(m_pDocument, &CKinetraDoc::modifiedChanged, this, &QWidget::setWindowModified);
    }

    LoadFrameSettings();
    // A saved state that names bars we no longer have is applied to the
    // bars we do have; Qt passes over the others.
    const QByteArray state =
        QByteArray::fromBase64(uGetProfileString(kBarState, kBarStateEntry).toLatin1());
    if (!state.isEmpty())
        restoreState(state);
    ApplyFrameSettings();
    LoadPosition(this, 0);

    m_pView->OnInitialUpdate();
    updateTitle();
    UpdateCommandUI();
    return true;
}

void CMainFrame::createActions()
{
    auto* backgrounds = new QActionGroup(this);
    // No radio item is checked while the player's type is none of them.
    backgrounds->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
    for (const Command& command : kCommands) {
        auto* action = new QAction(QString::fromUtf8(command.text), this);
        const QStringList prompt = uLoadString(command.id).split(QLatin1Char('\n'));
        action->setStatusTip(prompt.value(0));
        action->setToolTip(prompt.value(1, prompt.value(0)));
        if (command.icon)
            action->setIcon(KinetraIcon(QString::fromLatin1(command.icon)));
        if (!command.shortcut.isEmpty())
            action->setShortcut(command.shortcut);
        action->setData(command.id);
        m_actions[command.id] = action;

        const unsigned id = command.id;
        connect(action, &QAction::triggered, this, [this, id] {
            switch (id) {
            case ID_FILE_OPEN: onCommand(&CMainFrame::OnFileOpen); break;
            case ID_FILE_REFRESH: onCommand(&CMainFrame::OnFileRefresh); break;
            case ID_APP_EXIT: close(); break;
            case ID_VIEW_TOOLBAR: onCommand(&CMainFrame::OnViewToolBar); break;
            case ID_VIEW_STATUS_BAR: onCommand(&CMainFrame::OnViewStatusBar); break;
            case ID_ALWAYS_ON_TOP: onCommand(&CMainFrame::OnAlwaysOnTop); break;
            case ID_VIEW_COMPACT: onCommand(&CMainFrame::OnViewCompact); break;
            case ID_APP_ABOUT:
                if (CKinetraApp* app = theApp())
                    app->OnAppAbout();
                else
                    CAboutDlg(this).DoModal();
                break;
            case ID_OPTIONS:
                // The dialog shows the bars as they are now.
                SaveFrameSettings();
                COptionsDlg(this).DoModal();
                UpdateCommandUI();
                break;
            default: onViewCommand(id); break;
            }
        });
    }
    for (unsigned id : kCheckable)
        m_actions[id]->setCheckable(true);
    for (unsigned id : kBackgrounds) {
        m_actions[id]->setCheckable(true);
        backgrounds->addAction(m_actions[id]);
    }
}

void CMainFrame::createMenus()
{
    auto addItems = [this](QMenu* menu, std::initializer_list<unsigned> ids) {
        for (unsigned id : ids) {
            if (id == 0)
                menu->addSeparator();
            else
                menu->addAction(m_actions.at(id));
        }
    };
    QMenuBar* bar = menuBar();

    QMenu* file = bar->addMenu(QStringLiteral("&1.File"));
    addItems(file, {ID_FILE_OPEN, ID_FILE_NEW_STORYBOARD, ID_FILE_NEW_FRAMES, ID_FILE_SAVE, ID_FILE_SAVE_AS});
    m_pExportMenu = file->addMenu(uLoadString(IDS_EXPORT_MENU));
    m_pExportMenu->setObjectName(QStringLiteral("Export"));
    addItems(m_pExportMenu, {ID_EXPORT_GIF, ID_EXPORT_SHEET, ID_EXPORT_STORYBOARD});
    addItems(file, {0, ID_FILE_PROPERTIES, ID_FILE_REFRESH, 0});
    QMenu* recent = file->addMenu(KinetraIcon(QStringLiteral("recent-files")), uLoadString(IDS_RECENT_FILES));
    recent->setObjectName(QStringLiteral("RecentFiles"));
    if (CKinetraApp* app = theApp())
        app->m_mruManager.AttachMenu(recent, uLoadString(IDS_MRU_NONE));
    else
        recent->addAction(uLoadString(IDS_MRU_NONE))->setEnabled(false);
    addItems(file, {0, ID_APP_EXIT});

    addItems(bar->addMenu(QStringLiteral("&2.View")),
             {ID_VIEW_TOOLBAR, ID_VIEW_STATUS_BAR, 0, ID_ALWAYS_ON_TOP, ID_VIEW_COMPACT, 0, ID_VIEW_ZOOM_IN,
              ID_VIEW_ZOOM_OUT, ID_VIEW_ACTUAL_SIZE, 0, ID_VIEW_SHOW_CLASSES});
    // The compact window has no menu: its keys belong to the window.
    for (unsigned id : {ID_VIEW_ZOOM_IN, ID_VIEW_ZOOM_OUT, ID_VIEW_ACTUAL_SIZE})
        addAction(m_actions.at(id));
    addItems(bar->addMenu(QStringLiteral("&3.FLC")), {ID_FLC_PLAY, ID_FLC_PAUSE, ID_FLC_STOP, 0, ID_FLC_FIRST,
                                                      ID_FLC_BACK, ID_FLC_PREVIOUS, ID_FLC_NEXT, ID_FLC_FORWARD,
                                                      ID_FLC_LAST});
    addItems(bar->addMenu(QStringLiteral("&4.Background")),
             {ID_BGD_DEFAULT, ID_BGD_CUSTOM, ID_BGD_SEA, ID_BGD_LAND, 0, ID_BGD_SELECT_COLOR, 0, ID_ALPHA_BLEND});
    addItems(bar->addMenu(QStringLiteral("&5.Palette")), {ID_PALETTE, 0, ID_PALETTE_IMPORT, ID_PALETTE_EXPORT});
    addItems(bar->addMenu(QStringLiteral("&6.Tools")), {ID_OPTIONS, 0, ID_FLC_INFO});
    addItems(bar->addMenu(QStringLiteral("&7.Help")), {ID_APP_ABOUT});
}

void CMainFrame::createToolBar()
{
    m_wndToolBar = new QToolBar(uLoadString(IDS_TOOLBAR_TITLE), this);
    m_wndToolBar->setObjectName(kToolBarName);
    m_wndToolBar->setIconSize(QSize(16, 16));
    m_wndToolBar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    // The window cannot be sized, so a toolbar standing on its side would
    // stretch it to the toolbar's length: the bar docks above or below the
    // view, or floats. Bars glide into place no more, as every step of such
    // a glide is a layout the window would follow.
    m_wndToolBar->setAllowedAreas(Qt::TopToolBarArea | Qt::BottomToolBarArea);
    setAnimated(false);
    addToolBar(Qt::TopToolBarArea, m_wndToolBar);

    for (unsigned id : kToolBarButtons) {
        if (id == 0) {
            m_wndToolBar->addSeparator();
        } else if (id == ID_BGD_SELECT_COLOR) {
            m_pSelectColorButton = new CColorStripButton(&m_crBackground, m_wndToolBar);
            m_pSelectColorButton->setDefaultAction(m_actions.at(id));
            m_pSelectColorButton->setAutoRaise(true);
            m_pSelectColorButton->setIconSize(m_wndToolBar->iconSize());
            m_pSelectColorButton->setFocusPolicy(Qt::NoFocus);
            m_wndToolBar->addWidget(m_pSelectColorButton);
        } else {
            m_wndToolBar->addAction(m_actions.at(id));
        }
    }

    // The Open button drops down the recent files.
    auto* openButton = qobject_cast<QToolButton*>(m_wndToolBar->widgetForAction(m_actions.at(ID_FILE_OPEN)));
    if (openButton) {
        auto* recent = new QMenu(openButton);
        recent->setObjectName(QStringLiteral("OpenDropDown"));
        if (CKinetraApp* app = theApp())
            app->m_mruManager.AttachMenu(recent, uLoadString(IDS_MRU_NONE));
        else
            recent->addAction(uLoadString(IDS_MRU_NONE))->setEnabled(false);
        openButton->setMenu(recent);
        openButton->setPopupMode(QToolButton::MenuButtonPopup);
    }
    connect(m_wndToolBar, &QToolBar::visibilityChanged, this, [this] { UpdateCommandUI(); });
    // Floated or docked again: fit once the main window has laid the bars
    // out anew, not on the way there.
    connect(m_wndToolBar, &QToolBar::topLevelChanged, this, [this] { scheduleFit(); });
    // A drag ends with the release of the button on the toolbar, floating
    // or not.
    m_wndToolBar->installEventFilter(this);
}

void CMainFrame::createStatusBar()
{
    // Lock-key indicators are left out: X11 and Wayland offer no portable
    // way to read the Caps, Num and Scroll Lock states.
    QStatusBar* bar = statusBar();
    bar->setObjectName(QStringLiteral("StatusBar"));
    bar->setSizeGripEnabled(false);
    // Command prompts show as temporary messages over this label, which
    // comes back when the pointer leaves the command.
    m_pIdleLabel = new QLabel(uLoadString(IDS_IDLE_MESSAGE), bar);
    m_pIdleLabel->setObjectName(QStringLiteral("IdleText"));
    // A long reason in it must not widen the window, which follows its
    // contents.
    m_pIdleLabel->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    bar->addWidget(m_pIdleLabel, 1);
    createPictureStatus();
}

void CMainFrame::onCommand(void (CMainFrame::*handler)())
{
    (this->*handler)();
    UpdateCommandUI();
}

void CMainFrame::onViewCommand(unsigned commandId)
{
    for (const auto& [id, handler] : kViewCommands)
        if (id == commandId && m_pView)
            (m_pView->*handler)();
    UpdateCommandUI();
}

QToolButton* CMainFrame::ToolBarButton(unsigned commandId) const
{
    const QAction* action = Action(commandId);
    if (!m_wndToolBar || !action)
        return nullptr;
    for (QToolButton* button : m_wndToolBar->findChildren<QToolButton*>())
        if (button->defaultAction() == action)
            return button;
    return nullptr;
}

QAction* CMainFrame::Action(unsigned commandId) const
{
    const auto found = m_actions.find(commandId);
    return found == m_actions.end() ? nullptr : found->second;
}

QToolBar* CMainFrame::GetToolBar() const
{
    return m_wndToolBar;
}

void CMainFrame::UpdateCommandUI()
{
    if (m_actions.empty())
        return;
    const CFlcPlayer* player = m_pView ? &m_pView->Player() : nullptr;
    const bool loaded = player && player->loaded;
    // The commands with a form control follow that control.
    const auto formEnabled = [this](int controlId) {
        const QWidget* control = m_pView ? m_pView->GetDlgItem(controlId) : nullptr;
        return control && control->isEnabled();
    };
    const auto formChecked = [this](int controlId) {
        const auto* control = qobject_cast<const QAbstractButton*>(m_pView ? m_pView->GetDlgItem(controlId) : nullptr);
        return control && control->isChecked();
    };
    const auto set = [this](unsigned id, bool enabled) { m_actions[id]->setEnabled(enabled); };
    const auto check = [this](unsigned id, bool checked) { m_actions[id]->setChecked(checked); };

    set(ID_FILE_OPEN, true);
    set(ID_FILE_NEW_STORYBOARD, true);
    set(ID_FILE_NEW_FRAMES, true);
    set(ID_FILE_REFRESH, loaded);
    set(ID_APP_EXIT, true);
    for (unsigned id : {ID_FILE_SAVE, ID_FILE_SAVE_AS, ID_PALETTE_IMPORT, ID_PALETTE_EXPORT, ID_EXPORT_GIF,
                        ID_EXPORT_SHEET, ID_EXPORT_STORYBOARD, ID_FILE_PROPERTIES})
        set(id, loaded);
    set(ID_APP_ABOUT, true);
    set(ID_OPTIONS, true);

    set(ID_VIEW_TOOLBAR, true);
    check(ID_VIEW_TOOLBAR, m_wndToolBar && m_wndToolBar->isVisibleTo(this));
    set(ID_VIEW_STATUS_BAR, true);
    check(ID_VIEW_STATUS_BAR, m_bShowStatusBar);
    set(ID_ALWAYS_ON_TOP, true);
    check(ID_ALWAYS_ON_TOP, m_bTopMost);

    set(ID_FLC_PLAY, formEnabled(IDC_PLAY));
    set(ID_FLC_PAUSE, formEnabled(IDC_PAUSE));
    check(ID_FLC_PAUSE, loaded && player->paused);
    set(ID_FLC_STOP, formEnabled(IDC_STOP));
    set(ID_FLC_INFO, formEnabled(IDC_INFO));
    set(ID_FLC_FIRST, formEnabled(IDC_FIRST));
    set(ID_FLC_PREVIOUS, formEnabled(IDC_PREVIOUS));
    set(ID_FLC_NEXT, formEnabled(IDC_NEXT));
    set(ID_FLC_LAST, formEnabled(IDC_LAST));
    set(ID_FLC_BACK, formEnabled(IDC_BACK));
    check(ID_FLC_BACK, m_pView && m_pView->m_bBackWind);
    set(ID_FLC_FORWARD, formEnabled(IDC_FORWARD));
    check(ID_FLC_FORWARD, m_pView && m_pView->m_bForwardWind);
    set(ID_PALETTE, formEnabled(IDC_PALETTE));

    const bool gameFile = loaded && !player->IsPlainFlc();
    const bool backgrounds = gameFile && player->alphaBlend;
    const int backgroundType = player ? player->backgroundType : -1;
    for (unsigned id : kBackgrounds)
        set(id, backgrounds);
    check(ID_BGD_DEFAULT, backgroundType == kinetra::kBackgroundDefault);
    check(ID_BGD_CUSTOM, backgroundType == kinetra::kBackgroundCustom);
    check(ID_BGD_SEA, backgroundType == kinetra::kBackgroundSea);
    check(ID_BGD_LAND, backgroundType == kinetra::kBackgroundLand);
    set(ID_BGD_SELECT_COLOR, backgrounds);
    set(ID_ALPHA_BLEND, gameFile);
    // Greyed, it still shows whether blending is on, as its check box does.
    check(ID_ALPHA_BLEND, formChecked(IDC_ALPHA_BLEND));

    // A submenu of greyed items opens onto nothing: it is greyed itself.
    if (m_pExportMenu) {
        const QList<QAction*> items = m_pExportMenu->actions();
        m_pExportMenu->menuAction()->setEnabled(
            std::any_of(items.begin(), items.end(), [](const QAction* item) { return item->isEnabled(); }));
    }

    updatePictureCommands();

    if (m_pSelectColorButton)
        m_pSelectColorButton->update();
}

void CMainFrame::OnFileOpen()
{
    if (m_pDocument)
        m_pDocument->OnFileOpen();
}

void CMainFrame::OnFileRefresh()
{
    // Reloading drops the edited palette: the user says first.
    if (!m_pView || !m_pView->SaveModified())
        return;
    m_pView->OnInitialUpdate();
    if (m_pDocument)
        m_pDocument->SetModifiedFlag(false);
}

void CMainFrame::OnViewToolBar()
{
    m_bShowToolBar = !m_wndToolBar->isVisibleTo(this);
    m_wndToolBar->setVisible(m_bShowToolBar);
    fitToContents();
}

void CMainFrame::OnViewStatusBar()
{
    m_bShowStatusBar = !m_bShowStatusBar;
    statusBar()->setVisible(m_bShowStatusBar);
    fitToContents();
}

void CMainFrame::OnAlwaysOnTop()
{
    m_bTopMost = !m_bTopMost;
    applyTopMost();
}

void CMainFrame::applyTopMost()
{
    // The compact window is always on top, whatever the switch says.
    const bool onTop = m_bTopMost || m_bCompact;
    if (bool(windowFlags() & Qt::WindowStaysOnTopHint) == onTop)
        return;
    // Changing a window flag hides the window; show it again where it was.
    const bool wasVisible = isVisible();
    const QRect placement = geometry();
    setWindowFlag(Qt::WindowStaysOnTopHint, onTop);
    if (wasVisible) {
        setGeometry(placement);
        show();
    }
}

void CMainFrame::LoadFrameSettings()
{
    m_bShowToolBar = uGetProfileInt(kOptions, kShowToolBar, 1) != 0;
    m_bShowStatusBar = uGetProfileInt(kOptions, kShowStatusBar, 1) != 0;
    m_bTopMost = uGetProfileInt(kOptions, kAlwaysOnTop, 0) != 0;
    m_bCompact = uGetProfileInt(kOptions, kCompact, 0) != 0;
}

void CMainFrame::ApplyFrameSettings()
{
    statusBar()->setVisible(m_bShowStatusBar);
    m_wndToolBar->setVisible(m_bShowToolBar);
    applyCompact();
    applyTopMost();
    fitToContents();
    CColourPopupXP::m_bMenuXpStyle = CMenuLook::IsXpDrawMode(CMenuLook::GetMenuDrawMode());
}

void CMainFrame::SaveFrameSettings()
{
    // The compact window hides the bars, not the user's choice of them.
    const bool toolBar = m_bCompact ? m_bShowToolBar : m_wndToolBar && m_wndToolBar->isVisibleTo(this);
    const bool statusBarShown = m_bCompact ? m_bShowStatusBar : statusBar()->isVisibleTo(this);
    uWriteProfileInt(kOptions, kShowToolBar, toolBar ? 1 : 0);
    uWriteProfileInt(kOptions, kShowStatusBar, statusBarShown ? 1 : 0);
    SavePosition(this);
    uWriteProfileString(kBarState, kBarStateEntry, QString::fromLatin1(saveState().toBase64()));
    uWriteProfileInt(kOptions, kAlwaysOnTop, m_bTopMost ? 1 : 0);
}

void CMainFrame::ReloadSettings()
{
    LoadFrameSettings();
    ApplyFrameSettings();
    if (m_pView)
        m_pView->UpdateControls();
    UpdateCommandUI();
}

void CMainFrame::SetMinTrackSize(int width, int height)
{
    // Qt measures the window without the frame the window manager draws,
    // so only the bars inside it are added to the view's size. The bars
    // count whether shown or not, so hiding one cannot shrink the minimum.
    const int newWidth = width;
    const int newHeight = height + menuBar()->sizeHint().height() + m_wndToolBar->sizeHint().height()
        + statusBar()->sizeHint().height();
    if (newWidth > kMinTrackFloor)
        m_sizeMinTrack.setWidth(newWidth);
    if (newHeight > kMinTrackFloor)
        m_sizeMinTrack.setHeight(newHeight);
    fitToContents();
}

void CMainFrame::fitToContents()
{
    if (m_bFitting)
        return;
    m_bFitting = true;
    if (QLayout* frameLayout = layout())
        frameLayout->activate();
    // Neither the menus nor a hidden toolbar may end up wider than the
    // window: hiding a bar leaves the window as it is. The compact window
    // is the picture alone.
    QSize size = sizeHint();
    if (m_bCompact) {
        setFixedSize(size);
    } else {
        size.setWidth(std::max({size.width(), menuBar()->sizeHint().width(), m_wndToolBar->sizeHint().width()}));
        setFixedSize(size.expandedTo(m_sizeMinTrack));
    }
    if (std::exchange(m_bKeepOnScreen, false))
        keepOnScreen();
    m_bFitting = false;
}

void CMainFrame::scheduleFit()
{
    if (m_bFitScheduled)
        return;
    m_bFitScheduled = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_bFitScheduled = false;
            // While the toolbar is dragged about, the layout holds a gap
            // where it might land; the window fits when it has landed.
            if (m_wndToolBar->isFloating() && QApplication::mouseButtons() != Qt::NoButton)
                return;
            fitToContents();
        },
        Qt::QueuedConnection);
}

bool CMainFrame::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_wndToolBar && event->type() == QEvent::MouseButtonRelease)
        scheduleFit();
    return QMainWindow::eventFilter(watched, event);
}

bool CMainFrame::event(QEvent* event)
{
    const bool handled = QMainWindow::event(event);
    // The view's picture changed size, or a bar came or went.
    if (event->type() == QEvent::LayoutRequest)
        scheduleFit();
    return handled;
}

int CMainFrame::OnShellOpenFile(unsigned wParam, const QString& handedPath)
{
    if (wParam != WM_SHELL_OPEN_FILE)
        return 1;
    const QString path = handedPath.isEmpty() ? uGetProfileString(kOptions, kShell) : handedPath;
    if (!path.isEmpty() && uIsFileExist(path)) {
        if (CKinetraApp* app = theApp())
            app->OpenDocumentFile(path);
        uWriteProfileString(kOptions, kLastOpened, path);
    }
    return 1;
}

void CMainFrame::ShowSourceProblem(const QString& problem)
{
    if (!problem.isEmpty())
        statusBar()->clearMessage();
    m_pIdleLabel->setText(problem.isEmpty() ? uLoadString(IDS_IDLE_MESSAGE) : problem);
    m_pIdleLabel->setToolTip(problem);
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* event)
{
    if (!draggedFile(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void CMainFrame::dropEvent(QDropEvent* event)
{
    const QString path = draggedFile(event->mimeData());
    if (path.isEmpty())
        return;
    event->acceptProposedAction();
    // Opening may ask the user something: not while the drag is still
    // being answered.
    QMetaObject::invokeMethod(
        this,
        [path] {
            if (CKinetraApp* app = theApp())
                app->OpenDocumentFile(path);
        },
        Qt::QueuedConnection);
}

void CMainFrame::updateTitle()
{
    const QString appTitle = uLoadString(IDR_MAINFRAME).section(QLatin1Char('\n'), 0, 0);
    const QString document = m_pDocument ? m_pDocument->GetTitle() : QString();
    // "[*]" is where Qt shows the modified mark, as other Qt programs do.
    setWindowTitle(document.isEmpty() ? appTitle : document + QStringLiteral("[*] - ") + appTitle);
    setWindowModified(m_pDocument && m_pDocument->IsModified());
}

void CMainFrame::closeEvent(QCloseEvent* event)
{
    if (m_pView && !m_pView->SaveModified()) {
        event->ignore();
        return;
    }
    SaveFrameSettings();
    QMainWindow::closeEvent(event);
}
