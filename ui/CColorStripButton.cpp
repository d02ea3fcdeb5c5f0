#include "ui/CColorStripButton.h"

#include "uikit/Colour.h"

#include <QPainter>

namespace {

constexpr int kStripWidth = 16;
constexpr int kStripHeight = 5;

} // namespace

CColorStripButton::CColorStripButton(const unsigned* color, QWidget* parent)
    : QToolButton(parent), m_pColor(color)
{
}

QRect CColorStripButton::StripRect() const
{
    // The icon sits centred in the button; the strip covers its last rows.
    const QSize icon = iconSize();
    const QPoint iconTopLeft((width() - icon.width()) / 2, (height() - icon.height()) / 2);
    QRect strip(iconTopLeft.x(), iconTopLeft.y() + icon.height() - kStripHeight, kStripWidth, kStripHeight);
    if (isDown() || isChecked())
        strip.translate(1, 1);
    return strip;
}

void CColorStripButton::paintEvent(QPaintEvent* event)
{
    QToolButton::paintEvent(event);

    QPainter painter(this);
    const QRect strip = StripRect();
    painter.fillRect(strip, palette().color(QPalette::Dark));
    const QColor inside = isEnabled() && m_pColor ? uColorFromRef(*m_pColor) : palette().color(QPalette::Button);
    painter.fillRect(strip.adjusted(1, 1, -1, -1), inside);
}
