#pragma once

#include "flc/CFlcAnimation.h"
#include "imaging/CScreen.h"

#include <QImage>
#include <QWidget>

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

    bool loaded = false;
    bool plainFlc = false;
    int currentFrame = 0;

signals:
    void stateChanged();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    // Draws the current frame over the background and presents it.
    void Tick();

    std::unique_ptr<kinetra::CScreen> m_screen;
    QImage m_presented;
};
