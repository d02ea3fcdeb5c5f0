#pragma once

#include "flc/CFlcAnimation.h"
#include "imaging/CScreen.h"

#include <QImage>
#include <QWidget>

#include <cstdint>
#include <memory>

// The picture of the animation, and through its second base the animation
// model itself. It owns the program's screen while it exists.
class CFlcPlayer : public QWidget, public kinetra::CFlcAnimation {
    Q_OBJECT

public:
    explicit CFlcPlayer(QWidget* parent = nullptr);
    ~CFlcPlayer() override;

    // Sizes the window to 240 × 240 and makes the screen; false when the
    // screen cannot be made.
    bool Initialize();
    // Opens path: 0 on success, 0x80004005 when the file cannot be read
    // (after message 61207), 0 for an empty path.
    virtual kinetra::HResult Load(const QString& path);
    void Unload();

    // Fills the back buffer with `fillColor`.
    void DrawBackground();
    // Draws frame `currentFrame` at the header's offsets, leaving out its
    // colour key; a frame reaching past the picture is clipped.
    void ComposeFrame();

    // The last picture handed over by the screen (null before the first).
    const QImage& PresentedImage() const { return m_presented; }

    bool loaded = false;
    bool plainFlc = false;
    int currentFrame = 0;
    // 0x00RRGGBB: what the back buffer is filled with under the frame.
    std::uint32_t fillColor = 0;
    // 0x00BBGGRR: the application palette's button colour at construction.
    unsigned defaultColor = 0;

signals:
    void stateChanged();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    // Draws the current frame over the background and presents it.
    void Tick();
    void present(const kinetra::CSurface& backBuffer);

    std::unique_ptr<kinetra::CScreen> m_screen;
    QImage m_presented;
};

// A colour reference (0x00BBGGRR) as the 0x00RRGGBB fill colour of a surface.
std::uint32_t FillColorFromRef(unsigned colorRef);
