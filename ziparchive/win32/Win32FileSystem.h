// The core's file-access seam over the wide Win32 file API. The core's UTF-8 paths are converted
// losslessly to UTF-16 and used in their long "\\?\" form, so paths of any length work; relative
// paths are taken from the current directory.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>

#include "core/FileAccess.h"
#include "ziparchive/win32/ZoneMark.h"

namespace zipfacade {

class Win32FileSystem : public zipcore::FileAccess {
public:
    std::unique_ptr<zipcore::InputFile> OpenForReading(const std::string& path) override;
    std::unique_ptr<zipcore::OutputFile> CreateBeside(const std::string& finalPath) override;
    void CreateFolders(const std::string& path) override;
    void SetModificationTime(const std::string& path, std::int64_t modified) override;
    zipcore::FileStatus Stat(const std::string& path) override;

    // The zone mark every file made from now on gets before it takes its final name (none: nullptr).
    void MarkNewFiles(std::shared_ptr<ZoneMark> mark) { m_mark = std::move(mark); }

private:
    std::shared_ptr<ZoneMark> m_mark;
};

// Seconds since 1970-01-01 UTC and FILETIME's 100-nanosecond units since 1601; times before 1601
// become 1601.
std::int64_t FileTimeToUnix(FILETIME time);
// A file's status from what its open handle tells.
zipcore::FileStatus StatusOf(const BY_HANDLE_FILE_INFORMATION& info);
// The file index of an open file (nFileIndexHigh and nFileIndexLow of its BY_HANDLE_FILE_INFORMATION)
// without its volume's serial number; 0 when the file system does not tell.
std::uint64_t FileIndexOf(HANDLE file);
FILETIME UnixToFileTime(std::int64_t seconds);

}   // namespace zipfacade
