#include "uikit/CFramePosition.h"

#include "uikit/Profile.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <algorithm>

namespace {

const QString kX = QStringLiteral("X");
const QString kY = QStringLiteral("Y");
const QString kWidth = QStringLiteral("Width");
const QString kHeight = QStringLiteral("Height");
const QString kMaximized = QStringLiteral("Maximized");

// A placement saved on a monitor that is gone would open the window where
// nobody can reach it: it must overlap some screen by a grip's worth.
bool isReachable(const QRect& rect)
{
    constexpr int kGrip = 32;
    for (const QScreen* screen : QGuiApplication::screens()) {
        const QRect overlap = rect.intersected(screen->availableGeometry());
        if (overlap.width() >= std::min(kGrip, rect.width()) && overlap.height() >= std::min(kGrip, rect.height()))
            return true;
    }
    return false;
}

QRect ontoPrimaryScreen(QRect rect)
{
    const QScreen* primary = QGuiApplication::primaryScreen();
    if (!primary)
        return rect;
    const QRect area = primary->availableGeometry();
    rect.setSize(rect.size().boundedTo(area.size()));
    rect.moveCenter(area.center());
    return rect;
}

} // namespace

void CFramePosition::LoadPosition(QWidget* window, int flags)
{
    (void)flags;
    if (!window)
        return;
    const QString section = RegKey();
    const int width = uGetProfileInt(section, kWidth, 0);
    const int height = uGetProfileInt(section, kHeight, 0);
    if (width <= 0 || height <= 0)
        return;
    QRect rect(uGetProfileInt(section, kX, 0), uGetProfileInt(section, kY, 0), width, height);
    if (!isReachable(rect))
        rect = ontoPrimaryScreen(rect);
    window->setGeometry(rect);
    if (uGetProfileInt(section, kMaximized, 0) != 0)
        window->setWindowState(window->windowState() | Qt::WindowMaximized);
}

void CFramePosition::SavePosition(QWidget* window)
{
    if (!window)
        return;
    const bool maximized = window->isMaximized();
    // While maximised, keep the size the window returns to.
    QRect rect = maximized ? window->normalGeometry() : window->geometry();
    if (!rect.isValid())
        rect = window->geometry();
    const QString section = RegKey();
    uWriteProfileInt(section, kX, rect.x());
    uWriteProfileInt(section, kY, rect.y());
    uWriteProfileInt(section, kWidth, rect.width());
    uWriteProfileInt(section, kHeight, rect.height());
    uWriteProfileInt(section, kMaximized, maximized ? 1 : 0);
}
