#include "ziparchive/win32/Win32InputFile.h"

#include "ziparchive/win32/Win32FileSystem.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace zipfacade {

namespace {

constexpr std::size_t kBlockSize = 64 * 1024;
constexpr std::size_t kLargestCall = 16 * 1024 * 1024;   // one ReadFile at most; keeps DWORD counts safe

}   // namespace

Win32InputFile::Win32InputFile(const std::wstring& longPath) : m_path(longPath) {
    m_file.Reset(CreateFileW(longPath.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                             nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!m_file.Valid()) ThrowLastError("Cannot open the file for reading", longPath);
    // The size, the time and the file index, from calls that only ask the file. Not
    // GetFileInformationByHandle: it also asks for the volume's serial number, which under Wine
    // costs a request to another process, several times the open, read and close of a small file;
    // VolumeId asks for it when the writer needs it.
    FILE_STANDARD_INFO standard;
    FILE_BASIC_INFO basic;
    if (GetFileInformationByHandleEx(m_file.Get(), FileStandardInfo, &standard, sizeof standard) &&
        GetFileInformationByHandleEx(m_file.Get(), FileBasicInfo, &basic, sizeof basic)) {
        m_status.exists = true;
        m_status.isDirectory = standard.Directory != FALSE;
        m_status.size = static_cast<std::uint64_t>(standard.EndOfFile.QuadPart);
        FILETIME written;
        written.dwLowDateTime = static_cast<DWORD>(basic.LastWriteTime.QuadPart);
        written.dwHighDateTime = static_cast<DWORD>(static_cast<std::uint64_t>(basic.LastWriteTime.QuadPart) >> 32);
        m_status.modified = FileTimeToUnix(written);
        m_status.fileId = FileIndexOf(m_file.Get());
        m_size = m_status.size;
        return;
    }
    LARGE_INTEGER size;
    if (!GetFileSizeEx(m_file.Get(), &size)) ThrowLastError("Cannot read the size of the file", longPath);
    m_size = static_cast<std::uint64_t>(size.QuadPart);
}

std::uint64_t Win32InputFile::VolumeId() {
    if (!m_volumeKnown) {
        BY_HANDLE_FILE_INFORMATION info;
        if (GetFileInformationByHandle(m_file.Get(), &info)) m_status.volumeId = info.dwVolumeSerialNumber;
        m_volumeKnown = true;
    }
    return m_status.volumeId;
}

std::size_t Win32InputFile::ReadAt(std::uint64_t offset, void* buffer, std::size_t length) {
    if (length >= kBlockSize) return ReadFromFile(offset, buffer, length);
    const bool inBlock = offset >= m_blockOffset && offset - m_blockOffset + length <= m_block.size();
    if (!inBlock) {
        m_blockOffset = UINT64_MAX;   // no valid block should the read fail
        m_block.resize(kBlockSize);
        m_block.resize(ReadFromFile(offset, m_block.data(), kBlockSize));
        m_blockOffset = offset;
    }
    const std::size_t start = static_cast<std::size_t>(offset - m_blockOffset);
    const std::size_t count = std::min(length, m_block.size() - start);
    std::memcpy(buffer, m_block.data() + start, count);
    return count;
}

std::size_t Win32InputFile::ReadFromFile(std::uint64_t offset, void* buffer, std::size_t length) {
    std::size_t done = 0;
    while (done < length) {
        const std::uint64_t position = offset + done;
        if (position >= m_size) break;
        OVERLAPPED at = {};
        at.Offset = static_cast<DWORD>(position);
        at.OffsetHigh = static_cast<DWORD>(position >> 32);
        const DWORD ask = static_cast<DWORD>(std::min(length - done, kLargestCall));
        DWORD got = 0;
        if (!ReadFile(m_file.Get(), static_cast<std::uint8_t*>(buffer) + done, ask, &got, &at)) {
            const DWORD error = GetLastError();
            if (error == ERROR_HANDLE_EOF) break;
            ThrowSystemError("Cannot read the file", error, m_path);
        }
        if (got == 0) break;   // the file became shorter since it was opened
        done += got;
    }
    return done;
}

}   // namespace zipfacade
