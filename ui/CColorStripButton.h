#pragma once

#include <QToolButton>

// The toolbar's Select color button: its icon leaves the bottom rows free,
// and the button paints the present background colour there as a strip.
class CColorStripButton : public QToolButton {
    Q_OBJECT

public:
    // `color` (0x00BBGGRR) is read at every paint; it must outlive the button.
    explicit CColorStripButton(const unsigned* color, QWidget* parent = nullptr);

    // The strip's outer rectangle in button coordinates: 16 × 5 along the
    // bottom of the icon, one pixel right and down while pressed or checked.
    QRect StripRect() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const unsigned* m_pColor;
};
