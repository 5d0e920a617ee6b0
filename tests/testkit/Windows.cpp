#include "Windows.h"

#include "MessageBoxes.h"
#include "Text.h"
#include "Wait.h"

namespace testkit {

WindowQuery WindowQuery::Dialog(const std::wstring& caption, DWORD pid) {
    WindowQuery query;
    query.pid = pid;
    query.className = L"#32770";
    query.caption = caption;
    return query;
}

std::string WindowQuery::Describe() const {
    std::string text = "a window";
    if (!className.empty()) text += " of class " + Narrow(className);
    if (!caption.empty()) text += " captioned \"" + Narrow(caption) + "\"";
    if (!textContains.empty()) text += " saying \"" + Narrow(textContains) + "\"";
    if (owner) text += " owned by " + DescribeWindow(owner);
    return text + " in process " + std::to_string(pid);
}

namespace {
bool Matches(HWND hWnd, const WindowQuery& query) {
    DWORD pid = 0;
    ::GetWindowThreadProcessId(hWnd, &pid);
    if (pid != query.pid) return false;
    if (query.visibleOnly && !::IsWindowVisible(hWnd)) return false;
    if (!query.className.empty() && ClassName(hWnd) != query.className) return false;
    if (query.owner && ::GetWindow(hWnd, GW_OWNER) != query.owner) return false;
    if (!query.caption.empty() && WindowText(hWnd) != query.caption) return false;
    if (!query.textContains.empty() && MessageBoxText(hWnd).find(query.textContains) == std::wstring::npos)
        return false;
    return true;
}

BOOL CALLBACK CollectWindow(HWND hWnd, LPARAM lParam) {
    reinterpret_cast<std::vector<HWND>*>(lParam)->push_back(hWnd);
    return TRUE;
}
}   // namespace

std::vector<HWND> TopWindowsOf(DWORD pid) {
    std::vector<HWND> all;
    ::EnumWindows(&CollectWindow, reinterpret_cast<LPARAM>(&all));
    std::vector<HWND> mine;
    for (HWND hWnd : all) {
        DWORD owner = 0;
        ::GetWindowThreadProcessId(hWnd, &owner);
        if (owner == pid) mine.push_back(hWnd);
    }
    return mine;
}

std::vector<HWND> ChildWindows(HWND parent) {
    std::vector<HWND> children;
    for (HWND child = ::GetWindow(parent, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT))
        children.push_back(child);
    return children;
}

HWND FindWindowNow(const WindowQuery& query) {
    for (HWND hWnd : TopWindowsOf(query.pid))
        if (Matches(hWnd, query)) return hWnd;
    return nullptr;
}

HWND WaitForWindow(const WindowQuery& query, DWORD timeoutMs) {
    HWND found = nullptr;
    WaitUntil([&] { return (found = FindWindowNow(query)) != nullptr; }, timeoutMs);
    return found;
}

bool WaitForGone(HWND hWnd, DWORD timeoutMs) {
    return WaitUntil([&] { return !::IsWindow(hWnd) || !::IsWindowVisible(hWnd); }, timeoutMs);
}

std::string DescribeWindowsOf(DWORD pid) {
    std::string lines;
    for (HWND hWnd : TopWindowsOf(pid)) {
        if (!::IsWindowVisible(hWnd)) continue;
        lines += "  " + DescribeWindow(hWnd);
        const std::wstring text = MessageBoxText(hWnd);
        if (!text.empty()) lines += ": \"" + Narrow(text) + "\"";
        lines += "\n";
    }
    return lines.empty() ? std::string("  (no visible window)\n") : lines;
}

void CloseWindowsOf(DWORD pid) {
    for (HWND hWnd : TopWindowsOf(pid)) {
        if (!::IsWindowVisible(hWnd)) continue;
        if (ClassName(hWnd) == L"#32770") ::PostMessageW(hWnd, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        ::PostMessageW(hWnd, WM_CLOSE, 0, 0);
    }
}

}   // namespace testkit
