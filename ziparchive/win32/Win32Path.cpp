#include "ziparchive/win32/Win32Path.h"

#include <windows.h>

#include "core/ZipError.h"
#include "core/TextEncoding.h"

namespace zipfacade {

namespace {

const wchar_t kLongPrefix[] = L"\\\\?\\";
const wchar_t kLongUncPrefix[] = L"\\\\?\\UNC\\";
const wchar_t kDevicePrefix[] = L"\\\\.\\";

bool StartsWith(const std::wstring& text, const wchar_t* prefix) {
    return text.compare(0, wcslen(prefix), prefix) == 0;
}

std::wstring FullPathName(const std::wstring& path) {
    std::wstring full(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), &full[0], nullptr);
        if (length == 0) {
            const DWORD error = GetLastError();
            throw zipcore::ZipError(zipcore::ZipErrorKind::Io, "Cannot make the path absolute", static_cast<int>(error),
                                    zipcore::WideToUtf8(path));
        }
        if (length < full.size()) {
            full.resize(length);
            return full;
        }
        full.resize(length);   // the size needed, terminator included
    }
}

} // namespace

std::wstring ToLongPath(const std::wstring& path) {
    if (StartsWith(path, kLongPrefix) || StartsWith(path, kDevicePrefix)) return path;
    std::wstring native = path;
    for (wchar_t& ch : native)
        if (ch == L'/') ch = L'\\';
    const std::wstring full = FullPathName(native);
    if (StartsWith(full, kLongPrefix) || StartsWith(full, kDevicePrefix)) return full;
    if (full.size() > 2 && full[0] == L'\\' && full[1] == L'\\') return kLongUncPrefix + full.substr(2);
    if (full.size() >= 2 && full[1] == L':') return kLongPrefix + full;
    return full;
}

std::wstring WithoutLongPrefix(const std::wstring& path) {
    if (StartsWith(path, kLongUncPrefix)) return L"\\\\" + path.substr(wcslen(kLongUncPrefix));
    if (StartsWith(path, kLongPrefix)) return path.substr(wcslen(kLongPrefix));
    return path;
}

} // namespace zipfacade
