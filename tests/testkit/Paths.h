// Where things are, as Windows paths.
#pragma once

#include <string>

namespace testkit {
// Tavoline.exe of this build.
std::wstring TavolineExe();
// The folder of the running test program, without a trailing backslash.
std::wstring ThisProgramFolder();
// This process's current directory, without a trailing backslash (except for a drive root).
std::wstring CurrentDirectory();
// A path of the build machine as Wine sees it: "/a/b" becomes "Z:\a\b"; Windows paths stay.
std::wstring FromHostPath(const std::string& path);
// Two Windows paths name the same folder (case and a trailing backslash ignored).
bool SameFolder(const std::wstring& a, const std::wstring& b);
}   // namespace testkit
