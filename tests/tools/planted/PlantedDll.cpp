// A stand-in for a system DLL (built as wininet.dll and as comctl32.dll) that someone left in a
// program's folder. When it is loaded it writes "<its own path>.loaded", so a test can tell whether
// a program took it instead of the system's. It exports InternetOpenW, failing, so that a program
// that does take it as WinInet fails quietly, not with a crash.
#include <windows.h>

#include <string>

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason != DLL_PROCESS_ATTACH) return TRUE;
    wchar_t path[MAX_PATH];
    const DWORD length = ::GetModuleFileNameW(instance, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return TRUE;
    const std::wstring marker = std::wstring(path, length) + L".loaded";
    HANDLE file =
        ::CreateFileW(marker.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) ::CloseHandle(file);
    return TRUE;
}

extern "C" __declspec(dllexport) void* WINAPI
    InternetOpenW(const wchar_t*, DWORD, const wchar_t*, const wchar_t*, DWORD) {
    ::SetLastError(ERROR_NOT_SUPPORTED);
    return nullptr;
}
