// CClientDC: GetDC in the constructor, ReleaseDC in the destructor.
#pragma once

#include "CDC.h"

class CWnd;

class CClientDC : public CDC {
public:
    explicit CClientDC(CWnd* wnd);
    ~CClientDC();

private:
    HWND m_hWnd;
};
