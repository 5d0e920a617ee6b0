// CWnd: a thin value wrapper over a window handle. It never owns the window: it is bound to one
// by Attach (plain wrapper) or SubclassWindow (its message map then sees the window's messages).
#pragma once

#include <windows.h>

#include "CMenu.h"
#include "base/CString.h"
#include "MessageMap.h"

class CWnd {
public:
    CWnd() = default;
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;
    virtual ~CWnd();

    HWND m_hWnd = nullptr;

    HWND GetSafeHwnd() const { return m_hWnd; }
    operator HWND() const { return m_hWnd; }

    void Attach(HWND hWnd) { m_hWnd = hWnd; }
    HWND Detach();
    // Binds to hWnd and routes its messages through this object's message map first.
    BOOL SubclassWindow(HWND hWnd);
    // The object a window was subclassed by, or the dialog object running it; null for others.
    static CWnd* FromHandlePermanent(HWND hWnd);

    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;
    BOOL PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;
    void SetWindowText(const wchar_t* text);
    void GetWindowText(CString& text) const;
    int GetDlgCtrlID() const { return ::GetDlgCtrlID(m_hWnd); }
    void SetFont(HFONT font, BOOL redraw = TRUE);
    HFONT GetFont() const;
    HICON SetIcon(HICON icon, BOOL bigIcon);
    BOOL IsIconic() const { return ::IsIconic(m_hWnd); }
    void GetClientRect(RECT* rect) const { ::GetClientRect(m_hWnd, rect); }
    BOOL RedrawWindow(const RECT* update = nullptr, HRGN region = nullptr,
                      UINT flags = RDW_INVALIDATE | RDW_UPDATENOW | RDW_ERASE);
    BOOL DestroyWindow();
    // The window's system menu; its handle is null when the window has none.
    CMenu GetSystemMenu(BOOL revert) const { return CMenu(::GetSystemMenu(m_hWnd, revert)); }
    // A message box owned by this window; a null caption gives the application's name as its title.
    int MessageBox(const wchar_t* text, const wchar_t* caption = nullptr, UINT type = MB_OK);

    // Handlers a message map can route to; each asks for the default processing.
    void OnPaint() { Default(); }
    void OnSysCommand(UINT, LPARAM) { Default(); }
    HCURSOR OnQueryDragIcon() {
        Default();
        return nullptr;
    }

protected:
    // The message map: TRUE when an entry took the message (BEGIN_MESSAGE_MAP writes the overrides).
    virtual BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);
    // Asks for the window's default processing of the message being handled; it runs
    // as soon as the handler returns (its own result is then not used).
    void Default();

    // Runs one message through the map; FALSE: default processing wanted. An exception that
    // escapes a handler is shown to the user, sets *failed and counts as handled.
    BOOL RouteMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult, bool* failed = nullptr);
    // Shows a failure that escaped a handler to the user, owned by this window.
    void ReportHandlerFailure(const CString& reason);
    static void Bind(HWND hWnd, CWnd* wnd);
    static void Unbind(HWND hWnd);

private:
    static LRESULT CALLBACK SubclassProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
    void Unsubclass();

    WNDPROC m_previousProc = nullptr;
    bool* m_defaultRequested = nullptr;
};
