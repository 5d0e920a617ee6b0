// shellrec.exe: stands in for whatever the shell would open (Explorer, a web browser) in the
// test prefix. It appends its own command line, UTF-8, one line per call, to the file named by
// %SHELLREC_LOG% (default C:\shellrec.log), and ends.
#include <windows.h>

#include <string>

namespace {
std::string Utf8(const wchar_t* text) {
    const int size = ::WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(size > 0 ? size : 1), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text, -1, &out[0], size, nullptr, nullptr);
    out.resize(out.size() - 1);   // the terminator
    return out;
}
}   // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
    wchar_t logPath[MAX_PATH] = L"";
    const DWORD length = ::GetEnvironmentVariableW(L"SHELLREC_LOG", logPath, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) lstrcpyW(logPath, L"C:\\shellrec.log");

    const std::string line = Utf8(::GetCommandLineW()) + "\n";
    // Two recorders may start at once: retry while the other one holds the file.
    for (int attempt = 0; attempt < 200; ++attempt) {
        HANDLE file = ::CreateFileW(logPath, FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            DWORD written = 0;
            const BOOL ok = ::WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
            ::CloseHandle(file);
            return ok && written == line.size() ? 0 : 1;
        }
        if (::GetLastError() != ERROR_SHARING_VIOLATION) return 1;
        ::Sleep(10);
    }
    return 1;
}
