#pragma once

#include <QPoint>
#include <QString>
#include <QWidget>

#include <array>

class QToolButton;

// The colour pop-up: a grid of colours under a "Default" entry and above a
// "Custom..." entry, shown at once at the anchor. It reports the choice by
// colourSelected (the platform's message 2028) and deletes itself when it
// closes, chosen or not.
class CColourPopupXP : public QWidget {
    Q_OBJECT

public:
    // The colour given by the default entry.
    static constexpr unsigned kDefaultColour = 0xFF000000u;
    static constexpr int kColumns = 8;
    static constexpr int kColourCount = 40;

    // colour is 0x00BBGGRR; an empty text leaves its entry out.
    CColourPopupXP(const QPoint& anchor, unsigned colour, QWidget* parent, const QString& defaultText,
                   const QString& customText, unsigned controlId);

    // The grid's colours, 0x00BBGGRR.
    static const std::array<unsigned, kColourCount>& Colours();

    // The XP menu look: flat cells that light up under the mouse.
    static inline bool m_bMenuXpStyle = false;

signals:
    void colourSelected(unsigned colour, unsigned controlId);
    // Closed without a choice.
    void selectionCancelled(unsigned controlId);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void choose(unsigned colour);
    void chooseCustom();
    QToolButton* makeCell(unsigned colour);

    unsigned m_colour;
    unsigned m_controlId;
    bool m_bChosen = false;
};
