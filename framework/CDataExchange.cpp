#include "CDataExchange.h"

#include "CWnd.h"

void DDX_Control(CDataExchange* pDX, int controlId, CWnd& control) {
    if (control.m_hWnd) return;   // bound by an earlier exchange
    HWND item = ::GetDlgItem(pDX->m_pDlgWnd->m_hWnd, controlId);
    if (!item || !control.SubclassWindow(item)) pDX->m_failed = true;
}
