#include "imaging/CFlcPlayer.h"

#include "flc/PlainFlcDefaults.h"
#include "res/Resource.h"
#include "uikit/Colour.h"
#include "uikit/Modal.h"
#include "uikit/StringTable.h"

#include <QApplication>
#include <QFile>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {

constexpr int kCanvasSize = 240;

// The wait cursor for the length of a scope.
class WaitCursor {
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

} // namespace

std::uint32_t FillColorFromRef(unsigned colorRef)
{
    const std::uint32_t red = colorRef & 0xFFu;
    const std::uint32_t green = (colorRef >> 8) & 0xFFu;
    const std::uint32_t blue = (colorRef >> 16) & 0xFFu;
    return (red << 16) | (green << 8) | blue;
}

CFlcPlayer::CFlcPlayer(QWidget* parent)
    : QWidget(parent), defaultColor(uColorRefFromColor(QApplication::palette().color(QPalette::Button)))
{
    fillColor = FillColorFromRef(defaultColor);
}

CFlcPlayer::~CFlcPlayer()
{
    // Every frame is a surface of the screen: they go first.
    Clear();
    m_screen.reset();
}

bool CFlcPlayer::Initialize()
{
    setFixedSize(kCanvasSize, kCanvasSize);
    show();

    auto screen = std::make_unique<kinetra::CScreen>();
    if (screen->Create(this) != kinetra::kOk)
        return false;
    screen->Initialize(kCanvasSize, kCanvasSize);
    screen->SetPresenter([this](const kinetra::CSurface& backBuffer) { present(backBuffer); });
    m_screen = std::move(screen);
    kinetra::g_pScreen = m_screen.get();
    return true;
}

kinetra::HResult CFlcPlayer::Load(const QString& path)
{
    if (path.isEmpty())
        return kinetra::kOk;

    kinetra::HResult result = kinetra::kFail;
    {
        const WaitCursor wait;
        result = kinetra::CFlcAnimation::Load(QFile::encodeName(path).toStdString(), true);
    }
    if (result != kinetra::kOk) {
        uMessageBox(uFormatString(IDS_INVALID_DOCUMENT, path), MB_ICONSTOP, this);
        Clear();
        return kinetra::kFail;
    }

    plainFlc = header.framesPerDirection == 0;
    kinetra::applyPlayerDefaults(*this);
    if (plainFlc) {
        fillColor = 0;
        // The screen keeps a 240 × 240 back buffer; a larger plain file
        // shows its top-left part.
        setFixedSize(std::clamp<int>(header.width, 1, kCanvasSize), std::clamp<int>(header.height, 1, kCanvasSize));
    } else {
        fillColor = FillColorFromRef(defaultColor);
        setFixedSize(kCanvasSize, kCanvasSize);
    }

    currentFrame = 0;
    loaded = true;
    Tick();
    emit stateChanged();
    return kinetra::kOk;
}

void CFlcPlayer::Unload()
{
    loaded = false;
    Clear();
    m_presented = QImage();
    update();
    emit stateChanged();
}

void CFlcPlayer::DrawBackground()
{
    if (m_screen)
        m_screen->ClearBackBuffer(fillColor);
}

void CFlcPlayer::ComposeFrame()
{
    if (frames.empty())
        return;
    if (currentFrame < 0 || std::size_t(currentFrame) >= frames.size())
        currentFrame = int(frames.size()) - 1;
    frames[std::size_t(currentFrame)]->BlitAt(header.leftOffset, header.topOffset);
}

void CFlcPlayer::Tick()
{
    if (!loaded || !m_screen)
        return;
    DrawBackground();
    ComposeFrame();
    m_screen->Present();
}

void CFlcPlayer::present(const kinetra::CSurface& backBuffer)
{
    const kinetra::PlatformSurface* memory = backBuffer.Memory();
    if (!memory)
        return;
    m_presented = QImage(reinterpret_cast<const uchar*>(memory->pixels.get()), memory->width, memory->height,
                         memory->pitch, QImage::Format_RGB32)
                      .copy();
    update();
}

void CFlcPlayer::paintEvent(QPaintEvent* event)
{
    (void)event;
    QPainter painter(this);
    if (m_presented.isNull()) {
        painter.fillRect(rect(), palette().color(QPalette::Button));
        return;
    }
    // Whole device pixels per picture pixel, never a blurred fraction: at a
    // ratio of 1.5 the picture keeps its own pixels and is centred.
    const qreal ratio = devicePixelRatioF();
    const int factor = std::max(1, int(std::floor(ratio + 0.01)));
    const QRect source = QRect(QPoint(0, 0), size()).intersected(m_presented.rect());
    const QSizeF shown = QSizeF(source.size()) * (factor / ratio);
    const QPointF topLeft((width() - shown.width()) / 2, (height() - shown.height()) / 2);
    if (shown.toSize() != size())
        painter.fillRect(rect(), palette().color(QPalette::Button));
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.drawImage(QRectF(topLeft, shown), m_presented, source);
}
