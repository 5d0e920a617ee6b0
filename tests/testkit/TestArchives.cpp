#include "TestArchives.h"

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <functional>

#include "Text.h"

namespace unziptest {

namespace {
uint32_t Crc32(const std::string& data) {
    uint32_t crc = 0xFFFFFFFFu;
    for (unsigned char byte : data) {
        crc ^= byte;
        for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

void Put16(std::string& out, uint32_t value) {
    out += static_cast<char>(value & 0xFF);
    out += static_cast<char>((value >> 8) & 0xFF);
}
void Put32(std::string& out, uint32_t value) {
    Put16(out, value & 0xFFFF);
    Put16(out, value >> 16);
}
void Put64(std::string& out, uint64_t value) {
    Put32(out, static_cast<uint32_t>(value));
    Put32(out, static_cast<uint32_t>(value >> 32));
}

bool IsAscii(const std::string& text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

constexpr uint32_t kDosTime = (12u << 11) | (30u << 5);          // 12:30:00
constexpr uint32_t kDosDate = ((2024u - 1980u) << 9) | (5u << 5) | 17u;  // 2024-05-17
}  // namespace

std::string ZipBytes(const std::vector<Entry>& entries, int corruptIndex) {
    std::string out, central;
    for (size_t i = 0; i < entries.size(); ++i) {
        const Entry& entry = entries[i];
        const uint32_t crc = Crc32(entry.data);
        std::string data = entry.data;
        if (static_cast<int>(i) == corruptIndex && !data.empty()) data[data.size() / 2] ^= 0x5A;
        const uint32_t flags = IsAscii(entry.name) ? 0 : 0x0800;
        const bool folder = !entry.name.empty() && entry.name.back() == '/';
        const uint32_t offset = static_cast<uint32_t>(out.size());

        Put32(out, 0x04034b50);
        Put16(out, 20);
        Put16(out, flags);
        Put16(out, 0);  // stored
        Put16(out, kDosTime);
        Put16(out, kDosDate);
        Put32(out, crc);
        Put32(out, static_cast<uint32_t>(data.size()));
        Put32(out, static_cast<uint32_t>(data.size()));
        Put16(out, static_cast<uint32_t>(entry.name.size()));
        Put16(out, 0);
        out += entry.name;
        out += data;

        Put32(central, 0x02014b50);
        Put16(central, 20);
        Put16(central, 20);
        Put16(central, flags);
        Put16(central, 0);
        Put16(central, kDosTime);
        Put16(central, kDosDate);
        Put32(central, crc);
        Put32(central, static_cast<uint32_t>(data.size()));
        Put32(central, static_cast<uint32_t>(data.size()));
        Put16(central, static_cast<uint32_t>(entry.name.size()));
        Put16(central, 0);  // extra
        Put16(central, 0);  // comment
        Put16(central, 0);  // disk
        Put16(central, 0);  // internal attributes
        Put32(central, folder ? FILE_ATTRIBUTE_DIRECTORY : 0);
        Put32(central, offset);
        central += entry.name;
    }
    const uint64_t centralOffset = out.size();
    out += central;
    const uint64_t count = entries.size();
    const bool zip64 = count > 0xFFFF;
    if (zip64) {
        const uint64_t recordOffset = out.size();
        Put32(out, 0x06064b50);
        Put64(out, 44);
        Put16(out, 45);
        Put16(out, 45);
        Put32(out, 0);
        Put32(out, 0);
        Put64(out, count);
        Put64(out, count);
        Put64(out, central.size());
        Put64(out, centralOffset);
        Put32(out, 0x07064b50);
        Put32(out, 0);
        Put64(out, recordOffset);
        Put32(out, 1);
    }
    Put32(out, 0x06054b50);
    Put16(out, 0);
    Put16(out, 0);
    Put16(out, zip64 ? 0xFFFF : static_cast<uint32_t>(count));
    Put16(out, zip64 ? 0xFFFF : static_cast<uint32_t>(count));
    Put32(out, static_cast<uint32_t>(central.size()));
    Put32(out, static_cast<uint32_t>(centralOffset));
    Put16(out, 0);
    return out;
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

}  // namespace unziptest
