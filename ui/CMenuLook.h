#pragma once

// The menu look switches of the Options dialog. Qt menus draw with the
// desktop's style, so most of these are only kept for the settings and the
// dialog; the XP draw modes also give the colour pop-up its flat look.
class CMenuLook {
public:
    // Draw modes ("Menu"/"Style"): 0 old style with the special border,
    // 1 old style without, 2 XP style with, 3 XP style without.
    static void SetMenuDrawMode(int mode);
    static int GetMenuDrawMode();
    // Whether the draw mode is one of the two XP modes.
    static bool IsXpDrawMode(int mode) { return mode == 2 || mode == 3; }

    // Disabled items can be selected ("Menu"/"Selection").
    static void SetSelectDisableMode(bool enable);
    static bool GetSelectDisableMode();

    // Disabled icons greyed, unselected ones gloomed ("Menu"/"Gloom").
    static void SetXpBlendig(bool enable);
    static bool GetXpBlendig();

    // Every menu gets the same border; kept for this run only.
    static void SetNewMenuBorderAllMenu(bool enable);
    static bool GetNewMenuBorderAllMenu();
};
