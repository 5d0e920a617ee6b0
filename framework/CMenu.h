// CMenu: a value wrapper over a menu handle; it never destroys the menu.
#pragma once

#include <windows.h>

class CMenu {
public:
    explicit CMenu(HMENU menu = nullptr) : m_hMenu(menu) {}

    HMENU m_hMenu;

    HMENU GetSafeHmenu() const { return m_hMenu; }
    BOOL AppendMenu(UINT flags, UINT_PTR idNewItem = 0, const wchar_t* newItem = nullptr);
    int GetMenuItemCount() const { return ::GetMenuItemCount(m_hMenu); }
};
