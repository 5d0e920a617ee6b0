#include "CMenu.h"

BOOL CMenu::AppendMenu(UINT flags, UINT_PTR idNewItem, const wchar_t* newItem) {
    return ::AppendMenuW(m_hMenu, flags, idNewItem, newItem);
}
