#include "app/CMainView.h"

#include "app/CCivColorCombo.h"
#include "app/CKinetraApp.h"
#include "app/CKinetraDoc.h"
#include "app/CSourceWatcher.h"
#include "imaging/CFlcPlayer.h"
#include "io/SettingNames.h"
#include "res/KinetraIcons.h"
#include "res/Resource.h"
#include "ui/CFlcInfoDlg.h"
#include "ui/CMainFrame.h"
#include "uikit/CButtonST.h"
#include "uikit/CButtonX.h"
#include "uikit/CColourPopupXP.h"
#include "uikit/Modal.h"
#include "uikit/Profile.h"
#include "uikit/StringTable.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QCursor>
#include <QDir>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QRadioButton>
#include <QScrollArea>
#include <QSignalBlocker>
#include <QSlider>
#include <QToolBar>
#include <QToolButton>
#include <QToolTip>
#include <QVBoxLayout>

namespace {

// Dialog units of the form's font, as the form was first laid out in them:
// a quarter of the average character width across, an eighth of the line
// height down.
class DialogUnits {
public:
    explicit DialogUnits(const QFontMetrics& metrics)
        : m_baseX((metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"))
                       / 26
                   + 1)
                  / 2),
          m_baseY(metrics.height())
    {
    }

    int x(int units) const { return (units * m_baseX + 2) / 4; }
    int y(int units) const { return (units * m_baseY + 4) / 8; }
    QSize size(int w, int h) const { return QSize(x(w), y(h)); }

private:
    int m_baseX;
    int m_baseY;
};

struct DirectionButton {
    int controlId;
    int direction; // as the player numbers them
    const char* icon;
    int row;
    int column;
};

// In the order the form keeps them, which is also the order of their
// tooltip strings (the Tab key follows kTabOrder instead).
const DirectionButton kDirectionButtons[9] = {
    {IDC_DIR_W, 8, "direction-w", 1, 0},   {IDC_DIR_SW, 1, "direction-sw", 2, 0},
    {IDC_DIR_SE, 3, "direction-se", 2, 2}, {IDC_DIR_S, 2, "direction-s", 2, 1},
    {IDC_DIR_NW, 7, "direction-nw", 0, 0}, {IDC_DIR_NE, 5, "direction-ne", 0, 2},
    {IDC_DIR_N, 6, "direction-n", 0, 1},   {IDC_DIR_E, 4, "direction-e", 1, 2},
    {IDC_DIR_ALL, 0, "direction-all", 1, 1},
};

// The direction pad as Tab walks it: row by row, as on a compass.
const int kTabOrder[9] = {IDC_DIR_NW, IDC_DIR_N, IDC_DIR_NE, IDC_DIR_W, IDC_DIR_ALL,
                          IDC_DIR_E,  IDC_DIR_SW, IDC_DIR_S, IDC_DIR_SE};

// The tooltip half of a command's string ("Play animation\nPlay").
QString commandTip(unsigned commandId)
{
    const QString text = uLoadString(commandId);
    return text.section(QLatin1Char('\n'), 1, 1);
}

// Where the civilization palettes come from: the application's settings
// cache, or the profile itself when the view runs without an application.
struct PaletteSourceSetting {
    int type = kinetra::kPaletteFromGame; // as stored, perhaps none of them
    bool gamePathFound = false;
    QString folder;
};

PaletteSourceSetting paletteSource()
{
    using namespace kinetra::settings;
    if (const CKinetraApp* app = theApp())
        return {app->m_nPalType, app->m_bGamePath, app->GetPalDir()};
    return {uGetProfileInt(kOptions, kPalType, kinetra::kPaletteFromGame), false, uGetProfileString(kOptions, kPalDir)};
}

// The game's palettes while no game is found are the program's own: the
// list works on a first start, and the setting still names the game, whose
// palettes take over once it is found.
bool standsInForTheGame(const PaletteSourceSetting& source)
{
    return source.type == kinetra::kPaletteFromGame && !source.gamePathFound;
}

kinetra::PaletteSource sourceInUse(const PaletteSourceSetting& source)
{
    return standsInForTheGame(source) ? kinetra::kPaletteBuiltIn : kinetra::PaletteSource(source.type);
}

bool paletteSourceAvailable(const PaletteSourceSetting& source)
{
    switch (source.type) {
    case kinetra::kPaletteFromGame:
    case kinetra::kPaletteBuiltIn: return true;
    case kinetra::kPaletteFromFolder: return !source.folder.isEmpty() && QDir(source.folder).exists();
    default: return false;
    }
}

void showSliderValue(QSlider* slider, int value)
{
    QToolTip::showText(QCursor::pos(), QString::number(value), slider);
}

} // namespace

CMainView::CMainView(CKinetraDoc* document, QWidget* parent) : QWidget(parent), m_pDocument(document)
{
    createForm();
    setupFrameNudging();

    connect(m_wndPlayer, &CFlcPlayer::stateChanged, this, &CMainView::stateChanged);
    connect(m_wndPlayer, &CFlcPlayer::frameNumbersChanged, this, &CMainView::UpdateFrameCounter);
    connect(m_wndPlayer, &CFlcPlayer::positionSliderChanged, this, &CMainView::UpdateFrameSlider);
    // The form, and the main frame with it, follow the picture's size.
    connect(m_wndPlayer, &CFlcPlayer::pictureResized, this, &CMainView::fitPictureArea);
    connect(m_wndPlayer, &CFlcPlayer::zoomRequested, this, &CMainView::zoomAt);

    m_windingTimer.setInterval(kWindingInterval);
    connect(&m_windingTimer, &QTimer::timeout, this, [this] { OnTimer(kWindingTimer); });

    m_pSourceWatcher = new CSourceWatcher(this);
    connect(m_pSourceWatcher, &CSourceWatcher::changed, this, &CMainView::onSourcesChanged);
}

CMainView::~CMainView()
{
    StopWinding();
    m_wndPlayer->disconnect(this);
}

// --- The form ---------------------------------------------------------------

CButtonX* CMainView::makeButton(int controlId, const QString& text)
{
    auto* button = new CButtonX(text, this);
    m_controls[controlId] = button;
    return button;
}

void CMainView::createForm()
{
    const DialogUnits du(fontMetrics());

    // A zoomed picture larger than the screen scrolls; at its own size the
    // area shows no frame and no scroll bars.
    m_pPictureArea = new QScrollArea(this);
    m_pPictureArea->setFrameShape(QFrame::NoFrame);
    m_pPictureArea->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_pPictureArea->setFixedSize(kinetra::kCanvasSize, kinetra::kCanvasSize);
    // Tab walks the controls as it always has, not the picture.
    m_pPictureArea->setFocusPolicy(Qt::NoFocus);
    m_wndPlayer = new CFlcPlayer(m_pPictureArea);
    m_pPictureArea->setWidget(m_wndPlayer);
    const auto appFolder = [](QString (CKinetraApp::*folder)() const) {
        return [folder] {
            const CKinetraApp* app = theApp();
            return app ? (app->*folder)() : QString();
        };
    };
    m_wndPlayer->SetFolderSources(appFolder(&CKinetraApp::GetGamePath), appFolder(&CKinetraApp::GetPalDir));
    m_controls[IDC_PLAYER] = m_wndPlayer;

    // Beside the picture: direction and delay, the colour list, playback,
    // stepping, the frame slider and its counters, Info and Palette.
    auto* top = new QGridLayout;
    top->setContentsMargins(0, 0, 0, 0);
    top->setHorizontalSpacing(du.x(2));
    top->setVerticalSpacing(du.y(2));
    top->addWidget(createDirectionGroup(), 0, 0);
    top->addWidget(createDelayGroup(), 0, 1);

    auto* civLabel = new QLabel(QStringLiteral("Civilization Color"), this);
    m_checkAlpha = new QCheckBox(QStringLiteral("&Alfa Blend"), this);
    m_controls[IDC_ALPHA_BLEND] = m_checkAlpha;
    top->addWidget(civLabel, 1, 0, Qt::AlignBottom);
    top->addWidget(m_checkAlpha, 1, 1, Qt::AlignBottom);

    m_comboCivColor = new CCivColorCombo(this);
    m_controls[IDC_CIV_COLOR] = m_comboCivColor;
    civLabel->setBuddy(m_comboCivColor);
    top->addWidget(m_comboCivColor, 2, 0, 1, 2);
    top->setColumnStretch(0, 1);
    top->setColumnStretch(1, 1);
    top->setColumnMinimumWidth(0, du.x(62));
    top->setColumnMinimumWidth(1, du.x(60));

    m_btnPlay = makeButton(IDC_PLAY, QStringLiteral("Pla&y"));
    m_btnPause = makeButton(IDC_PAUSE, QStringLiteral("&Pause"));
    m_btnStop = makeButton(IDC_STOP, QStringLiteral("&Stop"));
    m_btnPause->setCheckable(true);
    auto* playRow = new QHBoxLayout;
    playRow->setSpacing(du.x(2));
    for (CButtonX* button : {m_btnPlay, m_btnPause, m_btnStop}) {
        button->setMinimumHeight(du.y(14));
        playRow->addWidget(button, 1);
    }

    m_btnFirst = makeButton(IDC_FIRST, QStringLiteral("| <"));
    m_btnBack = makeButton(IDC_BACK, QStringLiteral("<<"));
    m_btnPrevious = makeButton(IDC_PREVIOUS, QStringLiteral("<"));
    m_btnNext = makeButton(IDC_NEXT, QStringLiteral(">"));
    m_btnForward = makeButton(IDC_FORWARD, QStringLiteral(">>"));
    m_btnLast = makeButton(IDC_LAST, QStringLiteral("> |"));
    m_btnBack->setCheckable(true);
    m_btnForward->setCheckable(true);
    const std::pair<CButtonX*, unsigned> steps[] = {
        {m_btnFirst, ID_FLC_FIRST}, {m_btnBack, ID_FLC_BACK},       {m_btnPrevious, ID_FLC_PREVIOUS},
        {m_btnNext, ID_FLC_NEXT},   {m_btnForward, ID_FLC_FORWARD}, {m_btnLast, ID_FLC_LAST},
    };
    auto* stepRow = new QHBoxLayout;
    stepRow->setSpacing(du.x(2));
    for (const auto& [button, command] : steps) {
        button->setToolTip(commandTip(command));
        button->setMinimumSize(du.size(18, 14));
        stepRow->addWidget(button, 1);
    }

    m_sliderFrame = new QSlider(Qt::Horizontal, this);
    m_controls[IDC_FRAME_SLIDER] = m_sliderFrame;

    m_labelCurFrame = new QLabel(QStringLiteral("0"), this);
    m_labelLastFrame = new QLabel(QStringLiteral("0"), this);
    m_controls[IDC_CUR_FRAME] = m_labelCurFrame;
    m_controls[IDC_LAST_FRAME] = m_labelLastFrame;
    for (QLabel* counter : {m_labelCurFrame, m_labelLastFrame}) {
        counter->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        counter->setMinimumWidth(du.x(15));
    }
    auto* counterRow = new QHBoxLayout;
    counterRow->addWidget(new QLabel(QStringLiteral("0"), this));
    counterRow->addStretch(1);
    counterRow->addWidget(new QLabel(QStringLiteral("Frame:"), this));
    counterRow->addWidget(m_labelCurFrame);
    counterRow->addStretch(1);
    counterRow->addWidget(m_labelLastFrame);

    m_btnInfo = makeButton(IDC_INFO, QStringLiteral("&Info"));
    m_btnPalette = makeButton(IDC_PALETTE, QStringLiteral("Pale&tte"));
    auto* bottomRow = new QHBoxLayout;
    bottomRow->setSpacing(du.x(2));
    for (CButtonX* button : {m_btnInfo, m_btnPalette}) {
        button->setMinimumHeight(du.y(14));
        bottomRow->addWidget(button, 1);
    }

    auto* controls = new QVBoxLayout;
    m_pControls = controls;
    controls->setContentsMargins(0, 0, 0, 0);
    controls->setSpacing(du.y(3));
    controls->addLayout(top);
    controls->addLayout(playRow);
    controls->addLayout(stepRow);
    controls->addWidget(m_sliderFrame);
    controls->addLayout(counterRow);
    controls->addLayout(bottomRow);
    controls->addStretch(1);

    auto* form = new QHBoxLayout(this);
    m_formMargins = QMargins(du.x(7), du.y(7), du.x(7), du.y(7));
    form->setContentsMargins(m_formMargins);
    form->setSpacing(du.x(12));
    form->addWidget(m_pPictureArea, 0, Qt::AlignLeft | Qt::AlignTop);
    form->addLayout(controls, 1);
    form->setSizeConstraint(QLayout::SetFixedSize);

    connect(m_btnPlay, &QPushButton::clicked, this, &CMainView::OnPlay);
    connect(m_btnPause, &QPushButton::clicked, this, &CMainView::OnPause);
    connect(m_btnStop, &QPushButton::clicked, this, &CMainView::OnStop);
    connect(m_btnInfo, &QPushButton::clicked, this, &CMainView::OnInfo);
    connect(m_btnPalette, &QPushButton::clicked, this, &CMainView::OnPalette);
    connect(m_btnFirst, &QPushButton::clicked, this, &CMainView::OnFirst);
    connect(m_btnPrevious, &QPushButton::clicked, this, &CMainView::OnPrevious);
    connect(m_btnNext, &QPushButton::clicked, this, &CMainView::OnNext);
    connect(m_btnLast, &QPushButton::clicked, this, &CMainView::OnLast);
    // Toggled, not clicked: a button toggled without the mouse (the keyboard,
    // a screen reader) must start and stop the winding it shows.
    connect(m_btnBack, &QAbstractButton::toggled, this, [this](bool on) {
        if (on != m_bBackWind)
            OnBackWind();
    });
    connect(m_btnForward, &QAbstractButton::toggled, this, [this](bool on) {
        if (on != m_bForwardWind)
            OnForwardWind();
    });
    connect(m_checkAlpha, &QCheckBox::clicked, this, &CMainView::OnAlphaBlend);
    connect(m_comboCivColor, &QComboBox::activated, this, &CMainView::OnCivColorSelected);

    connect(m_sliderFrame, &QSlider::sliderMoved, this, &CMainView::onFrameSliderTracked);
    connect(m_sliderFrame, &QSlider::sliderReleased, this, &CMainView::onFrameSliderReleased);
    // A click on the groove or a key moves the slider without a drag: that
    // is a release at once.
    connect(m_sliderFrame, &QSlider::valueChanged, this, [this] {
        if (!m_bSettingSliders && !m_sliderFrame->isSliderDown())
            onFrameSliderReleased();
    });
    connect(m_sliderDelay, &QSlider::sliderMoved, this, [this](int value) { showSliderValue(m_sliderDelay, value); });
    connect(m_sliderDelay, &QSlider::sliderReleased, this, &CMainView::onDelaySliderReleased);
    connect(m_sliderDelay, &QSlider::valueChanged, this, [this] {
        if (!m_bSettingSliders && !m_sliderDelay->isSliderDown())
            onDelaySliderReleased();
    });
}

QWidget* CMainView::createDirectionGroup()
{
    const DialogUnits du(fontMetrics());
    auto* group = new QGroupBox(QStringLiteral("Direction"), this);
    auto* compass = new QGridLayout(group);
    compass->setSpacing(du.x(3));
    for (std::size_t i = 0; i < std::size(kDirectionButtons); ++i) {
        const DirectionButton& entry = kDirectionButtons[i];
        auto* button = new CButtonST(group);
        button->setFixedSize(du.size(17, 15));
        button->setIconSize(QSize(16, 16));
        m_btnDirections[i] = button;
        m_controls[entry.controlId] = button;
        compass->addWidget(button, entry.row, entry.column, Qt::AlignCenter);
        // Toggled, not clicked: a button toggled without the mouse must
        // choose its direction too, and the chosen one cannot be unchosen.
        const int direction = entry.direction;
        connect(button, &QAbstractButton::toggled, this, [this, button, direction](bool on) {
            const bool chosen = m_wndPlayer->loaded && m_wndPlayer->direction == direction;
            if (on == chosen)
                return;
            if (on)
                SelectDirection(direction);
            button->SetCheck(m_wndPlayer->loaded && m_wndPlayer->direction == direction);
            emit stateChanged();
        });
    }
    for (std::size_t i = 1; i < std::size(kTabOrder); ++i)
        setTabOrder(m_controls.at(kTabOrder[i - 1]), m_controls.at(kTabOrder[i]));
    return group;
}

QWidget* CMainView::createDelayGroup()
{
    auto* group = new QGroupBox(QStringLiteral("Delay (mc)"), this);
    m_radioDefault = new QRadioButton(QStringLiteral("Default"), group);
    m_radioCustom = new QRadioButton(QStringLiteral("Custom"), group);
    m_labelDefaultDelay = new QLabel(group);
    m_labelDefaultDelay->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_sliderDelay = new QSlider(Qt::Horizontal, group);
    m_controls[IDC_DELAY_DEFAULT] = m_radioDefault;
    m_controls[IDC_DELAY_CUSTOM] = m_radioCustom;
    m_controls[IDC_DEFAULT_DELAY] = m_labelDefaultDelay;
    m_controls[IDC_DELAY_SLIDER] = m_sliderDelay;

    m_delayGroup = new QButtonGroup(this);
    m_delayGroup->addButton(m_radioDefault, 0);
    m_delayGroup->addButton(m_radioCustom, 1);
    m_radioDefault->setChecked(true);
    connect(m_delayGroup, &QButtonGroup::idClicked, this, &CMainView::onDelayModeClicked);

    auto* layout = new QGridLayout(group);
    layout->addWidget(m_radioDefault, 0, 0);
    layout->addWidget(m_labelDefaultDelay, 0, 1);
    layout->addWidget(m_radioCustom, 1, 0, 1, 2);
    layout->addWidget(m_sliderDelay, 2, 0, 1, 2);
    layout->setColumnStretch(1, 1);
    return group;
}

void CMainView::setupSliders()
{
    const QSignalBlocker frameBlock(m_sliderFrame);
    const QSignalBlocker delayBlock(m_sliderDelay);
    m_sliderFrame->setRange(0, 0);
    m_sliderDelay->setRange(kinetra::kMinimumCustomDelay, kinetra::kMaximumCustomDelay);
    m_sliderDelay->setTickInterval(100);
    m_sliderDelay->setTickPosition(QSlider::TicksBelow);
    m_sliderDelay->setSingleStep(10);
    m_sliderDelay->setPageStep(50);
}

void CMainView::setButtonLooks()
{
    const std::pair<CButtonX*, const char*> icons[] = {
        {m_btnPlay, "play"},      {m_btnPause, "pause"}, {m_btnStop, "stop"},       {m_btnFirst, "first"},
        {m_btnBack, "back"},      {m_btnPrevious, "previous"}, {m_btnNext, "next"}, {m_btnForward, "forward"},
        {m_btnLast, "last"},      {m_btnInfo, "info"},   {m_btnPalette, "palette"},
    };
    for (const auto& [button, icon] : icons)
        button->SetIcon(KinetraIcon(QString::fromLatin1(icon)));
    for (CButtonX* button : {m_btnFirst, m_btnBack, m_btnPrevious, m_btnNext, m_btnForward, m_btnLast})
        button->SetShowIconOnly(true, true);
    for (std::size_t i = 0; i < std::size(kDirectionButtons); ++i) {
        CButtonST* button = m_btnDirections[i];
        button->SetIcon(KinetraIcon(QString::fromLatin1(kDirectionButtons[i].icon)));
        button->SetTooltipText(uLoadString(IDS_DIRECTION_W + unsigned(i)));
        button->DrawFlatFocus(true, true);
    }
}

void CMainView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    setButtonLooks();
}

QWidget* CMainView::GetDlgItem(int controlId) const
{
    const auto found = m_controls.find(controlId);
    return found == m_controls.end() ? nullptr : found->second;
}

CMainFrame* CMainView::mainFrame() const
{
    return qobject_cast<CMainFrame*>(window());
}

unsigned CMainView::civSwatchColor() const
{
    const kinetra::PaletteEntry& entry = m_wndPlayer->displayPalette[6];
    return unsigned(entry.red) | (unsigned(entry.green) << 8) | (unsigned(entry.blue) << 16);
}

// --- Initial update and the controls' state -----------------------------------

void CMainView::OnInitialUpdate()
{
    CFlcPlayer& player = *m_wndPlayer;
    if (!m_bInitialized) {
        m_bInitialized = true;
        m_comboCivColor->setEnabled(false);
        m_comboCivColor->FillItems();
        setupSliders();
        // Still the face colour: the player reads its settings only below.
        if (CMainFrame* frame = mainFrame())
            frame->m_crBackground = player.customColor;
        setButtonLooks();
        if (CMainFrame* frame = mainFrame()) {
            layout()->activate();
            frame->SetMinTrackSize(sizeHint().width(), sizeHint().height());
        }
        // After the minimum size: the window may shrink back to the
        // picture's own size.
        player.SetZoom(uGetProfileInt(kinetra::settings::kOptions, kinetra::settings::kZoom, CFlcPlayer::kMinimumZoom));
        player.Initialize();
    } else {
        player.Unload();
    }

    m_nCivColor = 0;
    // A file that cannot be read the player has reported; `loaded` says the rest.
    if (m_pDocument && !m_pDocument->GetLoadPath().isEmpty())
        (void)player.Load(m_pDocument->GetLoadPath());

    if (!player.loaded) {
        // Nothing to move through: the slider must not keep the last file's
        // range and place.
        m_bSettingSliders = true;
        m_sliderFrame->setRange(0, 0);
        m_bSettingSliders = false;
    } else {
        m_sliderFrame->setMinimum(0);
        UpdateFrameSlider();
        m_comboCivColor->SetItemColor(0, civSwatchColor());
        {
            const QSignalBlocker block(m_sliderDelay);
            m_sliderDelay->setValue(int(player.customDelay));
        }
        m_strDefaultDelay = uFormatString(IDS_DEFAULT_DELAY_FORMAT, int(player.customDelay));
    }
    transferToControls();
    UpdateFrameCounter();
    UpdateControls();
    // What plays is the document's files as they are now.
    m_pSourceWatcher->Watch(m_pDocument ? m_pDocument->GetSourceFiles() : QStringList());
    showSourceProblem(QString());
}

void CMainView::transferToControls()
{
    m_labelCurFrame->setText(m_strCurFrame.isEmpty() ? QStringLiteral("0") : m_strCurFrame);
    m_labelLastFrame->setText(m_strLastFrame.isEmpty() ? QStringLiteral("0") : m_strLastFrame);
    m_labelDefaultDelay->setText(m_strDefaultDelay);
    (m_nDelayMode == 0 ? m_radioDefault : m_radioCustom)->setChecked(true);
    const QSignalBlocker block(m_comboCivColor);
    m_comboCivColor->setCurrentIndex(m_nCivColor);
    showWindingFlags();
}

void CMainView::UpdateControls()
{
    const CFlcPlayer& player = *m_wndPlayer;
    const bool loaded = player.loaded;
    const bool playing = loaded && player.playing;

    m_btnStop->setEnabled(playing);
    m_btnPause->setEnabled(playing);
    m_btnPause->setChecked(loaded && player.paused);
    m_btnPlay->setEnabled(loaded && !playing);
    m_btnInfo->setEnabled(loaded);
    for (QWidget* control : {static_cast<QWidget*>(m_btnFirst), static_cast<QWidget*>(m_btnBack),
                             static_cast<QWidget*>(m_btnPrevious), static_cast<QWidget*>(m_btnNext),
                             static_cast<QWidget*>(m_btnForward), static_cast<QWidget*>(m_btnLast),
                             static_cast<QWidget*>(m_sliderFrame)})
        control->setEnabled(loaded && !playing);
    m_sliderDelay->setEnabled(loaded && !player.UsesFileSpeed());
    m_radioDefault->setEnabled(playing);
    m_radioCustom->setEnabled(playing);
    m_labelDefaultDelay->setEnabled(playing);
    m_checkAlpha->setEnabled(loaded && !player.IsPlainFlc());
    if (loaded)
        m_checkAlpha->setChecked(player.alphaBlend);
    const PaletteSourceSetting source = paletteSource();
    m_comboCivColor->setEnabled(loaded && !player.IsPlainFlc() && paletteSourceAvailable(source));
    m_comboCivColor->setToolTip(standsInForTheGame(source) ? uLoadString(IDS_CIV_COLOR_BUILT_IN_TIP) : QString());
    m_btnPalette->setEnabled(loaded);

    const bool eightDirections = player.header.directions == 8;
    for (std::size_t i = 0; i < std::size(kDirectionButtons); ++i) {
        const bool all = kDirectionButtons[i].direction == 0;
        m_btnDirections[i]->setEnabled(loaded && (all || eightDirections));
        if (loaded)
            m_btnDirections[i]->SetCheck(kDirectionButtons[i].direction == player.direction);
    }
    emit stateChanged();
}

void CMainView::UpdateFrameCounter()
{
    const CFlcPlayer& player = *m_wndPlayer;
    if (player.loaded) {
        m_strCurFrame = QString::number(player.currentFrame - player.rangeStart);
        m_strLastFrame = QString::number(player.LastPosition());
    } else {
        m_strCurFrame = QStringLiteral("0");
        m_strLastFrame = QStringLiteral("0");
    }
    m_labelCurFrame->setText(m_strCurFrame);
    m_labelLastFrame->setText(m_strLastFrame);
}

void CMainView::UpdateFrameSlider()
{
    const CFlcPlayer& player = *m_wndPlayer;
    m_bSettingSliders = true;
    m_sliderFrame->setMaximum(player.LastPosition());
    m_sliderFrame->setValue(player.currentFrame - player.rangeStart);
    m_bSettingSliders = false;
}

bool CMainView::SelectDirection(int value)
{
    if (!m_wndPlayer->loaded)
        return false;
    m_wndPlayer->SetDirection(value);
    UpdateControls();
    return m_wndPlayer->direction == value;
}

// --- Playback commands ----------------------------------------------------------

void CMainView::OnPlay()
{
    StopWinding();
    m_wndPlayer->Play();
    UpdateControls();
    m_sliderFrame->setMinimum(0);
    UpdateFrameSlider();
}

void CMainView::OnPause()
{
    StopWinding();
    m_wndPlayer->Pause();
    UpdateControls();
}

void CMainView::OnStop()
{
    StopWinding();
    m_wndPlayer->Stop();
    m_wndPlayer->SetDelayMode(true);
    m_nDelayMode = 0;
    transferToControls();
    UpdateFrameCounter();
    UpdateControls();
    m_sliderFrame->setMinimum(0);
    UpdateFrameSlider();
}

void CMainView::OnInfo()
{
    if (m_wndPlayer->loaded)
        CFlcInfoDlg(m_wndPlayer, this).DoModal();
}

void CMainView::OnFirst()
{
    StopWinding();
    m_wndPlayer->Step(kinetra::kStepFirst);
    emit stateChanged();
}

void CMainView::OnPrevious()
{
    StopWinding();
    m_wndPlayer->Step(kinetra::kStepPrevious);
    emit stateChanged();
}

void CMainView::OnNext()
{
    StopWinding();
    m_wndPlayer->Step(kinetra::kStepNext);
    emit stateChanged();
}

void CMainView::OnLast()
{
    StopWinding();
    m_wndPlayer->Step(kinetra::kStepLast);
    emit stateChanged();
}

void CMainView::OnBackWind()
{
    toggleWinding(true);
}

void CMainView::OnForwardWind()
{
    toggleWinding(false);
}

void CMainView::toggleWinding(bool backwards)
{
    bool& wind = backwards ? m_bBackWind : m_bForwardWind;
    bool& other = backwards ? m_bForwardWind : m_bBackWind;
    wind = !wind;
    other = false;
    if (wind)
        m_windingTimer.start();
    else
        StopWinding();
    showWindingFlags();
}

void CMainView::StopWinding()
{
    m_windingTimer.stop();
    m_bBackWind = false;
    m_bForwardWind = false;
    showWindingFlags();
}

void CMainView::showWindingFlags()
{
    if (!m_btnBack)
        return;
    m_btnBack->setChecked(m_bBackWind);
    m_btnForward->setChecked(m_bForwardWind);
    emit stateChanged();
}

void CMainView::OnTimer(int timerId)
{
    if (timerId != kWindingTimer)
        return;
    CFlcPlayer& player = *m_wndPlayer;
    player.Step(m_bBackWind ? kinetra::kStepPrevious : kinetra::kStepNext);
    if (player.currentFrame <= player.rangeStart || player.currentFrame >= player.RangeLastFrame())
        StopWinding();
}

void CMainView::onDelayModeClicked(int mode)
{
    m_nDelayMode = mode;
    m_wndPlayer->SetDelayMode(m_nDelayMode == 0);
    UpdateControls();
}

void CMainView::onFrameSliderTracked(int position)
{
    showSliderValue(m_sliderFrame, position);
    if (!m_wndPlayer->loaded)
        return;
    m_wndPlayer->SeekFrame(position);
    UpdateFrameCounter();
}

void CMainView::onFrameSliderReleased()
{
    if (!m_wndPlayer->loaded)
        return;
    m_wndPlayer->SeekFrame(m_sliderFrame->value());
    UpdateFrameCounter();
}

void CMainView::onDelaySliderReleased()
{
    m_wndPlayer->SetCustomDelay(std::uint32_t(m_sliderDelay->value()));
}

// --- Backgrounds, blending, colourings ------------------------------------------

void CMainView::OnBgdDefault()
{
    m_wndPlayer->SetDefaultBackground();
    emit stateChanged();
}

void CMainView::OnBgdCustom()
{
    m_wndPlayer->SetCustomBackground(m_wndPlayer->customColor);
    emit stateChanged();
}

void CMainView::OnBgdSea()
{
    if (!m_wndPlayer->SetImageBackground(kinetra::kBackgroundSea))
        uMessageBox(uLoadString(IDS_CANNOT_SET_BACKGROUND), MB_ICONSTOP, this);
    emit stateChanged();
}

void CMainView::OnBgdLand()
{
    if (!m_wndPlayer->SetImageBackground(kinetra::kBackgroundLand))
        uMessageBox(uLoadString(IDS_CANNOT_SET_BACKGROUND), MB_ICONSTOP, this);
    emit stateChanged();
}

void CMainView::OnBgdSelectColor()
{
    CMainFrame* frame = mainFrame();
    QPoint anchor = QCursor::pos();
    if (frame && frame->GetToolBar() && frame->GetToolBar()->isVisible()) {
        if (const QWidget* button = frame->ToolBarButton(ID_BGD_SELECT_COLOR))
            anchor = button->mapToGlobal(QPoint(0, button->height()));
    }
    const unsigned colour = frame ? frame->m_crBackground : m_wndPlayer->customColor;
    auto* popup = new CColourPopupXP(anchor, colour, this, uLoadString(IDS_COLOR_DEFAULT),
                                     uLoadString(IDS_COLOR_CUSTOM), ID_BGD_SELECT_COLOR);
    connect(popup, &CColourPopupXP::colourSelected, this,
            [this](unsigned chosen, unsigned controlId) { OnColourSelected(chosen, controlId); });
    m_pColourPopup = popup;
}

int CMainView::OnColourSelected(unsigned colour, unsigned controlId)
{
    if (controlId != ID_BGD_SELECT_COLOR)
        return 1;
    CFlcPlayer& player = *m_wndPlayer;
    unsigned chosen = colour;
    if (colour == CColourPopupXP::kDefaultColour) {
        chosen = player.GetDefaultColor();
        player.SetDefaultBackground();
    }
    // The default entry too ends as a custom colour: the face colour.
    player.SetCustomBackground(chosen);
    if (CMainFrame* frame = mainFrame()) {
        frame->m_crBackground = chosen;
        if (QToolBar* toolBar = frame->GetToolBar()) {
            toolBar->update();
            for (QWidget* button : toolBar->findChildren<QWidget*>())
                button->update();
        }
    }
    emit stateChanged();
    return 1;
}

void CMainView::OnAlphaBlend()
{
    CFlcPlayer& player = *m_wndPlayer;
    if (player.loaded)
        player.SetAlphaBlend(!player.alphaBlend);
    m_checkAlpha->setChecked(player.alphaBlend);
    emit stateChanged();
}

void CMainView::OnCivColorSelected()
{
    CFlcPlayer& player = *m_wndPlayer;
    const int previous = m_nCivColor;
    m_nCivColor = m_comboCivColor->currentIndex();
    if (m_nCivColor == previous)
        return;

    const bool applied = loadCivColor(m_nCivColor);

    if (!applied) {
        m_nCivColor = previous;
        transferToControls();
        uMessageBox(uLoadString(IDS_NO_CIV_PALETTE), MB_OK, this);
    } else {
        m_comboCivColor->SetItemColor(m_nCivColor, civSwatchColor());
    }
    // A rebuild that failed has unloaded the animation.
    if (!player.loaded) {
        UpdateFrameCounter();
        UpdateControls();
    }
    emit stateChanged();
}

bool CMainView::loadCivColor(int n)
{
    return m_wndPlayer->LoadCivColor(sourceInUse(paletteSource()), n);
}
