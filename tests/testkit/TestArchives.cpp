#include "TestArchives.h"

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <functional>

#include "ArchiveBuilder.h"
#include "Text.h"
#include "core/ZipFormat.h"

namespace unziptest {

namespace {
constexpr std::uint16_t kDosTime = (12u << 11) | (30u << 5);                   // 12:30:00
constexpr std::uint16_t kDosDate = ((2024u - 1980u) << 9) | (5u << 5) | 17u;   // 2024-05-17

bool IsAscii(const std::string& text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}
}   // namespace

std::string ZipBytes(const std::vector<Entry>& entries, int corruptIndex) {
    ziptest::TestArchive archive;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        ziptest::TestEntry entry(entries[i].name, entries[i].data, 0);
        entry.flags = IsAscii(entry.name) ? 0 : zipcore::kFlagUtf8;
        entry.dosTime = kDosTime;
        entry.dosDate = kDosDate;
        if (static_cast<int>(i) == corruptIndex && !entry.data.empty()) {
            entry.crc = ziptest::Crc(entry.data);   // the CRC of the data before the damage
            entry.data[entry.data.size() / 2] ^= 0x5A;
        }
        archive.entries.push_back(std::move(entry));
    }
    archive.zip64End = entries.size() > 0xFFFF;
    const ziptest::Bytes bytes = ziptest::Build(archive);
    return std::string(bytes.begin(), bytes.end());
}

std::vector<Entry> ManyEntries(int count) {
    std::vector<Entry> entries;
    entries.reserve(static_cast<size_t>(count));
    char name[32];
    for (int i = 0; i < count; ++i) {
        snprintf(name, sizeof name, "d%03d/f%05d.txt", i / 256, i);
        entries.push_back({name, name});
    }
    return entries;
}

bool WriteBytes(const std::wstring& path, const std::string& bytes) {
    HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const BOOL ok = ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    ::CloseHandle(file);
    return ok && written == bytes.size();
}

std::string ReadBytes(const std::wstring& path) {
    HANDLE file = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return std::string();
    std::string bytes;
    char buffer[65536];
    DWORD read = 0;
    while (::ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read > 0) bytes.append(buffer, read);
    ::CloseHandle(file);
    return bytes;
}

bool FileExists(const std::wstring& path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool FolderExists(const std::wstring& path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::vector<std::string> FilesBelow(const std::wstring& folder) {
    std::vector<std::string> files;
    std::function<void(const std::wstring&, const std::string&)> walk = [&](const std::wstring& dir,
                                                                            const std::string& prefix) {
        WIN32_FIND_DATAW found;
        HANDLE search = ::FindFirstFileW((dir + L"\\*").c_str(), &found);
        if (search == INVALID_HANDLE_VALUE) return;
        do {
            const std::wstring name = found.cFileName;
            if (name == L"." || name == L"..") continue;
            const std::string relative = prefix + testkit::Narrow(name);
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) walk(dir + L"\\" + name, relative + "/");
            else files.push_back(relative);
        } while (::FindNextFileW(search, &found));
        ::FindClose(search);
    };
    walk(folder, "");
    std::sort(files.begin(), files.end());
    return files;
}

}   // namespace unziptest
