// CPaintDC: BeginPaint in the constructor, EndPaint in the destructor (for a WM_PAINT handler).
#pragma once

#include "CDC.h"

class CWnd;

class CPaintDC : public CDC {
public:
    explicit CPaintDC(CWnd* wnd);
    ~CPaintDC();

    PAINTSTRUCT m_ps;

private:
    HWND m_hWnd;
};
