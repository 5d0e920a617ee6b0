#include "TempFolder.h"

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace testkit {

std::wstring Long(const std::wstring& path) {
    if (path.compare(0, 4, L"\\\\?\\") == 0) return path;
    return L"\\\\?\\" + path;
}

std::vector<std::wstring> ListFolder(const std::wstring& folder) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((Long(folder) + L"\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
        const std::wstring name = data.cFileName;
        if (name != L"." && name != L"..") names.push_back(name);
    } while (FindNextFileW(find, &data));
    FindClose(find);
    return names;
}

void RemoveTree(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(Long(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return;
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) && !(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        for (const std::wstring& name : ListFolder(path)) RemoveTree(path + L"\\" + name);
        SetFileAttributesW(Long(path).c_str(), FILE_ATTRIBUTE_NORMAL);
        RemoveDirectoryW(Long(path).c_str());
    } else if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveDirectoryW(Long(path).c_str());
    } else {
        SetFileAttributesW(Long(path).c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(Long(path).c_str());
    }
}

void MakeFolders(const std::wstring& folder) {
    if (CreateDirectoryW(Long(folder).c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS) return;
    const size_t separator = folder.find_last_of(L'\\');
    const std::wstring parent = separator == std::wstring::npos ? std::wstring() : folder.substr(0, separator);
    // A drive ("C:", "\\?\C:") or nothing above: the folder cannot be made.
    if (parent.empty() || parent.back() == L':' || parent == L"\\\\?")
        throw std::runtime_error("cannot create a test folder");
    MakeFolders(parent);
    if (!CreateDirectoryW(Long(folder).c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
        throw std::runtime_error("cannot create a test folder");
}

std::wstring TempPath(const std::wstring& name) {
    wchar_t folder[MAX_PATH + 1] = L"";
    ::GetTempPathW(MAX_PATH + 1, folder);
    std::wstring path = folder;
    if (!path.empty() && path.back() != L'\\') path += L'\\';
    return path + name;
}

TempFolder::TempFolder(const std::wstring& hint) : TempFolder(hint, TempPath(L"")) {}

TempFolder::TempFolder(const std::wstring& hint, const std::wstring& parent) {
    static int counter = 0;
    const std::wstring below = parent.empty() || parent.back() == L'\\' ? parent : parent + L'\\';
    for (;;) {
        m_path = below + L"tavoline-" + hint + L"-" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
                 std::to_wstring(++counter);
        if (::CreateDirectoryW(m_path.c_str(), nullptr)) return;
        if (::GetLastError() != ERROR_ALREADY_EXISTS) return;
    }
}

TempFolder::~TempFolder() { RemoveTree(m_path); }

std::string ReadBytes(const std::wstring& path) {
    HANDLE file = CreateFileW(Long(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) throw std::runtime_error("cannot read " + std::filesystem::path(path).u8string());
    std::string bytes;
    char buffer[65536];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) bytes.append(buffer, got);
    CloseHandle(file);
    return bytes;
}

bool WriteFile(const std::wstring& path, const std::string& bytes) {
    std::ofstream file(std::filesystem::path(path), std::ios::binary | std::ios::trunc);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(file);
}

}   // namespace testkit
