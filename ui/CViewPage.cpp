#include "ui/CViewPage.h"

#include "io/SettingNames.h"
#include "res/Resource.h"
#include "ui/CMenuLook.h"
#include "uikit/CButtonX.h"
#include "uikit/Profile.h"
#include "uikit/StringTable.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QRadioButton>

using namespace kinetra::settings;

namespace {

constexpr int kDefaultMenuStyle = 2;

} // namespace

CViewPage::CViewPage(QWidget* parent) : COptionsPage(parent)
{
    setObjectName(QStringLiteral("ViewPage"));

    addGroup(IDC_BARS_GROUP, IDS_VIEW_BARS_GROUP, QRect(7, 2, 216, 28));
    m_checkToolBar = addCheckBox(IDC_SHOW_TOOLBAR, IDS_VIEW_SHOW_TOOLBAR, QRect(14, 14, 96, 12));
    m_checkStatusBar = addCheckBox(IDC_SHOW_STATUSBAR, IDS_VIEW_SHOW_STATUSBAR, QRect(116, 14, 102, 12));

    addGroup(IDC_MENU_GROUP, IDS_VIEW_MENU_GROUP, QRect(7, 32, 216, 84));
    m_checkSpecialBorder = addCheckBox(IDC_SPECIAL_BORDER, IDS_VIEW_SPECIAL_BORDER, QRect(14, 44, 204, 12));
    m_checkSameBorder = addCheckBox(IDC_SAME_BORDER, IDS_VIEW_SAME_BORDER, QRect(14, 57, 204, 12));
    m_checkDisabledSelection =
        addCheckBox(IDC_DISABLED_SELECTION, IDS_VIEW_DISABLED_SELECTION, QRect(14, 70, 204, 12));
    m_checkGloom = addCheckBox(IDC_GLOOM, IDS_VIEW_GLOOM, QRect(14, 83, 204, 12));
    m_radioXp = addRadioButton(IDC_XP_STYLE, IDS_VIEW_XP_STYLE, QRect(14, 99, 96, 12));
    m_radioOld = addRadioButton(IDC_OLD_STYLE, IDS_VIEW_OLD_STYLE, QRect(116, 99, 102, 12));
    m_styleGroup = new QButtonGroup(this);
    m_styleGroup->addButton(m_radioXp, kXpStyle);
    m_styleGroup->addButton(m_radioOld, kOldStyle);

    addGroup(IDC_BUTTONS_GROUP, IDS_VIEW_BUTTONS_GROUP, QRect(7, 118, 216, 40));
    m_checkEffects = addCheckBox(IDC_BUTTON_EFFECTS, IDS_VIEW_BUTTON_EFFECTS, QRect(14, 130, 204, 12));
    m_checkIcons = addCheckBox(IDC_BUTTON_ICONS, IDS_VIEW_BUTTON_ICONS, QRect(14, 143, 204, 12));

    // Kept for the stored settings, but Qt's menus are drawn by the desktop's
    // style, which knows no such switches.
    for (QCheckBox* box : {m_checkSpecialBorder, m_checkSameBorder, m_checkDisabledSelection, m_checkGloom})
        box->setToolTip(uLoadString(IDS_VIEW_NO_EFFECT_TIP));

    connect(m_styleGroup, &QButtonGroup::idToggled, this, [this] { updateDependentBoxes(); });
    connect(m_checkEffects, &QCheckBox::toggled, this, [this] { updateDependentBoxes(); });

    for (int id : {IDC_BARS_GROUP, IDC_MENU_GROUP, IDC_SHOW_TOOLBAR, IDC_SHOW_STATUSBAR, IDC_SPECIAL_BORDER,
                   IDC_SAME_BORDER, IDC_DISABLED_SELECTION, IDC_GLOOM, IDC_XP_STYLE, IDC_OLD_STYLE,
                   IDC_BUTTON_EFFECTS, IDC_BUTTON_ICONS})
        widenWithPage(id);
    growWithPage(IDC_BUTTONS_GROUP);
}

int CViewPage::MenuStyleValue(int styleIndex, bool specialBorder)
{
    switch (styleIndex) {
    case kXpStyle: return specialBorder ? 2 : 3;
    case kOldStyle: return specialBorder ? 0 : 1;
    default: return kDefaultMenuStyle;
    }
}

int CViewPage::ButtonSettingsValue(bool effects, bool icons)
{
    return (icons ? 0 : BTNX_HIDE_ICONS) | (effects ? 0 : BTNX_NO_EFFECTS);
}

bool CViewPage::OnInitDialog()
{
    m_checkToolBar->setChecked(uGetProfileInt(kOptions, kShowToolBar, 1) != 0);
    m_checkStatusBar->setChecked(uGetProfileInt(kOptions, kShowStatusBar, 1) != 0);
    m_checkDisabledSelection->setChecked(uGetProfileInt(kMenu, kMenuSelection, 1) != 0);
    m_checkGloom->setChecked(CMenuLook::GetXpBlendig());
    m_checkSameBorder->setChecked(CMenuLook::GetNewMenuBorderAllMenu());

    // A style that is none of the four leaves the choice to the user.
    const int style = uGetProfileInt(kMenu, kMenuStyle, kDefaultMenuStyle);
    const bool known = style >= 0 && style <= 3;
    setStyleIndex(!known ? kNoStyle : CMenuLook::IsXpDrawMode(style) ? kXpStyle : kOldStyle);
    m_checkSpecialBorder->setChecked(known && (style == 0 || style == 2));

    const int buttons = uGetProfileInt(kButtonX, kButtonSettings, 0);
    m_checkIcons->setChecked(!(buttons & BTNX_HIDE_ICONS));
    m_checkEffects->setChecked(!(buttons & BTNX_NO_EFFECTS));
    updateDependentBoxes();
    return true;
}

int CViewPage::styleIndex() const
{
    return m_styleGroup->checkedId();
}

void CViewPage::setStyleIndex(int index)
{
    if (index == kNoStyle) {
        // An exclusive group always keeps one button checked.
        m_styleGroup->setExclusive(false);
        m_radioXp->setChecked(false);
        m_radioOld->setChecked(false);
        m_styleGroup->setExclusive(true);
    } else {
        m_styleGroup->button(index)->setChecked(true);
    }
    updateDependentBoxes();
}

void CViewPage::updateDependentBoxes()
{
    m_checkGloom->setEnabled(styleIndex() == kXpStyle);
    m_checkIcons->setEnabled(m_checkEffects->isChecked());
}

void CViewPage::Apply()
{
    uWriteProfileInt(kOptions, kShowToolBar, m_checkToolBar->isChecked() ? 1 : 0);
    uWriteProfileInt(kOptions, kShowStatusBar, m_checkStatusBar->isChecked() ? 1 : 0);

    const int style = MenuStyleValue(styleIndex(), m_checkSpecialBorder->isChecked());
    CMenuLook::SetMenuDrawMode(style);
    uWriteProfileInt(kMenu, kMenuStyle, style);
    CMenuLook::SetXpBlendig(m_checkGloom->isChecked());
    uWriteProfileInt(kMenu, kMenuGloom, m_checkGloom->isChecked() ? 1 : 0);
    CMenuLook::SetSelectDisableMode(m_checkDisabledSelection->isChecked());
    uWriteProfileInt(kMenu, kMenuSelection, m_checkDisabledSelection->isChecked() ? 1 : 0);
    CMenuLook::SetNewMenuBorderAllMenu(m_checkSameBorder->isChecked());

    // Every live button of the program takes the new look at once.
    const int buttons = ButtonSettingsValue(m_checkEffects->isChecked(), m_checkIcons->isChecked());
    uWriteProfileInt(kButtonX, kButtonSettings, buttons);
    CButtonX::SetButtonsSettings(buttons);
}

void CViewPage::SetDefaults()
{
    for (QCheckBox* box : {m_checkToolBar, m_checkStatusBar, m_checkSpecialBorder, m_checkSameBorder,
                           m_checkDisabledSelection, m_checkGloom, m_checkEffects, m_checkIcons})
        box->setChecked(true);
    setStyleIndex(kXpStyle);
}
