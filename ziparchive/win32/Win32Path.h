// Paths as the wide Win32 file API needs them.
#pragma once

#include <string>

namespace zipfacade {

// The absolute form of a path (relative ones are taken from the current directory), with "/"
// turned into "\" and "." and ".." resolved, in the "\\?\" form that lifts the 260-character limit
// (or "\\?\UNC\server\share\..." for network paths). Paths already in that form are kept as they
// are. Throws zipcore::ZipError (Io) when the system cannot make the path absolute.
std::wstring ToLongPath(const std::wstring& path);

// A long path as people write it: without "\\?\" (and with "\\" for "\\?\UNC\").
std::wstring WithoutLongPrefix(const std::wstring& path);

} // namespace zipfacade
