#pragma once

#include "flc/Palette.h"

#include <QColor>
#include <QRect>
#include <QWidget>

#include <array>

class QStyle;

// The 16 × 16 grid of a palette's colours: the cell under the mouse (or the
// keyboard focus) is highlighted, one cell is chosen, and its colour can be
// replaced. Colours are colour references, 0x00BBGGRR.
class CColorTable : public QWidget {
    Q_OBJECT

public:
    // The numbers of the two notifications; they travel as the signals
    // focusChanged (CTN_FOCUS) and colorSelected (CTN_SELECT).
    enum : int {
        CTN_FOCUS = 2025,
        CTN_SELECT = 2028,
    };
    static constexpr int kCellCount = 256;
    static constexpr int kColumns = 16;
    // The colour of no cell: all bits set, never a colour reference.
    static constexpr unsigned kNoColor = 0xFFFFFFFFu;

    explicit CColorTable(QWidget* parent = nullptr);

    // Copies the palette into the cells and becomes a child of `parent` at
    // (x, y), sized for the style's frame. False without a palette or a
    // parent. Focus and selection start on cell 0.
    bool Create(int x, int y, const kinetra::Palette* palette, QWidget* parent, int id);

    // Moves the highlight to `index` (-1, or anything outside the grid, for
    // none) and reports CTN_FOCUS.
    void SetFocusCell(int index);
    // Gives the selected cell `colour`; with no cell selected nothing changes.
    void SetSelectedColor(unsigned colour);

    int Id() const { return m_nId; }
    int BoxSize() const { return m_nBoxSize; }
    int Edge() const { return m_nEdge; }
    int FocusedIndex() const { return m_nFocused; }
    int SelectedIndex() const { return m_nSelected; }
    // kNoColor when no cell is focused.
    unsigned FocusedColor() const { return m_crFocused; }
    // kNoColor when no cell is selected.
    unsigned ChosenColor() const { return m_crChosen; }
    // What CTN_FOCUS reports: the focused colour, or the chosen one when no
    // cell is focused.
    unsigned CurrentColor() const { return m_nFocused >= 0 ? m_crFocused : m_crChosen; }
    // kNoColor outside 0..255.
    unsigned CellColor(int index) const;
    QString CellTip(int index) const;
    // The cell's box in widget coordinates; empty outside 0..255.
    QRect CellRect(int index) const;
    // The cell under `pos`, or -1 off the grid.
    int CellAt(const QPoint& pos) const;
    QRect ClientRect() const { return m_rcClient; }

    // The side of the square window for `style`.
    static int WindowSide(const QStyle* style);

signals:
    // CTN_FOCUS: the value of CurrentColor().
    void focusChanged(unsigned colour);
    // CTN_SELECT: a cell was chosen, or the chosen cell got a new colour.
    void colorSelected(unsigned colour, int id);

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    struct Colors {
        QColor menu;
        QColor highlight;
        QColor blend; // 48/256 highlight over the menu colour
        QColor shadow;
    };

    void selectCell(int index);
    // Lets the user replace the chosen colour; reports CTN_SELECT when done.
    void editChosenColor();
    void drawCell(QPainter& painter, int index) const;

    std::array<unsigned, kCellCount> m_crCells{};
    int m_nBoxSize = 16;
    int m_nEdge = 1;
    int m_nFocused = 0;
    int m_nSelected = 0;
    unsigned m_crFocused = 0;
    unsigned m_crChosen = 0;
    QRect m_rcClient;
    QRect m_rcGrid;
    int m_nId = 0;
    Colors m_colors;
};
