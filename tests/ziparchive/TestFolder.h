// Scratch folders and file helpers for the archive tests. Every path is used in its long "\\?\"
// form where it is touched directly, so the helpers work beyond 260 characters.
#pragma once

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "TempFolder.h"

// A fresh, empty folder below %TEMP%, removed with everything in it when the object goes.
using TestFolder = testkit::TempFolder;
using testkit::MakeFolders;

// Makes `folder` the current directory for the object's lifetime.
class CurrentDirectory {
public:
    explicit CurrentDirectory(const std::wstring& folder);
    ~CurrentDirectory();
    CurrentDirectory(const CurrentDirectory&) = delete;
    CurrentDirectory& operator=(const CurrentDirectory&) = delete;

private:
    std::wstring m_saved;
};

inline std::wstring LongForm(const std::wstring& absolutePath) { return testkit::Long(absolutePath); }
void WriteBytes(const std::wstring& path, const std::string& bytes);   // creates missing folders
void WriteBytes(const std::wstring& path, const std::vector<std::uint8_t>& bytes);
using testkit::ReadBytes;   // throws std::runtime_error when unreadable
bool FileExists(const std::wstring& path);
bool FolderExists(const std::wstring& path);
// Names in a folder (not "." and ".."), sorted.
inline std::vector<std::wstring> FolderNames(const std::wstring& folder) {
    std::vector<std::wstring> names = testkit::ListFolder(folder);
    std::sort(names.begin(), names.end());
    return names;
}

// Modification times in seconds since 1970-01-01 UTC.
void SetModified(const std::wstring& path, std::int64_t seconds);
std::int64_t Modified(const std::wstring& path);

// Text that compresses well and bytes that do not.
std::string CompressibleText(std::size_t size);
std::string RandomBytes(std::size_t size, unsigned seed);
