#include "ziparchive/win32/Win32OutputFile.h"

#include "ziparchive/win32/Win32FileSystem.h"
#include "ziparchive/win32/Win32Path.h"
#include "core/TextEncoding.h"

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstring>
#include <vector>

namespace zipfacade {

namespace {

constexpr std::size_t kLargestCall = 16 * 1024 * 1024;
constexpr int kNameAttempts = 100;

std::wstring FolderOf(const std::wstring& path) {
    const std::size_t slash = path.find_last_of(L'\\');
    return slash == std::wstring::npos ? std::wstring(L".") : path.substr(0, slash);
}

// A short name that no other writer picks: the process id, a per-process counter and the time.
// Short, so that a final name close to the 255-character limit still gets a temporary file.
std::wstring TemporaryName(int attempt) {
    static std::atomic<unsigned> counter{0};
    return L"~tav" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(counter++) + L"-" +
           std::to_wstring(GetTickCount() + static_cast<DWORD>(attempt)) + L".tmp";
}

// Gives the finished file its time (when it has one) and takes the temporary mark off, in one call
// through the open handle.
bool Settle(HANDLE file, bool hasTime, std::int64_t modified) {
    FILE_BASIC_INFO info = {};   // times left 0 stay as they are
    if (hasTime) {
        const FILETIME time = UnixToFileTime(modified);
        info.LastWriteTime.LowPart = time.dwLowDateTime;
        info.LastWriteTime.HighPart = static_cast<LONG>(time.dwHighDateTime);
    }
    info.FileAttributes = FILE_ATTRIBUTE_NORMAL;
    return SetFileInformationByHandle(file, FileBasicInfo, &info, sizeof info) != 0;
}

// Renames the open file to longPath (made by ToLongPath), replacing a file of that name, through its
// own handle: moving it by name would open it again, ask for its attributes and close it, each a
// request to the wineserver under Wine. False when the system refuses (the caller then moves it by
// name); the handle stays open either way.
bool RenameOpenFile(HANDLE file, const std::wstring& longPath) {
    // The native form of the long path: "\\?\" becomes "\??\".
    if (longPath.compare(0, 4, L"\\\\?\\") != 0) return false;
    std::wstring native = longPath;
    native[1] = L'?';
    const std::size_t nameBytes = native.size() * sizeof(wchar_t);
    std::vector<std::uint8_t> buffer(offsetof(FILE_RENAME_INFO, FileName) + nameBytes + sizeof(wchar_t), 0);
    auto* info = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
    info->ReplaceIfExists = TRUE;
    info->RootDirectory = nullptr;
    info->FileNameLength = static_cast<DWORD>(nameBytes);
    std::memcpy(info->FileName, native.data(), nameBytes);
    return SetFileInformationByHandle(file, FileRenameInfo, info, static_cast<DWORD>(buffer.size())) != 0;
}

}   // namespace

Win32OutputFile::Win32OutputFile(const std::wstring& longFinalPath, std::shared_ptr<ZoneMark> mark)
    : m_finalPath(longFinalPath), m_mark(std::move(mark)) {
    const std::wstring folder = FolderOf(longFinalPath);
    // Its zone mark is written while the file is open: Wine lets that stream be opened only when
    // the file's own handle shares writing.
    const DWORD share = m_mark ? FILE_SHARE_READ | FILE_SHARE_WRITE : FILE_SHARE_READ;
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        m_temporaryPath = folder + L"\\" + TemporaryName(attempt);
        // Marked temporary, and named "~tav<process>-…": what a process that is killed leaves is
        // recognisable as Tavoline's. The temporary attribute goes when the file is moved into place.
        m_file.Reset(CreateFileW(m_temporaryPath.c_str(), GENERIC_WRITE | DELETE | FILE_WRITE_ATTRIBUTES, share,
                                 nullptr, CREATE_NEW, FILE_ATTRIBUTE_TEMPORARY, nullptr));
        if (m_file.Valid()) break;
        if (GetLastError() != ERROR_FILE_EXISTS) ThrowLastError("Cannot create the file", longFinalPath);
    }
    if (!m_file.Valid())
        ThrowSystemError("Cannot create a temporary file in the folder", ERROR_FILE_EXISTS, longFinalPath);
    try {
        m_temporaryUtf8 = zipcore::WideToUtf8(m_temporaryPath);
    } catch (...) {
        Discard();
        throw;
    }
}

Win32OutputFile::~Win32OutputFile() { Discard(); }

void Win32OutputFile::WriteAt(std::uint64_t offset, const void* data, std::size_t length) {
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    if (!m_file.Valid()) ThrowSystemError("Cannot write to the file", ERROR_INVALID_HANDLE, m_finalPath);
    std::size_t done = 0;
    while (done < length) {
        const std::uint64_t position = offset + done;
        OVERLAPPED at = {};
        at.Offset = static_cast<DWORD>(position);
        at.OffsetHigh = static_cast<DWORD>(position >> 32);
        const DWORD ask = static_cast<DWORD>(std::min(length - done, kLargestCall));
        DWORD written = 0;
        if (!WriteFile(m_file.Get(), bytes + done, ask, &written, &at))
            ThrowLastError("Cannot write to the file", m_finalPath);
        if (written == 0) ThrowSystemError("Cannot write to the file", ERROR_WRITE_FAULT, m_finalPath);
        done += written;
    }
}

void Win32OutputFile::Truncate(std::uint64_t length) {
    LARGE_INTEGER position;
    position.QuadPart = static_cast<LONGLONG>(length);
    if (!SetFilePointerEx(m_file.Get(), position, nullptr, FILE_BEGIN) || !SetEndOfFile(m_file.Get()))
        ThrowLastError("Cannot change the length of the file", m_finalPath);
}

void Win32OutputFile::SetModificationTime(std::int64_t modified) {
    m_modified = modified;
    m_hasTime = true;
}

void Win32OutputFile::RemoveIfProcessDies() noexcept {
    // The delete disposition: when the handle closes (also when the process is killed) the file goes.
    FILE_DISPOSITION_INFO disposition = {TRUE};
    m_deletePending = m_file.Valid() &&
                      SetFileInformationByHandle(m_file.Get(), FileDispositionInfo, &disposition, sizeof disposition);
}

// Takes the delete disposition back before the file is closed to be moved into place.
bool Win32OutputFile::Keep() {
    if (!m_deletePending) return true;
    FILE_DISPOSITION_INFO disposition = {FALSE};
    if (!SetFileInformationByHandle(m_file.Get(), FileDispositionInfo, &disposition, sizeof disposition)) return false;
    m_deletePending = false;
    return true;
}

// Writes the zone mark, if any, once the file is no longer pending deletion (which would refuse
// the stream) and before its time is set (writing a stream changes the file's time). A file system
// that takes no mark still gets the file.
void Win32OutputFile::PutMark() {
    if (m_mark && !m_marked) m_marked = m_mark->PutOn(m_temporaryPath);
}

void Win32OutputFile::Moved() {
    m_settled = true;
    if (m_marked) m_mark->Moved(m_temporaryPath);
}

void Win32OutputFile::Commit() {
    if (!Keep()) ThrowLastError("Cannot finish writing the file", m_finalPath);
    PutMark();
    // Set last, through the open handle: no write can change it afterwards, and the file need not be
    // opened again by name.
    if (!Settle(m_file.Get(), m_hasTime, m_modified))
        ThrowLastError("Cannot set the file's modification time", m_finalPath);
    const bool renamed = !m_marked && RenameOpenFile(m_file.Get(), m_finalPath);
    if (!m_file.Close()) {
        const DWORD error = GetLastError();
        if (renamed) DeleteFileW(m_finalPath.c_str());   // not known to be complete: never left under its name
        ThrowSystemError("Cannot finish writing the file", error, m_finalPath);
    }
    if (!renamed && !MoveFileExW(m_temporaryPath.c_str(), m_finalPath.c_str(), MOVEFILE_REPLACE_EXISTING))
        ThrowLastError("Cannot move the finished file into place", m_finalPath);
    Moved();
}

bool Win32OutputFile::MoveTo(const std::string& otherPath, std::int64_t modified) {
    if (!m_file.Valid() || m_settled) return false;
    if (!Keep()) return false;
    PutMark();
    if (!Settle(m_file.Get(), true, modified) || !m_file.Close()) return false;
    // Without MOVEFILE_COPY_ALLOWED: a move to another volume fails, and the caller copies instead.
    if (!MoveFileExW(m_temporaryPath.c_str(), ToLongPath(zipcore::Utf8ToWide(otherPath)).c_str(),
                     MOVEFILE_REPLACE_EXISTING))
        return false;
    Moved();
    return true;
}

void Win32OutputFile::Discard() noexcept {
    m_file.Close();
    if (!m_settled && !m_temporaryPath.empty()) {
        if (m_marked) ZoneMark::RemoveFrom(m_temporaryPath);
        DeleteFileW(m_temporaryPath.c_str());
    }
    m_settled = true;
}

}   // namespace zipfacade
