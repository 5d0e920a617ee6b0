// CStatic: a static-text control, made at run time by Create.
#pragma once

#include "CWnd.h"

class CStatic : public CWnd {
public:
    // Creates the control as a child of parent and routes its messages through this object's map.
    BOOL Create(const wchar_t* text, DWORD style, const RECT& rect, CWnd* parent, UINT id);
};
