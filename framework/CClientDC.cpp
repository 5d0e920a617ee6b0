#include "CClientDC.h"

#include "CWnd.h"

CClientDC::CClientDC(CWnd* wnd) : CClientDC(wnd->m_hWnd) {}

CClientDC::CClientDC(HWND hWnd) : m_hWnd(hWnd) { m_hDC = ::GetDC(m_hWnd); }

CClientDC::~CClientDC() { ::ReleaseDC(m_hWnd, m_hDC); }
