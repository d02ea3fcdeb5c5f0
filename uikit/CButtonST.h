#pragma once

#include <QIcon>
#include <QPushButton>

// A two-state push button (the direction buttons): icon, tooltip and a
// check state the program sets and reads.
class CButtonST : public QPushButton {
    Q_OBJECT

public:
    explicit CButtonST(QWidget* parent = nullptr);

    void SetIcon(const QIcon& icon);
    void SetIcon(const QString& resourcePath);
    void SetTooltipText(const QString& text);
    void SetCheck(bool checked);
    bool GetCheck() const;
    // Draws the focus rectangle of a flat button too; the second value
    // repaints at once.
    void DrawFlatFocus(bool drawFlatFocus, bool repaint = false);
    bool IsFlatFocusDrawn() const { return m_bDrawFlatFocus; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool m_bDrawFlatFocus = false;
};
