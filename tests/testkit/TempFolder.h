// TempFolder: a fresh folder under %TEMP% (or another parent) for one test, removed with everything
// in it at the end; and the folder-tree helpers every Windows test uses. Paths go through their long
// "\\?\" form, so they work beyond 260 characters and with names Windows' path parsing would change.
#pragma once

#include <string>
#include <vector>

namespace testkit {

class TempFolder {
public:
    explicit TempFolder(const std::wstring& hint = L"test");
    // In `parent` instead: a folder no other test writes into while this one runs.
    TempFolder(const std::wstring& hint, const std::wstring& parent);
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

// The "\\?\" form of an absolute path (kept as it is when it already has it).
std::wstring Long(const std::wstring& path);
// Every entry of a folder in the order the file system lists them, "." and ".." left out.
std::vector<std::wstring> ListFolder(const std::wstring& folder);
// Removes a file, or a folder with everything in it (links are removed, never followed).
void RemoveTree(const std::wstring& path);
// Creates a folder and the folders above it; throws std::runtime_error when it cannot.
void MakeFolders(const std::wstring& folder);

// %TEMP%\name.
std::wstring TempPath(const std::wstring& name);
// The bytes of a file; throws std::runtime_error when it cannot be read.
std::string ReadBytes(const std::wstring& path);
// Writes bytes to a file, replacing it; false on failure.
bool WriteFile(const std::wstring& path, const std::string& bytes);

}   // namespace testkit
