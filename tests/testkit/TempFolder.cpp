#include "TempFolder.h"

#include <windows.h>

#include <filesystem>
#include <fstream>

namespace testkit {

std::wstring TempPath(const std::wstring& name) {
    wchar_t folder[MAX_PATH + 1] = L"";
    ::GetTempPathW(MAX_PATH + 1, folder);
    std::wstring path = folder;
    if (!path.empty() && path.back() != L'\\') path += L'\\';
    return path + name;
}

TempFolder::TempFolder(const std::wstring& hint) {
    static int counter = 0;
    for (;;) {
        m_path = TempPath(L"tavoline-" + hint + L"-" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
                          std::to_wstring(++counter));
        if (::CreateDirectoryW(m_path.c_str(), nullptr)) return;
        if (::GetLastError() != ERROR_ALREADY_EXISTS) return;
    }
}

TempFolder::~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(std::filesystem::path(m_path), ignored);
}

bool WriteFile(const std::wstring& path, const std::string& bytes) {
    std::ofstream file(std::filesystem::path(path), std::ios::binary | std::ios::trunc);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(file);
}

}  // namespace testkit
