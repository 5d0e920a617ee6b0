#include "ziparchive/win32/Win32Path.h"

#include <windows.h>

#include "base/LongPath.h"
#include "core/TextEncoding.h"
#include "core/ZipError.h"

namespace zipfacade {

std::wstring ToLongPath(const std::wstring& path) {
    const std::wstring longPath = longpath::Of(path);
    if (longPath.empty()) {
        const DWORD error = GetLastError();
        throw zipcore::ZipError(zipcore::ZipErrorKind::Io, "Cannot make the path absolute", static_cast<int>(error),
                                zipcore::WideToUtf8(path));
    }
    return longPath;
}

std::wstring WithoutLongPrefix(const std::wstring& path) { return longpath::WithoutPrefix(path); }

}   // namespace zipfacade
