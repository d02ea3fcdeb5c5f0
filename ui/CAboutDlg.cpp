#include "ui/CAboutDlg.h"

#include "app/ImageReaders.h"

#include "flc/CFlcAnimation.h"
#include "imaging/CScreen.h"
#include "io/VersionNote.h"
#include "res/DialogIcons.h"
#include "res/KinetraIcons.h"
#include "res/Resource.h"
#include "uikit/CButtonX.h"
#include "uikit/CRichEditCtrlX.h"
#include "uikit/Paths.h"
#include "uikit/StringTable.h"

#include <QApplication>
#include <QFile>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>

#include <memory>
#include <new>
#include <span>

int CAboutDlg::s_nTitleIntensity = 255;
int CAboutDlg::s_nTitleStep = -10;

namespace {

const QString kLicenseText = QStringLiteral(":/about/License.md");
const QString kThanksText = QStringLiteral(":/about/Thanks.md");
const QString kClip = QStringLiteral(":/about/clip.flc");

// The title's blue swings between these, ten steps at a time.
constexpr int kIntensityLow = 30;
constexpr int kIntensityHigh = 245;
constexpr int kIntensityStep = 10;
constexpr int kTitleFontPixels = 12;

// A clip whose header gives no delay runs at the player's tick.
constexpr int kDefaultClipDelayMs = 50;

// Where each control sits, in dialog units of the 278 × 186 dialog. The
// licence box shows a dozen lines, enough to read it without scrolling at
// every line.
constexpr QSize kDialogSize(278, 186);
constexpr QRect kClipRect(7, 7, 24, 22);
constexpr QRect kTitleRect(38, 7, 200, 15);
constexpr QRect kIconRect(247, 7, 24, 22);
constexpr QRect kVersionRect(38, 23, 200, 8);
constexpr QRect kCopyrightRect(38, 32, 200, 8);
constexpr QRect kNoteRect(7, 43, 264, 8);
constexpr QRect kGroupRect(7, 53, 264, 106);
constexpr QRect kTextRect(13, 61, 252, 93);
constexpr QRect kOkRect(221, 165, 50, 14);
constexpr int kIconPixels = 32;

// The clip decoded with the program's own reader, each frame a picture.
std::vector<QImage> decodeClip(const QByteArray& data, int& delay)
{
    kinetra::CFlcAnimation animation;
    const std::span<const std::uint8_t> bytes(reinterpret_cast<const std::uint8_t*>(data.constData()),
                                              static_cast<std::size_t>(data.size()));
    if (animation.LoadFromMemory(bytes, true) != kinetra::kOk)
        return {};
    delay = animation.header.speed > 0 ? int(std::min<std::uint32_t>(animation.header.speed, 1000))
                                       : kDefaultClipDelayMs;
    std::vector<QImage> images;
    for (const auto& frame : animation.frames) {
        QImage image = FrameToImage(frame, animation.paletteOf(frame), animation.colorKeyOf(frame));
        if (image.isNull())
            return {};
        images.push_back(std::move(image));
    }
    return images;
}

bool isModifierKey(int key)
{
    return key == Qt::Key_Shift || key == Qt::Key_Control || key == Qt::Key_Alt || key == Qt::Key_Meta
        || key == Qt::Key_AltGr || key == Qt::Key_CapsLock;
}

QLabel* makeLabel(const QString& text, QWidget* parent, const QString& name)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    return label;
}

} // namespace

CAboutDlg::CAboutDlg(QWidget* parent) : CDialogX(parent)
{
    InitKinetraResources();
    setObjectName(QStringLiteral("CAboutDlg"));
    setWindowTitle(uLoadString(IDS_ABOUT_CAPTION));
    createControls();
    resize(MapDialogSize(kDialogSize));
    setMinimumSize(size());
    setControlInfo();

    // Children, so that whoever looks at the dialog finds its timers.
    m_titleTimer.setParent(this);
    m_titleTimer.setObjectName(QStringLiteral("TitleTimer"));
    m_clipTimer.setParent(this);
    m_clipTimer.setObjectName(QStringLiteral("ClipTimer"));
    m_titleTimer.setInterval(kTitleTimerMs);
    connect(&m_titleTimer, &QTimer::timeout, this, &CAboutDlg::OnTitleTimer);
    connect(&m_clipTimer, &QTimer::timeout, this, &CAboutDlg::OnClipTimer);
}

CAboutDlg::~CAboutDlg()
{
    if (m_bFiltering)
        qApp->removeEventFilter(this);
}

void CAboutDlg::createControls()
{
    // Made in the order of the tab chain; the group box before the text it
    // frames, so the text lies on top.
    m_pClip = makeLabel(QString(), this, QStringLiteral("Clip"));
    m_pClip->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_pTitle = makeLabel(QString(), this, QStringLiteral("Title"));
    m_pIcon = makeLabel(QString(), this, QStringLiteral("Icon"));
    m_pIcon->setAlignment(Qt::AlignRight | Qt::AlignTop);
    m_pIcon->setPixmap(KinetraIcon(QStringLiteral("kinetra")).pixmap(QSize(kIconPixels, kIconPixels)));
    m_pVersion = makeLabel(QString(), this, QStringLiteral("Version"));
    m_pCopyright = makeLabel(QString(), this, QStringLiteral("Copyright"));
    m_pNote = makeLabel(uLoadString(IDS_ABOUT_THANKS_NOTE), this, QStringLiteral("ThanksNote"));
    m_pGroup = new QGroupBox(this);
    m_pGroup->setObjectName(QStringLiteral("TextGroup"));
    m_pRichEdit = new CRichEditCtrlX(this);
    m_pRichEdit->setObjectName(QStringLiteral("Text"));
    m_pOk = new CButtonX(uLoadString(IDS_ABOUT_OK), this);
    m_pOk->setObjectName(QStringLiteral("OK"));
    m_pOk->setDefault(true);
    connect(m_pOk, &QPushButton::clicked, this, &QDialog::accept);

    const std::pair<QWidget*, QRect> places[] = {
        {m_pClip, kClipRect},           {m_pTitle, kTitleRect},         {m_pIcon, kIconRect},
        {m_pVersion, kVersionRect},     {m_pCopyright, kCopyrightRect}, {m_pNote, kNoteRect},
        {m_pGroup, kGroupRect},         {m_pRichEdit, kTextRect},       {m_pOk, kOkRect},
    };
    for (const auto& [control, dialogUnits] : places)
        control->setGeometry(MapDialogRect(dialogUnits));
}

void CAboutDlg::setControlInfo()
{
    for (QWidget* control : {static_cast<QWidget*>(m_pTitle), static_cast<QWidget*>(m_pVersion),
                             static_cast<QWidget*>(m_pCopyright), static_cast<QWidget*>(m_pNote)})
        SetControlInfo(control, CI_WIDEN, 1, 1, 1, 1);
    SetControlInfo(m_pIcon, CI_MOVE_RIGHT, 1, 1, 1, 1);
    SetControlInfo(m_pGroup, CI_WIDEN | CI_HEIGHTEN, 1, 1, 1, 1);
    SetControlInfo(m_pRichEdit, CI_WIDEN | CI_HEIGHTEN, 1, 1, 1, 1);
    SetControlInfo(m_pOk, CI_MOVE_RIGHT | CI_MOVE_DOWN, 1, 1, 1, 1);
}

QString CAboutDlg::VersionFile() const
{
    return uGetModuleFileName();
}

bool CAboutDlg::OnInitDialog()
{
    LoadPosition(this, 0);
    setWindowIcon(KinetraIcon(QStringLiteral("about")));
    m_pOk->SetIcon(DialogIcon(DialogIconKind::Ok));
    qApp->installEventFilter(this);
    m_bFiltering = true;

    QPalette colours = m_pRichEdit->palette();
    colours.setColor(QPalette::Base, colours.color(QPalette::Button));
    m_pRichEdit->setPalette(colours);
    loadText(kLicenseText);

    // Without its version the program shows the licence and nothing else.
    const QString file = VersionFile();
    kinetra::VersionInfo version;
    if (file.isEmpty() || !kinetra::ReadVersionNote(QFile::encodeName(file).toStdString(), version))
        return true;
    QString build = uFormatString(IDS_ABOUT_BUILD_FORMAT, QString::fromStdString(version.productVersion));
    if (!version.comments.empty())
        build += QStringLiteral(" (%1)").arg(QString::fromStdString(version.comments));
    m_pVersion->setText(build);
    m_pCopyright->setText(QString::fromStdString(version.legalCopyright));

    m_titleTimer.start();
    openClip();
    return true;
}

void CAboutDlg::OnDestroy()
{
    SavePosition(this);
    m_titleTimer.stop();
    m_clipTimer.stop();
    if (m_bFiltering) {
        qApp->removeEventFilter(this);
        m_bFiltering = false;
    }
}

void CAboutDlg::loadText(const QString& resource)
{
    QFile file(resource);
    if (!file.open(QIODevice::ReadOnly))
        return;
    m_pRichEdit->SetRTF(QString::fromUtf8(file.readAll()));
}

bool CAboutDlg::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress && watched->isWidgetType()) {
        // A key that a control leaves alone travels on to its parents; it
        // counts once, where it was delivered first.
        auto* widget = static_cast<QWidget*>(watched);
        QWidget* first = focusWidget() ? focusWidget() : this;
        if (widget == first && (widget == this || isAncestorOf(widget)))
            PreTranslateMessage(*static_cast<QKeyEvent*>(event));
    }
    return CDialogX::eventFilter(watched, event);
}

void CAboutDlg::PreTranslateMessage(const QKeyEvent& event)
{
    // Shift or Caps Lock on their way to a capital letter are no keys of the word.
    if (m_bSwitched || isModifierKey(event.key()))
        return;
    switch (event.key()) {
    case Qt::Key_T:
        m_strTypedKeys = QStringLiteral("T");
        break;
    case Qt::Key_H:
    case Qt::Key_A:
    case Qt::Key_N:
    case Qt::Key_K:
        m_strTypedKeys += QChar(char16_t(event.key()));
        break;
    case Qt::Key_S:
        m_strTypedKeys += QLatin1Char('S');
        if (m_strTypedKeys == QLatin1String("THANKS")) {
            loadText(kThanksText);
            m_bSwitched = true;
        }
        m_strTypedKeys.clear();
        break;
    default:
        m_strTypedKeys.clear();
        break;
    }
}

void CAboutDlg::OnTitleTimer()
{
    if (s_nTitleIntensity < kIntensityLow)
        s_nTitleStep = kIntensityStep;
    else if (s_nTitleIntensity > kIntensityHigh)
        s_nTitleStep = -kIntensityStep;
    s_nTitleIntensity += s_nTitleStep;
    drawTitle();
}

void CAboutDlg::drawTitle()
{
    const QSize size = m_pTitle->size();
    if (size.isEmpty())
        return;
    const qreal ratio = m_pTitle->devicePixelRatioF();
    QImage image(size * ratio, QImage::Format_RGB32);
    if (image.isNull())
        return;
    image.setDevicePixelRatio(ratio);
    image.fill(palette().color(QPalette::Button));

    QPainter painter(&image);
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(kTitleFontPixels);
    painter.setFont(font);
    const QString text = uLoadString(IDS_ABOUT_TITLE);
    const int flags = Qt::AlignHCenter | Qt::AlignTop | Qt::TextSingleLine;
    const QRect whole(QPoint(0, 0), size);
    // A shadow two pixels lower, then the text in blue of the current pulse.
    painter.setPen(palette().color(QPalette::Dark));
    painter.drawText(whole.adjusted(1, 2, -1, -2), flags, text);
    painter.setPen(QColor(0, 0, s_nTitleIntensity));
    painter.drawText(whole, flags, text);
    painter.end();

    m_titleImage = image;
    m_pTitle->setPixmap(QPixmap::fromImage(m_titleImage));
}

void CAboutDlg::openClip()
{
    QFile file(kClip);
    if (!file.open(QIODevice::ReadOnly))
        return;
    m_clipFrames = decodeClip(file.readAll(), m_nClipDelay);
    if (m_clipFrames.empty())
        return;
    // Like the platform's animation control, the control takes the clip's size.
    const QSize clipSize = m_clipFrames.front().size();
    m_pClip->resize(m_pClip->size().expandedTo(clipSize));
    showClipFrame(0);
    if (m_clipFrames.size() > 1)
        m_clipTimer.start(m_nClipDelay);
}

void CAboutDlg::OnClipTimer()
{
    const int next = m_nClipFrame + 1;
    if (next < ClipFrameCount())
        showClipFrame(next);
    // Played once: the last frame stays.
    if (m_nClipFrame + 1 >= ClipFrameCount())
        m_clipTimer.stop();
}

void CAboutDlg::showClipFrame(int frame)
{
    m_nClipFrame = frame;
    m_pClip->setPixmap(QPixmap::fromImage(m_clipFrames[std::size_t(frame)]));
}
