// Paths in the "\\?\" form, which the wide Win32 file calls accept beyond MAX_PATH. Header-only: the
// program's framework and ZipArchive.dll both use it, and the DLL links no code of the program.
#pragma once

#include <windows.h>

#include <cwchar>
#include <string>

namespace longpath {

inline bool StartsWith(const std::wstring& text, const wchar_t* prefix) {
    return text.compare(0, std::wcslen(prefix), prefix) == 0;
}

// The absolute form of a path (relative ones are taken from the current directory), with "/"
// turned into "\" and "." and ".." resolved, as "\\?\C:\..." or "\\?\UNC\server\share\...". Paths
// already in that form, and device paths ("\\.\"), are kept as they are. Empty when the system cannot
// make the path absolute (GetLastError says why).
inline std::wstring Of(const std::wstring& path) {
    if (StartsWith(path, L"\\\\?\\") || StartsWith(path, L"\\\\.\\")) return path;
    std::wstring full(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = ::GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), &full[0], nullptr);
        if (length == 0) return std::wstring();
        const bool fits = length < full.size();
        full.resize(length);   // when it did not fit: the size needed, terminator included
        if (fits) break;
    }
    if (StartsWith(full, L"\\\\?\\") || StartsWith(full, L"\\\\.\\")) return full;
    if (full.size() > 2 && full[0] == L'\\' && full[1] == L'\\') return L"\\\\?\\UNC\\" + full.substr(2);
    if (full.size() >= 2 && full[1] == L':') return L"\\\\?\\" + full;
    return full;
}

// A long path as people write it: without "\\?\" (and with "\\" for "\\?\UNC\").
inline std::wstring WithoutPrefix(const std::wstring& path) {
    if (StartsWith(path, L"\\\\?\\UNC\\")) return L"\\\\" + path.substr(8);
    if (StartsWith(path, L"\\\\?\\")) return path.substr(4);
    return path;
}

}   // namespace longpath
