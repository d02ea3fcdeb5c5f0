#include "palette/CColorTable.h"

#include "uikit/Colour.h"

#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QToolTip>

#include <algorithm>

namespace {

constexpr int kRows = CColorTable::kCellCount / CColorTable::kColumns;
constexpr int kDefaultBoxSize = 16;

int rowOf(int index)
{
    return index >= 0 && index < CColorTable::kCellCount ? index / CColorTable::kColumns : -1;
}

int columnOf(int index)
{
    return index >= 0 && index < CColorTable::kCellCount ? index % CColorTable::kColumns : -1;
}

int cellIndex(int row, int column)
{
    if (row < 0 || row >= kRows || column < 0 || column >= CColorTable::kColumns)
        return -1;
    return row * CColorTable::kColumns + column;
}

int edgeOf(const QStyle* style)
{
    return std::max(1, style->pixelMetric(QStyle::PM_DefaultFrameWidth));
}

// A thick edge would leave too little of a 16-pixel box for the swatch.
int boxSizeFor(int edge)
{
    return kDefaultBoxSize - (2 * edge + 2) < 5 ? 2 * edge + 7 : kDefaultBoxSize;
}

int windowSideFor(int edge)
{
    return 3 * edge + CColorTable::kColumns * boxSizeFor(edge);
}

// The focus runs through the grid row by row and wraps at both ends; with
// no cell focused row and column are -1.
int nextFocus(int focused, int key)
{
    const int row = rowOf(focused);
    const int column = columnOf(focused);
    int next = -1;
    switch (key) {
    case Qt::Key_Down:
        next = cellIndex(row + 1, column);
        break;
    case Qt::Key_Up:
        return row > 0 ? cellIndex(row - 1, column) : CColorTable::kCellCount - 1;
    case Qt::Key_Right:
        next = column < CColorTable::kColumns - 1 ? cellIndex(row, column + 1) : cellIndex(row + 1, 0);
        break;
    case Qt::Key_Left:
        if (column > 0)
            return cellIndex(row, column - 1);
        return row > 0 ? cellIndex(row - 1, CColorTable::kColumns - 1) : CColorTable::kCellCount - 1;
    default:
        return focused;
    }
    return next >= 0 ? next : 0;
}

unsigned colorRefOf(const kinetra::PaletteEntry& entry)
{
    return unsigned(entry.red) | (unsigned(entry.green) << 8) | (unsigned(entry.blue) << 16);
}

QColor blendOf(const QColor& highlight, const QColor& menu)
{
    const auto mix = [](int top, int under) { return (top * 48 + under * 207) / 256; };
    return QColor(mix(highlight.red(), menu.red()), mix(highlight.green(), menu.green()),
                  mix(highlight.blue(), menu.blue()));
}

} // namespace

CColorTable::CColorTable(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("CColorTable"));
}

int CColorTable::WindowSide(const QStyle* style)
{
    return windowSideFor(edgeOf(style));
}

bool CColorTable::Create(int x, int y, const kinetra::Palette* source, QWidget* parent, int id)
{
    if (!source || !parent)
        return false;
    for (int i = 0; i < kCellCount; ++i)
        m_crCells[std::size_t(i)] = colorRefOf((*source)[std::size_t(i)]);
    m_nId = id;
    m_nFocused = 0;
    m_nSelected = 0;
    m_crFocused = m_crCells[0];
    m_crChosen = m_crCells[0];

    if (parentWidget() != parent)
        setParent(parent);
    m_nEdge = edgeOf(style());
    m_nBoxSize = boxSizeFor(m_nEdge);
    const int side = windowSideFor(m_nEdge);
    setGeometry(x, y, side, side);
    setFixedSize(side, side);
    // The sunken frame takes an edge on every side; the grid starts an edge
    // further in and ends at the frame.
    m_rcClient = rect().adjusted(m_nEdge, m_nEdge, -m_nEdge, -m_nEdge);
    m_rcGrid = QRect(m_rcClient.topLeft() + QPoint(m_nEdge, m_nEdge),
                     QSize(kColumns * m_nBoxSize, kRows * m_nBoxSize));

    const QPalette& colors = palette();
    m_colors.menu = colors.color(QPalette::Window);
    m_colors.highlight = colors.color(QPalette::Highlight);
    m_colors.blend = blendOf(m_colors.highlight, m_colors.menu);
    m_colors.shadow = colors.color(QPalette::Dark);

    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    show();
    update();
    return true;
}

unsigned CColorTable::CellColor(int index) const
{
    return index >= 0 && index < kCellCount ? m_crCells[std::size_t(index)] : kNoColor;
}

QString CColorTable::CellTip(int index) const
{
    if (index < 0 || index >= kCellCount)
        return {};
    const QColor colour = uColorFromRef(m_crCells[std::size_t(index)]);
    return QString::asprintf("RGB: %d, %d, %d; Idx: %d", colour.red(), colour.green(), colour.blue(), index);
}

QRect CColorTable::CellRect(int index) const
{
    if (index < 0 || index >= kCellCount)
        return {};
    return QRect(m_rcGrid.left() + columnOf(index) * m_nBoxSize, m_rcGrid.top() + rowOf(index) * m_nBoxSize,
                 m_nBoxSize, m_nBoxSize);
}

int CColorTable::CellAt(const QPoint& pos) const
{
    if (!m_rcGrid.contains(pos))
        return -1;
    return cellIndex((pos.y() - m_rcGrid.top()) / m_nBoxSize, (pos.x() - m_rcGrid.left()) / m_nBoxSize);
}

void CColorTable::SetFocusCell(int index)
{
    if (index < 0 || index >= kCellCount)
        index = -1;
    update(CellRect(m_nFocused));
    m_nFocused = index;
    m_crFocused = CellColor(index);
    update(CellRect(m_nFocused));
    emit focusChanged(CurrentColor());
}

void CColorTable::SetSelectedColor(unsigned colour)
{
    if (m_nSelected < 0)
        return;
    colour &= 0x00FFFFFFu;
    m_crCells[std::size_t(m_nSelected)] = colour;
    m_crChosen = colour;
    if (m_nFocused == m_nSelected)
        m_crFocused = colour;
    update();
}

void CColorTable::selectCell(int index)
{
    if (index == m_nSelected)
        return;
    SetFocusCell(index);
    m_nSelected = m_nFocused;
    m_crChosen = m_crFocused;
    update();
    emit colorSelected(m_crChosen, m_nId);
}

void CColorTable::editChosenColor()
{
    // With no cell chosen there is nothing the colour could go to.
    if (m_nSelected < 0)
        return;
    unsigned colour = m_crChosen;
    if (!ShowColorDialog(colour, this))
        return;
    SetSelectedColor(colour);
    emit colorSelected(m_crChosen, m_nId);
}

bool CColorTable::event(QEvent* event)
{
    if (event->type() == QEvent::ToolTip) {
        const auto* help = static_cast<QHelpEvent*>(event);
        const int index = CellAt(help->pos());
        if (index >= 0) {
            QToolTip::showText(help->globalPos(), CellTip(index), this, CellRect(index));
        } else {
            QToolTip::hideText();
            event->ignore();
        }
        return true;
    }
    return QWidget::event(event);
}

void CColorTable::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    painter.fillRect(rect(), m_colors.menu);

    QStyleOptionFrame frame;
    frame.initFrom(this);
    frame.state |= QStyle::State_Sunken;
    frame.lineWidth = m_nEdge;
    frame.midLineWidth = 0;
    frame.frameShape = QFrame::StyledPanel;
    style()->drawPrimitive(QStyle::PE_Frame, &frame, &painter, this);

    for (int i = 0; i < kCellCount; ++i) {
        if (event->rect().intersects(CellRect(i)))
            drawCell(painter, i);
    }
}

void CColorTable::drawCell(QPainter& painter, int index) const
{
    const QRect box = CellRect(index);
    painter.fillRect(box, m_colors.menu);

    const bool focused = index == m_nFocused;
    const bool selected = index == m_nSelected;
    // A stroked QRect covers one pixel more than its size each way.
    if (focused || selected) {
        painter.setPen(m_colors.highlight);
        painter.setBrush(focused ? m_colors.highlight : m_colors.blend);
        painter.drawRect(box.adjusted(0, 0, -1, -1));
    }
    const int inset = focused || selected ? 2 : 3;
    painter.setPen(m_colors.shadow);
    painter.setBrush(uColorFromRef(m_crCells[std::size_t(index)]));
    painter.drawRect(box.adjusted(inset, inset, -inset - 1, -inset - 1));
}

void CColorTable::mouseMoveEvent(QMouseEvent* event)
{
    const int index = CellAt(event->position().toPoint());
    if (index != m_nFocused)
        SetFocusCell(index);
    QWidget::mouseMoveEvent(event);
}

void CColorTable::leaveEvent(QEvent* event)
{
    // A quick move can leave the window without passing the margin.
    if (m_nFocused >= 0)
        SetFocusCell(-1);
    QWidget::leaveEvent(event);
}

void CColorTable::mouseReleaseEvent(QMouseEvent* event)
{
    const QPoint pos = event->position().toPoint();
    const Qt::MouseButton button = event->button();
    if (!m_rcClient.contains(pos) || (button != Qt::LeftButton && button != Qt::RightButton)) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    selectCell(CellAt(pos));
    if (button == Qt::RightButton)
        editChosenColor();
}

void CColorTable::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Left:
    case Qt::Key_Right:
        SetFocusCell(nextFocus(m_nFocused, event->key()));
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        // Without a focused cell Enter has nothing to choose.
        if (m_nFocused < 0)
            return;
        if (m_nFocused != m_nSelected)
            selectCell(m_nFocused);
        else
            editChosenColor();
        return;
    default:
        QWidget::keyPressEvent(event);
    }
}
