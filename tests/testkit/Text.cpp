#include "Text.h"

#include <cstdio>

namespace testkit {

std::string Narrow(const std::wstring& text) {
    if (text.empty()) return std::string();
    const int size =
        ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(size), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &out[0], size, nullptr, nullptr);
    return out;
}

std::wstring Widen(const std::string& text) {
    if (text.empty()) return std::wstring();
    const int size = ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(size), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &out[0], size);
    return out;
}

std::wstring WindowText(HWND hWnd) {
    // WM_GETTEXT, unlike GetWindowTextW, also reads controls of other processes.
    wchar_t buffer[4096] = L"";
    DWORD_PTR copied = 0;
    if (!::SendMessageTimeoutW(hWnd, WM_GETTEXT, 4096, reinterpret_cast<LPARAM>(buffer), SMTO_ABORTIFHUNG, 5000,
                               &copied))
        return std::wstring();
    return std::wstring(buffer, copied < 4096 ? copied : 4095);
}

std::wstring ClassName(HWND hWnd) {
    wchar_t buffer[256] = L"";
    const int length = ::GetClassNameW(hWnd, buffer, 256);
    return std::wstring(buffer, length > 0 ? static_cast<size_t>(length) : 0);
}

std::string DescribeWindow(HWND hWnd) {
    DWORD pid = 0;
    ::GetWindowThreadProcessId(hWnd, &pid);
    char head[64];
    std::snprintf(head, sizeof head, "%p ", static_cast<void*>(hWnd));
    return head + Narrow(ClassName(hWnd)) + " \"" + Narrow(WindowText(hWnd)) + "\" (pid " + std::to_string(pid) +
           (::IsWindowVisible(hWnd) ? ", visible)" : ", hidden)");
}

}   // namespace testkit
