// A file read through the core's InputFile seam: positional reads on a handle that lets other
// programs read, write and delete the file meanwhile (an archive may be open elsewhere).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/FileAccess.h"
#include "ziparchive/win32/Win32Handle.h"

namespace zipfacade {

class Win32InputFile : public zipcore::InputFile {
public:
    // longPath as made by ToLongPath; throws ZipError (Io) when the file cannot be opened.
    explicit Win32InputFile(const std::wstring& longPath);

    std::uint64_t Size() const override { return m_size; }
    // Without the volume (volumeId 0): VolumeId asks for it.
    zipcore::FileStatus Status() const override { return m_status; }
    std::uint64_t VolumeId() override;
    std::size_t ReadAt(std::uint64_t offset, void* buffer, std::size_t length) override;

private:
    std::size_t ReadFromFile(std::uint64_t offset, void* buffer, std::size_t length);

    std::wstring m_path;
    UniqueHandle m_file;
    std::uint64_t m_size = 0;
    zipcore::FileStatus m_status;   // as the file was opened; exists false if the handle could not tell
    bool m_volumeKnown = false;
    // Small reads (record headers, names) are served from one larger block read.
    std::vector<std::uint8_t> m_block;
    std::uint64_t m_blockOffset = 0;
};

}   // namespace zipfacade
