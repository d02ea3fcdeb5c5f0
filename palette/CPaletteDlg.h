#pragma once

#include "flc/Palette.h"
#include "io/SettingNames.h"
#include "uikit/CDialogX.h"
#include "uikit/CFramePosition.h"

class CButtonX;
class CColorTable;
class CEditX;
class QFrame;
class QKeyEvent;

// Views and edits the 256 colours of a palette: a grid, the values of the
// colour under the mouse and of the chosen one, and three edits for the
// chosen colour. The palette changes only on OK.
class CPaletteDlg : public CDialogX, public CFramePosition {
    Q_OBJECT

public:
    enum : int {
        IDC_SELECTED_RED = 1062,
        IDC_SELECTED_GREEN = 1063,
        IDC_SELECTED_BLUE = 1064,
        IDC_SELECTED_INDEX = 1065,
        IDC_SELECTED_SWATCH = 1060,
        IDC_CURRENT_SWATCH = 1061,
        IDC_CURRENT_RED = 1036,
        IDC_CURRENT_GREEN = 1037,
        IDC_CURRENT_BLUE = 1038,
        IDC_CURRENT_INDEX = 1039,
        IDC_TABLE_PLACE = 1033,
        IDC_COLOR_TABLE = 1035,
    };
    // Colour values take at most three digits.
    static constexpr int kEditLimit = 3;
    static constexpr int kFocusDelayMs = 100;

    // Without a palette the dialog ends as soon as it is shown, with IDCANCEL.
    explicit CPaletteDlg(kinetra::Palette* palette, QWidget* parent = nullptr);

    QString RegKey() const override { return kinetra::settings::kDlgPalette; }

    // Null before the dialog is first shown.
    CColorTable* ColorTable() const { return m_pColorTable; }
    // The control with a dialog id (IDOK, IDCANCEL, IDC_*), or null.
    QWidget* GetDlgItem(int id) const;
    CEditX* Edit(int id) const;
    CButtonX* SelectButton() const { return m_btnSelect; }
    CButtonX* OkButton() const { return m_btnOk; }
    CButtonX* CancelButton() const { return m_btnCancel; }
    unsigned CurrentColor() const { return m_crCurrent; }

protected:
    bool OnInitDialog() override;
    void OnDestroy() override;
    // Enter and Escape belong to the focused control: they never close it.
    void keyPressEvent(QKeyEvent* event) override;

private:
    void createControls();
    void OnTableFocus(unsigned colour);
    void OnTableSelect(unsigned colour);
    void OnColorEdited();
    void OnSelect();
    void OnOK();
    // The chosen cell takes `colour`, from the edits or the colour dialog.
    void applySelectedColor(unsigned colour);
    void fillFields();

    kinetra::Palette* m_pPalette;
    unsigned m_crCurrent = 0;
    unsigned m_crSelected = 0;

    CColorTable* m_pColorTable = nullptr;
    QWidget* m_pTablePlace = nullptr;
    QFrame* m_pSelectedSwatch = nullptr;
    QFrame* m_pCurrentSwatch = nullptr;
    CEditX* m_editRed = nullptr;
    CEditX* m_editGreen = nullptr;
    CEditX* m_editBlue = nullptr;
    CEditX* m_editSelectedIndex = nullptr;
    CEditX* m_editCurrentRed = nullptr;
    CEditX* m_editCurrentGreen = nullptr;
    CEditX* m_editCurrentBlue = nullptr;
    CEditX* m_editCurrentIndex = nullptr;
    CButtonX* m_btnOk = nullptr;
    CButtonX* m_btnSelect = nullptr;
    CButtonX* m_btnCancel = nullptr;
    // Only a dialog that showed its grid has a placement to keep.
    bool m_bShown = false;
};
