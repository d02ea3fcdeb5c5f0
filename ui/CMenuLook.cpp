#include "ui/CMenuLook.h"

namespace {

int g_menuDrawMode = 2;
bool g_selectDisableMode = true;
bool g_xpBlending = true;
bool g_borderAllMenu = true;

} // namespace

void CMenuLook::SetMenuDrawMode(int mode)
{
    g_menuDrawMode = mode;
}

int CMenuLook::GetMenuDrawMode()
{
    return g_menuDrawMode;
}

void CMenuLook::SetSelectDisableMode(bool enable)
{
    g_selectDisableMode = enable;
}

bool CMenuLook::GetSelectDisableMode()
{
    return g_selectDisableMode;
}

void CMenuLook::SetXpBlendig(bool enable)
{
    g_xpBlending = enable;
}

bool CMenuLook::GetXpBlendig()
{
    return g_xpBlending;
}

void CMenuLook::SetNewMenuBorderAllMenu(bool enable)
{
    g_borderAllMenu = enable;
}

bool CMenuLook::GetNewMenuBorderAllMenu()
{
    return g_borderAllMenu;
}
