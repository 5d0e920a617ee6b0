#include "CWnd.h"

#include <new>

#include "CWinApp.h"
#include "base/Exception.h"

namespace {
// The window property that leads from a window to the object handling its messages.
const wchar_t kObjectProperty[] = L"Tavoline.CWnd";
}

CWnd::~CWnd() {
    if (m_previousProc) Unsubclass();
}

HWND CWnd::Detach() {
    if (m_previousProc) Unsubclass();
    HWND hWnd = m_hWnd;
    m_hWnd = nullptr;
    return hWnd;
}

void CWnd::Bind(HWND hWnd, CWnd* wnd) { ::SetPropW(hWnd, kObjectProperty, wnd); }
void CWnd::Unbind(HWND hWnd) { ::RemovePropW(hWnd, kObjectProperty); }

CWnd* CWnd::FromHandlePermanent(HWND hWnd) {
    return hWnd ? static_cast<CWnd*>(::GetPropW(hWnd, kObjectProperty)) : nullptr;
}

BOOL CWnd::SubclassWindow(HWND hWnd) {
    if (!hWnd || m_hWnd || FromHandlePermanent(hWnd)) return FALSE;
    m_hWnd = hWnd;
    Bind(hWnd, this);
    m_previousProc = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrW(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CWnd::SubclassProc)));
    return TRUE;
}

void CWnd::Unsubclass() {
    ::SetWindowLongPtrW(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_previousProc));
    Unbind(m_hWnd);
    m_previousProc = nullptr;
}

LRESULT CALLBACK CWnd::SubclassProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    CWnd* wnd = FromHandlePermanent(hWnd);
    if (!wnd || !wnd->m_previousProc) return ::DefWindowProcW(hWnd, message, wParam, lParam);
    const WNDPROC previous = wnd->m_previousProc;
    if (message == WM_NCDESTROY) {
        // The window is going away: hand it back to its class and forget it.
        wnd->Unsubclass();
        wnd->m_hWnd = nullptr;
        return ::CallWindowProcW(previous, hWnd, message, wParam, lParam);
    }
    LRESULT result = 0;
    if (wnd->RouteMessage(message, wParam, lParam, &result)) return result;
    return ::CallWindowProcW(previous, hWnd, message, wParam, lParam);
}

BOOL CWnd::OnWndMsg(UINT, WPARAM, LPARAM, LRESULT*) { return FALSE; }

void CWnd::Default() {
    if (m_defaultRequested) *m_defaultRequested = true;
}

BOOL CWnd::RouteMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult, bool* failed) {
    bool defaultRequested = false;
    bool* const outer = m_defaultRequested;   // handlers may send messages to their own window
    m_defaultRequested = &defaultRequested;
    BOOL handled = FALSE;
    // No C++ exception may unwind through Windows' own frames.
    CString failure;
    bool escaped = true;
    try {
        handled = OnWndMsg(message, wParam, lParam, pResult);
        escaped = false;
    } catch (CException* e) {
        failure = e->GetReason();
        e->Delete();
    } catch (const std::bad_alloc&) {
        failure = L"Out of memory.";
    } catch (...) {
    }
    m_defaultRequested = outer;
    if (escaped) {
        if (failed) *failed = true;
        ReportHandlerFailure(failure);
        return TRUE;
    }
    return handled && !defaultRequested;
}

void CWnd::ReportHandlerFailure(const CString& reason) {
    const CString text = reason.IsEmpty() ? CString(L"An unexpected error occurred.") : reason;
    ::MessageBoxW(m_hWnd, text, AfxGetAppName(), MB_OK | MB_ICONERROR);
}

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) const {
    return ::SendMessageW(m_hWnd, message, wParam, lParam);
}

BOOL CWnd::PostMessage(UINT message, WPARAM wParam, LPARAM lParam) const {
    return ::PostMessageW(m_hWnd, message, wParam, lParam);
}

void CWnd::SetWindowText(const wchar_t* text) { ::SetWindowTextW(m_hWnd, text); }

void CWnd::GetWindowText(CString& text) const {
    const int length = ::GetWindowTextLengthW(m_hWnd);
    wchar_t* buffer = text.GetBuffer(length);
    ::GetWindowTextW(m_hWnd, buffer, length + 1);
    text.ReleaseBuffer();
}

void CWnd::SetFont(HFONT font, BOOL redraw) {
    ::SendMessageW(m_hWnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), MAKELPARAM(redraw, 0));
}

HFONT CWnd::GetFont() const { return reinterpret_cast<HFONT>(::SendMessageW(m_hWnd, WM_GETFONT, 0, 0)); }

HICON CWnd::SetIcon(HICON icon, BOOL bigIcon) {
    return reinterpret_cast<HICON>(
        ::SendMessageW(m_hWnd, WM_SETICON, bigIcon ? ICON_BIG : ICON_SMALL, reinterpret_cast<LPARAM>(icon)));
}

BOOL CWnd::RedrawWindow(const RECT* update, HRGN region, UINT flags) {
    return ::RedrawWindow(m_hWnd, update, region, flags);
}

BOOL CWnd::DestroyWindow() {
    if (!m_hWnd) return FALSE;
    HWND hWnd = m_hWnd;
    const BOOL destroyed = ::DestroyWindow(hWnd);
    if (destroyed) m_hWnd = nullptr;   // a subclassed window has already let go at WM_NCDESTROY
    return destroyed;
}

int CWnd::MessageBox(const wchar_t* text, const wchar_t* caption, UINT type) {
    return ::MessageBoxW(m_hWnd, text, caption ? caption : AfxGetAppName(), type);
}
