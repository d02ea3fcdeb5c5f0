#pragma once

#include "imaging/CFlcPlayerCore.h"
#include "imaging/PixelProbe.h"

#include <QElapsedTimer>
#include <QImage>
#include <QTimer>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <optional>

// The picture of the animation. Everything it shows and every playback rule
// live in its second base, the player core; the widget gives the core a
// clock, a timer, the program's settings and message boxes, and paints what
// the screen presents.
class CFlcPlayer : public QWidget, public kinetra::CFlcPlayerCore {
    Q_OBJECT

public:
    using Clock = std::function<std::uint32_t()>;
    // Where the colourings come from, asked at the time of use.
    using FolderSource = std::function<QString()>;

    explicit CFlcPlayer(QWidget* parent = nullptr);
    // Stores the direction and unloads while the widget still answers the
    // core's calls.
    ~CFlcPlayer() override;

    // Sizes the window to 240 × 240, makes the player's screen, which
    // becomes the program's, and reads the player's settings; false when
    // the screen cannot be made.
    bool Initialize();
    // Opens path and starts playing: kOk on success, kFail when the file
    // cannot be read (after message 61207), kOk for an empty path.
    virtual kinetra::HResult Load(const QString& path);
    void Unload();

    // The core's palette files and saving, for paths as the window has
    // them.
    using kinetra::CFlcPlayerCore::ExportPalette;
    using kinetra::CFlcPlayerCore::ImportPalette;
    using kinetra::CFlcPlayerCore::Save;
    [[nodiscard]] kinetra::PaletteFileResult ImportPalette(const QString& path);
    [[nodiscard]] kinetra::PaletteFileResult ExportPalette(const QString& path, int format);
    kinetra::HResult Save(const QString& destination);

    // The game's folder (kPaletteFromGame) and the "Pal Dir" folder
    // (kPaletteFromFolder), as the owner knows them; without one the core's
    // own fields are used.
    void SetFolderSources(FolderSource gameFolder, FolderSource paletteFolder);

    // Replaces the millisecond clock (a monotonic one by default); an empty
    // function restores it.
    void SetClock(Clock clock) { m_clock = std::move(clock); }
    // The interval of the running player timer in milliseconds, or 0 when it
    // is stopped.
    int TimerInterval() const { return m_timer.isActive() ? m_timer.interval() : 0; }

    // The last picture handed over by the screen (null before the first):
    // the whole picture, whatever size the widget shows it at.
    const QImage& PresentedImage() const { return m_presented; }

    // Whole widget pixels per picture pixel, drawn nearest-neighbour. Only
    // what is drawn changes: the widget takes the zoomed picture's size.
    static constexpr int kMinimumZoom = 1;
    static constexpr int kMaximumZoom = 8;
    // Held to kMinimumZoom..kMaximumZoom.
    void SetZoom(int zoom);
    int Zoom() const { return m_zoom; }
    // Marks the civilization, light, shadow and transparent pixels of the
    // frame on screen in their classes' colours (indexClassMark).
    void SetShowClasses(bool on);
    bool ShowsClasses() const { return m_showClasses; }
    // The frame's pixel under a point of the widget, of the frame on
    // screen; none off the frame or with nothing loaded.
    std::optional<kinetra::PixelProbe> PixelAt(const QPointF& position) const;
    // The same under the mouse pointer, while it is over the widget.
    std::optional<kinetra::PixelProbe> PixelUnderCursor() const;

signals:
    // Loaded or unloaded.
    void stateChanged();
    // The frame numbers changed (after an advance, a step or a direction).
    void frameNumbersChanged();
    // The position slider should follow the current frame.
    void positionSliderChanged();
    // The widget took the size of a newly loaded or zoomed picture.
    void pictureResized();
    // The pointer moved over the picture, left it, or the picture under it
    // changed.
    void pixelUnderCursorChanged();
    // Ctrl and the mouse wheel at `at`: zoom in (steps > 0) or out.
    void zoomRequested(int steps, const QPointF& at);
    void doubleClicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

    std::uint32_t GetTickCount() override;
    void OnSetTimer(std::uint32_t intervalMs) override;
    void OnKillTimer() override;
    void OnShowFrameNumbers() override { emit frameNumbersChanged(); }
    void OnSetPositionSlider() override { emit positionSliderChanged(); }
    void OnResizeCanvas(int width, int height) override;
    void OnInvalidDocument(const std::string& filePath) override;
    std::string GetGameFolder() const override;
    std::string GetPaletteFolder() const override;

private:
    void present(const kinetra::CSurface& backBuffer);
    // The largest picture the window can show on its screen.
    QSize roomForPicture() const;
    // The widget's size for the picture at the zoom.
    void sizeToPicture();
    // Where the picture lies in the widget, as paintEvent draws it;
    // `scaledDown` tells whether it is shown smaller than its own size.
    QRectF pictureRect(bool* scaledDown = nullptr) const;
    void markClasses();

    QTimer m_timer;
    QElapsedTimer m_elapsed;
    Clock m_clock;
    QImage m_presented;
    // The frame m_presented shows, and the marks of its classes over it.
    int m_presentedFrame = 0;
    QImage m_classMarks;
    QSize m_pictureSize{kinetra::kCanvasSize, kinetra::kCanvasSize};
    int m_zoom = kMinimumZoom;
    bool m_showClasses = false;
    QPointF m_cursor;
    bool m_cursorInside = false;
    // Wheel turns short of a notch (touchpads send them) add up.
    int m_wheelTurn = 0;
    FolderSource m_gameFolder;
    FolderSource m_paletteFolder;
};
