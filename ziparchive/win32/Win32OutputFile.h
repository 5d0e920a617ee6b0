// A new file written through the core's OutputFile seam: it is built under a temporary name in the
// folder of its final path and only a successful Commit moves it into place (replacing any file of
// that name in one step); otherwise the temporary file is removed. Writes go straight to the file
// (the core writes in large pieces), so the temporary file can be read back while it is written.
// Given a zone mark, the file gets it before it takes its final name, so it never has that name
// without it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "core/FileAccess.h"
#include "ziparchive/win32/Win32Handle.h"
#include "ziparchive/win32/ZoneMark.h"

namespace zipfacade {

class Win32OutputFile : public zipcore::OutputFile {
public:
    // longFinalPath as made by ToLongPath; throws ZipError (Io) when no temporary file can be made.
    explicit Win32OutputFile(const std::wstring& longFinalPath, std::shared_ptr<ZoneMark> mark = nullptr);
    ~Win32OutputFile() override;

    void WriteAt(std::uint64_t offset, const void* data, std::size_t length) override;
    void Truncate(std::uint64_t length) override;
    const std::string& TemporaryPath() const override { return m_temporaryUtf8; }
    void SetModificationTime(std::int64_t modified) override;
    void Commit() override;
    bool MoveTo(const std::string& otherPath, std::int64_t modified) override;
    void RemoveIfProcessDies() noexcept override;
    void Discard() noexcept override;

private:
    bool Keep();
    void PutMark();
    void Moved();

    std::wstring m_finalPath;
    std::wstring m_temporaryPath;
    std::string m_temporaryUtf8;
    UniqueHandle m_file;
    bool m_settled = false;   // the temporary file has been moved into place or removed
    std::int64_t m_modified = 0;
    bool m_hasTime = false;
    bool m_deletePending = false;   // the system removes the file when its handle closes
    std::shared_ptr<ZoneMark> m_mark;
    bool m_marked = false;   // the mark has been written onto the temporary file
};

}   // namespace zipfacade
