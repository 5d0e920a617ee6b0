#include "ziparchive/win32/ZoneMark.h"

#include "ziparchive/win32/Win32Handle.h"

#include <algorithm>

namespace zipfacade {

namespace {

const wchar_t kStream[] = L":Zone.Identifier";
constexpr DWORD kLargestMark = 64 * 1024;
const char kInternetZone[] = "[ZoneTransfer]\r\nZoneId=3\r\n";

bool IsText(const std::string& bytes) {
    return !bytes.empty() && std::none_of(bytes.begin(), bytes.end(), [](char c) {
        const unsigned char byte = static_cast<unsigned char>(c);
        return (byte < 0x20 && byte != '\t' && byte != '\r' && byte != '\n') || byte == 0x7F;
    });
}

// What opening a stream that is not there fails with: no such stream, or no streams at all.
bool MeansNoStream(DWORD error) {
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND || error == ERROR_INVALID_NAME ||
           error == ERROR_INVALID_PARAMETER || error == ERROR_NOT_SUPPORTED || error == ERROR_BAD_NETPATH;
}

}   // namespace

std::shared_ptr<ZoneMark> ZoneMark::Of(const std::wstring& longPath) {
    UniqueHandle stream(CreateFileW((longPath + kStream).c_str(), GENERIC_READ,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!stream.Valid()) {
        if (MeansNoStream(GetLastError())) return nullptr;
        return std::make_shared<ZoneMark>(kInternetZone);   // there, but locked
    }
    LARGE_INTEGER size;
    if (!GetFileSizeEx(stream.Get(), &size) || size.QuadPart > kLargestMark)
        return std::make_shared<ZoneMark>(kInternetZone);
    std::string content(static_cast<std::size_t>(size.QuadPart), '\0');
    DWORD read = 0, total = 0;
    while (total < content.size() &&
           ReadFile(stream.Get(), &content[total], static_cast<DWORD>(content.size()) - total, &read, nullptr) &&
           read > 0)
        total += read;
    if (total != content.size() || !IsText(content)) return std::make_shared<ZoneMark>(kInternetZone);
    return std::make_shared<ZoneMark>(std::move(content));
}

bool ZoneMark::PutOn(const std::wstring& longPath) {
    if (m_travels.load() == no) return false;
    UniqueHandle stream(CreateFileW((longPath + kStream).c_str(), GENERIC_WRITE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!stream.Valid()) return false;
    DWORD written = 0;
    const bool whole =
        WriteFile(stream.Get(), m_content.data(), static_cast<DWORD>(m_content.size()), &written, nullptr) &&
        written == m_content.size();
    stream.Close();
    if (!whole) RemoveFrom(longPath);   // a mark cut short could name another zone
    return whole;
}

void ZoneMark::Moved(const std::wstring& longOldPath) {
    if (m_travels.load() != unknown) return;
    const std::wstring left = longOldPath + kStream;
    const bool stayed = GetFileAttributesW(left.c_str()) != INVALID_FILE_ATTRIBUTES;
    if (stayed) DeleteFileW(left.c_str());
    m_travels = stayed ? no : yes;
}

void ZoneMark::RemoveFrom(const std::wstring& longPath) { DeleteFileW((longPath + kStream).c_str()); }

}   // namespace zipfacade
