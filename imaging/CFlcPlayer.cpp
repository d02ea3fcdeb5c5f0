#include "imaging/CFlcPlayer.h"

#include "res/Resource.h"
#include "uikit/Colour.h"
#include "uikit/Modal.h"
#include "uikit/Profile.h"
#include "uikit/StringTable.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QFile>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QWheelEvent>

#include <algorithm>
#include <climits>
#include <cmath>

namespace {

// The wait cursor for the length of a scope.
class WaitCursor {
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

unsigned faceColorRef()
{
    return uColorRefFromColor(QApplication::palette().color(QPalette::Button));
}

std::string localPath(const QString& path)
{
    return QFile::encodeName(path).toStdString();
}

} // namespace

CFlcPlayer::CFlcPlayer(QWidget* parent) : QWidget(parent), kinetra::CFlcPlayerCore(uProfile(), faceColorRef())
{
    m_elapsed.start();
    setMouseTracking(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, [this] { OnTimer(); });
}

CFlcPlayer::~CFlcPlayer()
{
    // Whoever listened is going away with the window.
    blockSignals(true);
    m_timer.stop();
    SaveDirection();
    Unload();
    if (kinetra::g_pScreen == GetScreen())
        kinetra::g_pScreen = nullptr;
}

bool CFlcPlayer::Initialize()
{
    sizeToPicture();
    show();
    if (!kinetra::CFlcPlayerCore::Initialize(this))
        return false;
    kinetra::g_pScreen = GetScreen();
    GetScreen()->SetPresenter([this](const kinetra::CSurface& backBuffer) { present(backBuffer); });
    update();
    return true;
}

kinetra::HResult CFlcPlayer::Load(const QString& path)
{
    kinetra::HResult result = kinetra::kOk;
    {
        const WaitCursor wait;
        result = LoadFile(localPath(path));
    }
    // The first picture at once, not a timer interval later.
    if (loaded)
        Tick();
    emit stateChanged();
    return result;
}

void CFlcPlayer::Unload()
{
    kinetra::CFlcPlayerCore::Unload();
    m_presented = QImage();
    m_classMarks = QImage();
    update();
    emit stateChanged();
    emit pixelUnderCursorChanged();
}

kinetra::PaletteFileResult CFlcPlayer::ImportPalette(const QString& path)
{
    const WaitCursor wait;
    const kinetra::PaletteFileResult result = ImportPalette(localPath(path));
    emit stateChanged();
    return result;
}

kinetra::PaletteFileResult CFlcPlayer::ExportPalette(const QString& path, int format)
{
    return ExportPalette(localPath(path), format);
}

kinetra::HResult CFlcPlayer::Save(const QString& destination)
{
    const WaitCursor wait;
    return Save(localPath(destination));
}

std::uint32_t CFlcPlayer::GetTickCount()
{
    if (m_clock)
        return m_clock();
    return static_cast<std::uint32_t>(m_elapsed.elapsed());
}

void CFlcPlayer::OnSetTimer(std::uint32_t intervalMs)
{
    m_timer.start(int(std::min<std::uint32_t>(intervalMs, 0x7FFFFFFF)));
}

void CFlcPlayer::OnKillTimer()
{
    m_timer.stop();
}

void CFlcPlayer::OnResizeCanvas(int width, int height)
{
    m_pictureSize = QSize(std::max(width, 1), std::max(height, 1));
    sizeToPicture();
}

void CFlcPlayer::sizeToPicture()
{
    const QSize zoomed = m_pictureSize * m_zoom;
    const QSize room = roomForPicture();
    // Never cut: a picture the screen cannot hold at its own size is shown
    // smaller, whole. A zoomed one keeps its size and is scrolled.
    const bool fits = m_zoom > 1 || (zoomed.width() <= room.width() && zoomed.height() <= room.height());
    setFixedSize(fits ? zoomed : zoomed.scaled(room, Qt::KeepAspectRatio).expandedTo(QSize(1, 1)));
    emit pictureResized();
}

void CFlcPlayer::SetZoom(int zoom)
{
    zoom = std::clamp(zoom, kMinimumZoom, kMaximumZoom);
    if (zoom == m_zoom)
        return;
    m_zoom = zoom;
    sizeToPicture();
    update();
    emit pixelUnderCursorChanged();
}

void CFlcPlayer::SetShowClasses(bool on)
{
    m_showClasses = on;
    markClasses();
    update();
}

void CFlcPlayer::markClasses()
{
    if (!m_showClasses || m_presented.isNull() || !loaded) {
        m_classMarks = QImage();
        return;
    }
    m_classMarks = QImage(m_presented.size(), QImage::Format_ARGB32);
    m_classMarks.fill(Qt::transparent);
    kinetra::markIndexClasses(PictureOf(m_presentedFrame), reinterpret_cast<std::uint32_t*>(m_classMarks.bits()),
                              m_classMarks.width(), m_classMarks.height(),
                              std::size_t(m_classMarks.bytesPerLine()) / sizeof(std::uint32_t));
}

QSize CFlcPlayer::roomForPicture() const
{
    const QScreen* shownOn = screen();
    if (!shownOn)
        return QSize(INT_MAX, INT_MAX);
    // The rest of the window (the controls beside the picture, the bars, the
    // frame) keeps its size; the picture has what the screen leaves. The
    // widget that holds the picture is at least the canvas.
    const QWidget* top = window();
    const QWidget* holder = parentWidget() ? parentWidget() : this;
    // In a scroll area that is the area, not its viewport, which has its
    // size only once laid out.
    if (const auto* area = qobject_cast<const QAbstractScrollArea*>(holder->parentWidget());
        area && area->viewport() == holder)
        holder = area;
    QSize around(0, 0);
    if (top != this)
        around = (top->frameGeometry().size() - holder->size()).expandedTo(QSize(0, 0));
    const QSize room = shownOn->availableGeometry().size() - around;
    // A game animation's canvas is never made smaller.
    return room.expandedTo(QSize(kinetra::kCanvasSize, kinetra::kCanvasSize));
}

void CFlcPlayer::OnInvalidDocument(const std::string& filePath)
{
    uMessageBox(uFormatString(IDS_INVALID_DOCUMENT, QFile::decodeName(filePath.c_str())), MB_ICONSTOP, this);
}

void CFlcPlayer::SetFolderSources(FolderSource gameFolder, FolderSource paletteFolder)
{
    m_gameFolder = std::move(gameFolder);
    m_paletteFolder = std::move(paletteFolder);
}

std::string CFlcPlayer::GetGameFolder() const
{
    return m_gameFolder ? localPath(m_gameFolder()) : kinetra::CFlcPlayerCore::GetGameFolder();
}

std::string CFlcPlayer::GetPaletteFolder() const
{
    return m_paletteFolder ? localPath(m_paletteFolder()) : kinetra::CFlcPlayerCore::GetPaletteFolder();
}

void CFlcPlayer::present(const kinetra::CSurface& backBuffer)
{
    const kinetra::PlatformSurface* memory = backBuffer.Memory();
    if (!memory)
        return;
    m_presented = QImage(reinterpret_cast<const uchar*>(memory->pixels.get()), memory->width, memory->height,
                         memory->pitch, QImage::Format_RGB32)
                      .copy();
    m_presentedFrame = currentFrame;
    markClasses();
    update();
    if (m_cursorInside)
        emit pixelUnderCursorChanged();
}

QRectF CFlcPlayer::pictureRect(bool* scaledDown) const
{
    // Whole device pixels per picture pixel, never a blurred fraction: at a
    // ratio of 1.5 the picture keeps its own pixels (times the zoom) and is
    // centred. A picture larger than the widget (one the screen could not
    // hold) is scaled down whole.
    const qreal ratio = devicePixelRatioF();
    const int factor = std::max(1, int(std::floor(ratio + 0.01)));
    const QSize picture = m_presented.isNull() ? m_pictureSize : m_presented.size();
    const QSize zoomed = picture * m_zoom;
    const bool smaller = zoomed.width() > width() || zoomed.height() > height();
    if (scaledDown)
        *scaledDown = smaller;
    const QSizeF shown =
        smaller ? QSizeF(picture.scaled(size(), Qt::KeepAspectRatio)) : QSizeF(zoomed) * (factor / ratio);
    return QRectF(QPointF((width() - shown.width()) / 2, (height() - shown.height()) / 2), shown);
}

std::optional<kinetra::PixelProbe> CFlcPlayer::PixelAt(const QPointF& position) const
{
    if (m_presented.isNull() || !loaded)
        return std::nullopt;
    const QRectF shown = pictureRect();
    const kinetra::PictureOnScreen onScreen{shown.left(),   shown.top(),         shown.width(),
                                            shown.height(), m_presented.width(), m_presented.height()};
    return kinetra::probePicture(PictureOf(m_presentedFrame), onScreen, position.x(), position.y());
}

std::optional<kinetra::PixelProbe> CFlcPlayer::PixelUnderCursor() const
{
    return m_cursorInside ? PixelAt(m_cursor) : std::nullopt;
}

void CFlcPlayer::mouseMoveEvent(QMouseEvent* event)
{
    m_cursor = event->position();
    m_cursorInside = true;
    emit pixelUnderCursorChanged();
    QWidget::mouseMoveEvent(event);
}

void CFlcPlayer::leaveEvent(QEvent* event)
{
    m_cursorInside = false;
    emit pixelUnderCursorChanged();
    QWidget::leaveEvent(event);
}

void CFlcPlayer::wheelEvent(QWheelEvent* event)
{
    // Without Ctrl the wheel scrolls a zoomed picture.
    if (!(event->modifiers() & Qt::ControlModifier)) {
        event->ignore();
        return;
    }
    constexpr int kNotch = 120;
    m_wheelTurn += event->angleDelta().y();
    const int steps = m_wheelTurn / kNotch;
    m_wheelTurn -= steps * kNotch;
    if (steps != 0)
        emit zoomRequested(steps, event->position());
    event->accept();
}

void CFlcPlayer::mouseDoubleClickEvent(QMouseEvent* event)
{
    emit doubleClicked();
    QWidget::mouseDoubleClickEvent(event);
}

void CFlcPlayer::paintEvent(QPaintEvent* event)
{
    (void)event;
    QPainter painter(this);
    // A failed rebuild unloads the core behind the widget's back: the last
    // picture must not stay.
    if (m_presented.isNull() || !loaded) {
        painter.fillRect(rect(), palette().color(QPalette::Button));
        return;
    }
    bool scaledDown = false;
    const QRectF shown = pictureRect(&scaledDown);
    if (shown.size().toSize() != size())
        painter.fillRect(rect(), palette().color(QPalette::Button));
    painter.setRenderHint(QPainter::SmoothPixmapTransform, scaledDown);
    painter.drawImage(shown, m_presented, m_presented.rect());
    if (!m_classMarks.isNull())
        painter.drawImage(shown, m_classMarks, m_classMarks.rect());
}
