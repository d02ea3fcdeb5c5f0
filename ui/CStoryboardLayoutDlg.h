#pragma once

#include "imaging/Storyboard.h"
#include "uikit/CDialogX.h"

class CButtonX;
class QComboBox;
class QSpinBox;

// Asks for what a storyboard picture without its layout note cannot say:
// the rows of directions, the frames in each row and the delay between
// frames. The build centres the frames on the game's picture itself.
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
    // rows the directions make.
    void guessFramesPerDirection();

    int m_nSheetWidth;
    int m_nSheetHeight;
    QComboBox* m_comboDirections = nullptr;
    QSpinBox* m_spinFrames = nullptr;
    QSpinBox* m_spinSpeed = nullptr;
    CButtonX* m_btnOK = nullptr;
    CButtonX* m_btnCancel = nullptr;
};
