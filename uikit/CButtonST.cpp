#include "uikit/CButtonST.h"

#include <QPainter>
#include <QStyleOptionFocusRect>

CButtonST::CButtonST(QWidget* parent) : QPushButton(parent)
{
    setCheckable(true);
}

void CButtonST::SetIcon(const QIcon& icon)
{
    setIcon(icon);
}

void CButtonST::SetIcon(const QString& resourcePath)
{
    setIcon(QIcon(resourcePath));
}

void CButtonST::SetTooltipText(const QString& text)
{
    setToolTip(text);
}

void CButtonST::SetCheck(bool checked)
{
    setChecked(checked);
}

bool CButtonST::GetCheck() const
{
    return isChecked();
}

void CButtonST::DrawFlatFocus(bool drawFlatFocus, bool repaint)
{
    m_bDrawFlatFocus = drawFlatFocus;
    if (repaint)
        update();
}

void CButtonST::paintEvent(QPaintEvent* event)
{
    QPushButton::paintEvent(event);
    // Styles leave the focus of flat buttons undrawn.
    if (!m_bDrawFlatFocus || !isFlat() || !hasFocus())
        return;
    QPainter painter(this);
    QStyleOptionFocusRect option;
    option.initFrom(this);
    option.rect = rect().adjusted(3, 3, -3, -3);
    style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
}
