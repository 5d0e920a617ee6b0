// Paths as the wide Win32 file API needs them.
#pragma once

#include <string>

namespace zipfacade {

// longpath::Of (base/LongPath.h), throwing zipcore::ZipError (Io) when the system cannot make the
// path absolute.
std::wstring ToLongPath(const std::wstring& path);

// A long path as people write it: without "\\?\" (and with "\\" for "\\?\UNC\").
std::wstring WithoutLongPrefix(const std::wstring& path);

}   // namespace zipfacade
