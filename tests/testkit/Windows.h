// Finding top-level windows (dialogs, message boxes) of a process, whichever thread made them.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace testkit {

const DWORD kDefaultWaitMs = 10000;

struct WindowQuery {
    DWORD pid = ::GetCurrentProcessId();
    std::wstring className;      // empty: any class
    std::wstring caption;        // exact caption; empty: any
    std::wstring textContains;   // the message text (see MessageBoxText) contains this; empty: any
    HWND owner = nullptr;        // non-null: owned by this window
    bool visibleOnly = true;

    // A dialog or message box (#32770) with this caption, of this process.
    static WindowQuery Dialog(const std::wstring& caption, DWORD pid = ::GetCurrentProcessId());
    WindowQuery& WithText(const std::wstring& text) {
        textContains = text;
        return *this;
    }
    WindowQuery& OwnedBy(HWND hWnd) {
        owner = hWnd;
        return *this;
    }
    std::string Describe() const;
};

// One look: the first matching top-level window, or null.
HWND FindWindowNow(const WindowQuery& query);
// Polls until a window matches or the time is up (pumping this thread's messages meanwhile); null then.
HWND WaitForWindow(const WindowQuery& query, DWORD timeoutMs = kDefaultWaitMs);
// Waits until the window is destroyed or hidden; false when the time is up.
bool WaitForGone(HWND hWnd, DWORD timeoutMs = kDefaultWaitMs);

// The top-level windows of a process, visible or not.
std::vector<HWND> TopWindowsOf(DWORD pid);
// The child windows of a window in Z order (for a dialog: template order).
std::vector<HWND> ChildWindows(HWND parent);
// One line per visible top-level window of the process, for failure messages.
std::string DescribeWindowsOf(DWORD pid);
// Asks every visible top-level window of the process to close (Cancel / close box).
void CloseWindowsOf(DWORD pid);

}   // namespace testkit
