// CClientDC: a device context of a window's client area, from the constructor to the destructor.
#pragma once

#include "CDC.h"

class CWnd;

class CClientDC : public CDC {
public:
    explicit CClientDC(CWnd* wnd);
    explicit CClientDC(HWND hWnd);
    ~CClientDC();

private:
    HWND m_hWnd;
};
