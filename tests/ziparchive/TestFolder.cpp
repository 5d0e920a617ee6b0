#include "TestFolder.h"

#include <algorithm>
#include <random>
#include <stdexcept>

namespace {

constexpr std::int64_t kUnitsPerSecond = 10000000;
constexpr std::int64_t kSecondsFrom1601To1970 = 11644473600LL;

}   // namespace

CurrentDirectory::CurrentDirectory(const std::wstring& folder) {
    wchar_t saved[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, saved);
    m_saved = saved;
    if (!SetCurrentDirectoryW(folder.c_str())) throw std::runtime_error("cannot change the current directory");
}

CurrentDirectory::~CurrentDirectory() { SetCurrentDirectoryW(m_saved.c_str()); }

void WriteBytes(const std::wstring& path, const std::string& bytes) {
    const std::wstring longPath = LongForm(path);
    MakeFolders(longPath.substr(0, longPath.find_last_of(L'\\')));
    HANDLE file =
        CreateFileW(longPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) throw std::runtime_error("cannot create a test file");
    DWORD written = 0;
    const BOOL ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
    if (!ok || written != bytes.size()) throw std::runtime_error("cannot write a test file");
}

void WriteBytes(const std::wstring& path, const std::vector<std::uint8_t>& bytes) {
    WriteBytes(path, std::string(bytes.begin(), bytes.end()));
}

bool FileExists(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(LongForm(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool FolderExists(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(LongForm(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

void SetModified(const std::wstring& path, std::int64_t seconds) {
    const std::uint64_t units = static_cast<std::uint64_t>((seconds + kSecondsFrom1601To1970) * kUnitsPerSecond);
    FILETIME time{static_cast<DWORD>(units), static_cast<DWORD>(units >> 32)};
    HANDLE file = CreateFileW(LongForm(path).c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) throw std::runtime_error("cannot open a test file to set its time");
    SetFileTime(file, nullptr, nullptr, &time);
    CloseHandle(file);
}

std::int64_t Modified(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(LongForm(path).c_str(), GetFileExInfoStandard, &data))
        throw std::runtime_error("cannot stat a test file");
    const std::uint64_t units =
        (static_cast<std::uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) | data.ftLastWriteTime.dwLowDateTime;
    return static_cast<std::int64_t>(units / kUnitsPerSecond) - kSecondsFrom1601To1970;
}

std::string CompressibleText(std::size_t size) {
    std::string text;
    for (unsigned line = 0; text.size() < size; ++line)
        text += "line " + std::to_string(line) + " of a very compressible text\r\n";
    text.resize(size);
    return text;
}

std::string RandomBytes(std::size_t size, unsigned seed) {
    std::mt19937 random(seed);
    std::string bytes(size, '\0');
    for (char& byte : bytes) byte = static_cast<char>(random() & 0xFF);
    return bytes;
}
