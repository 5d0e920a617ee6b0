// TempFolder: a fresh folder under %TEMP% for one test, removed with everything in it at the end.
#pragma once

#include <string>

namespace testkit {

class TempFolder {
public:
    explicit TempFolder(const std::wstring& hint = L"test");
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    ~TempFolder();

    // The folder's Windows path, without a trailing backslash.
    const std::wstring& Path() const { return m_path; }
    // Path + "\" + name.
    std::wstring operator/(const std::wstring& name) const { return m_path + L"\\" + name; }

private:
    std::wstring m_path;
};

// %TEMP%\name.
std::wstring TempPath(const std::wstring& name);
// Writes bytes to a file, replacing it; false on failure.
bool WriteFile(const std::wstring& path, const std::string& bytes);

}  // namespace testkit
