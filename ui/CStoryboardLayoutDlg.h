#pragma once

#include "storyboard/Storyboard.h"
#include "uikit/CDialogX.h"

class CButtonX;
class QCheckBox;
class QComboBox;
class QSpinBox;

// Asks for what a storyboard picture without its layout note cannot say,
// all that `kinetra-cli build` can be told: the rows of directions, the
// frames in each row, the delay between frames, the grid between the cells,
// where the frame lies on the game's picture and the original size. The
// offsets left "centred" place the frame in the middle of that picture; the
// animation time is the delay times the frames in a row, as `build` makes
// it when given no --animation-time.
class CStoryboardLayoutDlg : public CDialogX {
    Q_OBJECT

public:
    CStoryboardLayoutDlg(int sheetWidth, int sheetHeight, QWidget* parent = nullptr);

    // The facts as the controls hold them.
    kinetra::StoryboardFacts Facts() const;

protected:
    bool OnInitDialog() override;

private:
    // A first guess for the user to correct: square frames across the
    // rows the directions make, inside the grid when there is one.
    void guessFramesPerDirection();
    // A spin box of whole numbers up to 65535, placed at `geometry`
    // (dialog units).
    QSpinBox* makeNumberBox(const char* name, int minimum, int value, const QRect& geometry);

    int m_nSheetWidth;
    int m_nSheetHeight;
    QComboBox* m_comboDirections = nullptr;
    QSpinBox* m_spinFrames = nullptr;
    QSpinBox* m_spinSpeed = nullptr;
    QSpinBox* m_spinLeft = nullptr;
    QSpinBox* m_spinTop = nullptr;
    QSpinBox* m_spinOriginalWidth = nullptr;
    QSpinBox* m_spinOriginalHeight = nullptr;
    QCheckBox* m_checkBorder = nullptr;
    QSpinBox* m_spinBorderIndex = nullptr;
    CButtonX* m_btnOK = nullptr;
    CButtonX* m_btnCancel = nullptr;
};
