#include "ziparchive/win32/Win32FileSystem.h"

#include "ziparchive/win32/Win32Handle.h"
#include "ziparchive/win32/Win32InputFile.h"
#include "ziparchive/win32/Win32OutputFile.h"

#include <winternl.h>

namespace zipfacade {

namespace {

constexpr std::int64_t kUnitsPerSecond = 10000000;
constexpr std::int64_t kSecondsFrom1601To1970 = 11644473600LL;

std::wstring LongPathOf(const std::string& utf8Path) { return ToLongPath(zipcore::Utf8ToWide(utf8Path)); }

bool IsFolder(const std::wstring& longPath) {
    const DWORD attributes = GetFileAttributesW(longPath.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// Length of the part of a long path that names a drive or share and is never created.
std::size_t RootLength(const std::wstring& longPath) {
    std::size_t pos = 0;
    if (longPath.compare(0, 8, L"\\\\?\\UNC\\") == 0) {
        pos = longPath.find(L'\\', 8);                                        // after the server
        if (pos != std::wstring::npos) pos = longPath.find(L'\\', pos + 1);   // after the share
        return pos == std::wstring::npos ? longPath.size() : pos;
    }
    if (longPath.compare(0, 4, L"\\\\?\\") == 0) pos = 4;
    return longPath.size() >= pos + 2 && longPath[pos + 1] == L':' ? pos + 2 : pos;
}

void CreateFolderChain(const std::wstring& longPath, std::size_t rootLength) {
    if (longPath.size() <= rootLength || IsFolder(longPath)) return;
    const std::size_t slash = longPath.find_last_of(L'\\');
    if (slash != std::wstring::npos && slash > rootLength) CreateFolderChain(longPath.substr(0, slash), rootLength);
    if (CreateDirectoryW(longPath.c_str(), nullptr)) return;
    const DWORD error = GetLastError();
    if (error == ERROR_ALREADY_EXISTS && IsFolder(longPath)) return;   // made meanwhile by someone else
    ThrowSystemError(error == ERROR_ALREADY_EXISTS ? "Cannot create the folder: a file of that name exists"
                                                   : "Cannot create the folder",
                     error, longPath);
}

}   // namespace

std::int64_t FileTimeToUnix(FILETIME time) {
    const std::int64_t units =
        static_cast<std::int64_t>((static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime);
    return units / kUnitsPerSecond - kSecondsFrom1601To1970;
}

FILETIME UnixToFileTime(std::int64_t seconds) {
    std::int64_t since1601 = seconds + kSecondsFrom1601To1970;
    if (since1601 < 0) since1601 = 0;
    if (since1601 > INT64_MAX / kUnitsPerSecond) since1601 = INT64_MAX / kUnitsPerSecond;
    const std::uint64_t units = static_cast<std::uint64_t>(since1601 * kUnitsPerSecond);
    FILETIME time;
    time.dwLowDateTime = static_cast<DWORD>(units);
    time.dwHighDateTime = static_cast<DWORD>(units >> 32);
    return time;
}

std::unique_ptr<zipcore::InputFile> Win32FileSystem::OpenForReading(const std::string& path) {
    return std::make_unique<Win32InputFile>(LongPathOf(path));
}

std::unique_ptr<zipcore::OutputFile> Win32FileSystem::CreateBeside(const std::string& finalPath) {
    return std::make_unique<Win32OutputFile>(LongPathOf(finalPath), m_mark);
}

void Win32FileSystem::CreateFolders(const std::string& path) {
    std::wstring longPath = LongPathOf(path);
    while (longPath.size() > RootLength(longPath) + 1 && longPath.back() == L'\\') longPath.pop_back();
    CreateFolderChain(longPath, RootLength(longPath));
}

void Win32FileSystem::SetModificationTime(const std::string& path, std::int64_t modified) {
    const std::wstring longPath = LongPathOf(path);
    // Backup semantics let the same call open folders.
    UniqueHandle file(CreateFileW(longPath.c_str(), FILE_WRITE_ATTRIBUTES,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!file.Valid()) ThrowLastError("Cannot open the file to set its modification time", longPath);
    const FILETIME time = UnixToFileTime(modified);
    if (!SetFileTime(file.Get(), nullptr, nullptr, &time))
        ThrowLastError("Cannot set the file's modification time", longPath);
}

zipcore::FileStatus StatusOf(const BY_HANDLE_FILE_INFORMATION& info) {
    zipcore::FileStatus status;
    status.exists = true;
    status.isDirectory = (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    status.size = (static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    status.modified = FileTimeToUnix(info.ftLastWriteTime);
    status.volumeId = info.dwVolumeSerialNumber;
    status.fileId = (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    return status;
}

std::uint64_t FileIndexOf(HANDLE file) {
    // From ntdll, which every process has loaded: found there rather than imported, so the DLL
    // imports nothing a program's folder could plant.
    using Query = NTSTATUS(NTAPI*)(HANDLE, PIO_STATUS_BLOCK, PVOID, ULONG, FILE_INFORMATION_CLASS);
    static const Query query = [] {
        const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
        return ntdll ? reinterpret_cast<Query>(
                           reinterpret_cast<void (*)()>(GetProcAddress(ntdll, "NtQueryInformationFile")))
                     : nullptr;
    }();
    // FileInternalInformation holds the same number as BY_HANDLE_FILE_INFORMATION's file index.
    IO_STATUS_BLOCK io;
    FILE_INTERNAL_INFORMATION internal;
    if (!query || !NT_SUCCESS(query(file, &io, &internal, sizeof internal, FileInternalInformation))) return 0;
    return static_cast<std::uint64_t>(internal.IndexNumber.QuadPart);
}

zipcore::FileStatus Win32FileSystem::Stat(const std::string& path) {
    const std::wstring longPath = LongPathOf(path);
    zipcore::FileStatus status;
    // Opening the file (rather than asking for its attributes) follows links and gives its identity.
    UniqueHandle file(CreateFileW(longPath.c_str(), FILE_READ_ATTRIBUTES,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    BY_HANDLE_FILE_INFORMATION info;
    if (file.Valid() && GetFileInformationByHandle(file.Get(), &info)) return StatusOf(info);
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND || error == ERROR_INVALID_NAME) return status;
    // A file that cannot be opened at all (in use by the system, say) still has attributes.
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(longPath.c_str(), GetFileExInfoStandard, &data))
        ThrowSystemError("Cannot read the file's properties", error, longPath);
    status.exists = true;
    status.isDirectory = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    status.size = (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    status.modified = FileTimeToUnix(data.ftLastWriteTime);
    return status;
}

}   // namespace zipfacade
