#pragma once

#include "ui/COptionsPage.h"

class QButtonGroup;
class QCheckBox;
class QRadioButton;

// The "View" page: the bars, the menu look and the button look.
class CViewPage : public COptionsPage {
    Q_OBJECT

public:
    enum : int {
        IDD = 559,
        IDC_SPECIAL_BORDER = 1068,
        IDC_SAME_BORDER = 1069,
        IDC_DISABLED_SELECTION = 1070,
        IDC_GLOOM = 1071,
        IDC_OLD_STYLE = 1073,
        IDC_BUTTON_EFFECTS = 1074,
        IDC_BUTTON_ICONS = 1075,
        IDC_XP_STYLE = 1077,
        IDC_SHOW_TOOLBAR = 1418,
        IDC_SHOW_STATUSBAR = 1426,
        IDC_BARS_GROUP = 1435,
        IDC_MENU_GROUP = 1500,
        IDC_BUTTONS_GROUP = 1501,
    };
    // The style radios: none chosen, XP, old.
    enum : int { kNoStyle = -1, kXpStyle = 0, kOldStyle = 1 };

    explicit CViewPage(QWidget* parent = nullptr);

    void Apply() override;
    void SetDefaults() override;

    // "Menu"/"Style" from the style radio and the special-border box: 2 when
    // no radio is chosen.
    static int MenuStyleValue(int styleIndex, bool specialBorder);
    // "ButtonX"/"Settings" from the two button boxes.
    static int ButtonSettingsValue(bool effects, bool icons);

protected:
    bool OnInitDialog() override;

private:
    int styleIndex() const;
    void setStyleIndex(int index);
    // Gloom goes with the XP look, icons with the effects.
    void updateDependentBoxes();

    QCheckBox* m_checkToolBar = nullptr;
    QCheckBox* m_checkStatusBar = nullptr;
    QCheckBox* m_checkSpecialBorder = nullptr;
    QCheckBox* m_checkSameBorder = nullptr;
    QCheckBox* m_checkDisabledSelection = nullptr;
    QCheckBox* m_checkGloom = nullptr;
    QRadioButton* m_radioXp = nullptr;
    QRadioButton* m_radioOld = nullptr;
    QButtonGroup* m_styleGroup = nullptr;
    QCheckBox* m_checkEffects = nullptr;
    QCheckBox* m_checkIcons = nullptr;
};
