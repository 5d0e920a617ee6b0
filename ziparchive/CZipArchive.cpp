// CZipArchive as exported by ZipArchive.dll: a thin layer over the portable core (zipcore) and its
// Win32 file seam. Every exported member catches everything and reports through ZipFailure, so no
// C++ exception ever leaves the DLL.
#include "ziparchive/CZipArchiveImpl.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "core/crypto/Wipe.h"
#include "core/methods/Codec.h"
#include "core/extract/DiskNames.h"
#include "core/ZipReader.h"
#include "core/pack/ArchivePacker.h"
#include "core/extract/ArchiveExtractor.h"
#include "core/EntryName.h"
#include "core/TextEncoding.h"
#include "core/ZipError.h"
#include "ziparchive/win32/Win32FileSystem.h"
#include "ziparchive/win32/Win32Path.h"
#include "ziparchive/win32/ZipFailureReport.h"

using zipfacade::ReportCurrentException;
using zipfacade::ReportFailure;

namespace zipfacade {

namespace {

constexpr unsigned long kDefaultBuffer = 65536;
constexpr unsigned long kSmallestBuffer = 4096;
constexpr unsigned long kLargestBuffer = 64UL * 1024 * 1024;

}   // namespace

std::size_t BufferSize(unsigned long requested) {
    if (requested == 0) return kDefaultBuffer;
    return std::min(std::max(requested, kSmallestBuffer), kLargestBuffer);
}

bool WrongUse(ZipFailure& failure, const wchar_t* reason, const std::wstring& path) {
    ReportFailure(failure, CZipException::wrongUse, 0, reason, path);
    return false;
}

bool NoMemory(ZipFailure& failure) {
    ReportFailure(failure, CZipException::noMemory, ERROR_NOT_ENOUGH_MEMORY, L"Not enough memory");
    return false;
}

}   // namespace zipfacade

using zipfacade::BufferSize;
using zipfacade::NoMemory;
using zipfacade::WrongUse;

namespace {

void StampWithNewestEntry(zipcore::FileAccess& files, const std::string& archivePath) {
    std::int64_t newest = INT64_MIN;
    {
        const zipcore::ZipReader archive(files, archivePath);
        for (const zipcore::ZipEntry& entry : archive.Entries()) newest = std::max(newest, entry.modified);
    }
    if (newest != INT64_MIN) files.SetModificationTime(archivePath, newest);
}

}   // namespace

CZipArchive::CZipArchive() : m_impl(new (std::nothrow) Impl) {}

CZipArchive::~CZipArchive() {
    delete m_impl;   // an unfinished new archive removes its temporary file
}

bool CZipArchive::OpenImpl(const wchar_t* path, int mode, unsigned long volumeSize, ZipFailure& failure) {
    try {
        if (!m_impl) return NoMemory(failure);
        if (m_impl->reader || m_impl->packer) return WrongUse(failure, L"An archive is already open", m_impl->path);
        if (!path || !*path) return WrongUse(failure, L"No archive path was given");
        if (volumeSize != 0)
            return ReportFailure(failure, CZipException::unsupported, 0,
                                 L"Archives split into volumes are not supported", path),
                   false;
        const std::string utf8Path = zipcore::WideToUtf8(path);
        if (mode == zipOpen) {
            auto reader = std::make_unique<zipcore::ZipReader>(m_impl->files, utf8Path);
            reader->SetProgress([this](std::uint64_t bytes) { CountAndCheckStop(bytes); });
            m_impl->unzip = std::make_unique<zipcore::ArchiveExtractor>(*reader);
            m_impl->reader = std::move(reader);
            // What is unpacked from a downloaded archive is marked as downloaded too, as Explorer does.
            m_impl->files.MarkNewFiles(zipfacade::ZoneMark::Of(zipfacade::ToLongPath(path)));
        } else if (mode == zipCreate) {
            auto packer = std::make_unique<zipcore::ArchivePacker>(m_impl->files, utf8Path);
            packer->SetMethod(m_impl->method);
            packer->SetProgress([this](std::uint64_t bytes) { CountAndCheckStop(bytes); });
            m_impl->packer = std::move(packer);
        } else {
            return WrongUse(failure, L"Unknown open mode: use 1 to open an archive or 4 to create one", path);
        }
        m_impl->path = path;
        return true;
    } catch (...) {
        ReportCurrentException(failure);
        return false;
    }
}

// Called by the core after every buffer it reads: the one place a stop request is noticed. The
// core's own error unwinds the call, and every file it was writing is discarded on the way out.
void CZipArchive::CountAndCheckStop(std::uint64_t bytes) {
    m_progressDone += bytes;
    if (m_stopRequest && m_stopRequest->load() != 0)
        throw zipcore::ZipError(zipcore::ZipErrorKind::Stopped, "the job was stopped");
}

ZIP_INDEX_TYPE CZipArchive::GetCountImpl() const {
    if (!m_impl) return 0;
    std::size_t count = 0;
    if (m_impl->reader) count = m_impl->reader->Count();
    else if (m_impl->packer) count = m_impl->packer->Count();
    return static_cast<ZIP_INDEX_TYPE>(std::min<std::size_t>(count, UINT_MAX));
}

bool CZipArchive::TestFileImpl(ZIP_INDEX_TYPE index, unsigned long bufferSize, ZipFailure& failure) {
    try {
        if (!m_impl || !m_impl->reader) return WrongUse(failure, L"No archive is open for reading");
        if (index >= m_impl->reader->Count())
            return WrongUse(failure, L"There is no entry with that number", m_impl->path);
        return m_impl->unzip->Test(index, BufferSize(bufferSize));
    } catch (...) {
        ReportCurrentException(failure);
        return false;
    }
}

namespace {

template <std::size_t N>
void CopyText(wchar_t (&field)[N], std::wstring text, bool backslashes) {
    if (backslashes) std::replace(text.begin(), text.end(), L'/', L'\\');
    lstrcpynW(field, text.c_str(), static_cast<int>(N));
}

}   // namespace

bool CZipArchive::GetEntryPlanImpl(ZIP_INDEX_TYPE index, wchar_t (&stored)[1024], wchar_t (&disk)[1024],
                                   wchar_t (&reason)[256], ZipFailure& failure) {
    try {
        if (!m_impl || !m_impl->reader) return WrongUse(failure, L"No archive is open for reading");
        if (index >= m_impl->reader->Count())
            return WrongUse(failure, L"There is no entry with that number", m_impl->path);
        const zipcore::ZipEntry& entry = m_impl->reader->Entry(index);
        const std::string storedPath = zipcore::StoredPath(entry);
        CopyText(stored, zipcore::Utf8ToWide(storedPath), false);
        const std::string& diskName = m_impl->unzip->DiskName(index);
        CopyText(disk, zipcore::Utf8ToWide(diskName), true);
        CopyText(reason, zipcore::Utf8ToWide(m_impl->unzip->WhyNotExtractable(index)), false);
        return storedPath != diskName;
    } catch (...) {
        ReportCurrentException(failure);
        return false;
    }
}

bool CZipArchive::ExtractFileImpl(ZIP_INDEX_TYPE index, const wchar_t* folder, bool fullPath, const wchar_t* newName,
                                  unsigned long bufferSize, ZipFailure& failure) {
    try {
        if (!m_impl || !m_impl->reader) return WrongUse(failure, L"No archive is open for reading");
        if (index >= m_impl->reader->Count())
            return WrongUse(failure, L"There is no entry with that number", m_impl->path);
        if (!folder || !*folder) return WrongUse(failure, L"No target folder was given", m_impl->path);
        const std::string name = newName ? zipcore::WideToUtf8(newName) : std::string();
        m_impl->unzip->Extract(index, zipcore::WideToUtf8(folder), fullPath, name, BufferSize(bufferSize));
        return true;
    } catch (...) {
        ReportCurrentException(failure);
        return false;
    }
}

bool CZipArchive::IsEncryptedEntryImpl(ZIP_INDEX_TYPE index, ZipFailure& failure) {
    try {
        if (!m_impl || !m_impl->reader) return WrongUse(failure, L"No archive is open for reading");
        if (index >= m_impl->reader->Count())
            return WrongUse(failure, L"There is no entry with that number", m_impl->path);
        return m_impl->reader->NeedsPassword(index);
    } catch (...) {
        ReportCurrentException(failure);
        return false;
    }
}

namespace {

// The password's bytes in code page `codePage`; empty when it has no form there.
std::string PasswordBytes(const wchar_t* password, UINT codePage) {
    const DWORD flags = codePage == CP_UTF8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS;
    BOOL lossy = FALSE;
    BOOL* lossyOut = codePage == CP_UTF8 ? nullptr : &lossy;
    const int size = ::WideCharToMultiByte(codePage, flags, password, -1, nullptr, 0, nullptr, lossyOut);
    if (size <= 1 || lossy) return {};
    std::string bytes(static_cast<std::size_t>(size), '\0');
    ::WideCharToMultiByte(codePage, flags, password, -1, &bytes[0], size, nullptr, nullptr);
    bytes.pop_back();   // the terminator
    return bytes;
}

}   // namespace

bool CZipArchive::SetPasswordImpl(const wchar_t* password, ZipFailure& failure) {
    try {
        if (!m_impl || !m_impl->reader) return WrongUse(failure, L"No archive is open for reading");
        std::vector<std::string> forms;
        if (password && *password) {
            for (UINT codePage : {static_cast<UINT>(CP_UTF8), static_cast<UINT>(CP_ACP), static_cast<UINT>(CP_OEMCP)}) {
                std::string form = PasswordBytes(password, codePage);
                if (!form.empty() && std::find(forms.begin(), forms.end(), form) == forms.end())
                    forms.push_back(std::move(form));
                zipcore::Wipe(form);
            }
        }
        m_impl->reader->SetPasswords(std::move(forms));
        return true;
    } catch (...) {
        ReportCurrentException(failure);
        return false;
    }
}

void CZipArchive::CloseImpl(int afterException, bool updateTimeStamp, wchar_t* pathOut, unsigned pathChars,
                            ZipFailure& failure) {
    if (pathOut && pathChars > 0) pathOut[0] = L'\0';
    if (!m_impl) return;
    try {
        if (pathOut && pathChars > 0)
            lstrcpynW(pathOut, m_impl->path.c_str(), static_cast<int>(std::min<unsigned>(pathChars, INT_MAX)));
        std::string stampPath;   // an archive to be given the time of its newest entry
        if (m_impl->packer) {
            if (afterException != 0) {
                m_impl->packer->Abandon();
            } else {
                m_impl->packer->Finish();
                if (updateTimeStamp) stampPath = m_impl->packer->ArchivePath();
            }
        } else if (m_impl->reader && afterException == 0 && updateTimeStamp) {
            stampPath = zipcore::WideToUtf8(m_impl->path);
        }
        m_impl->packer.reset();
        m_impl->unzip.reset();
        m_impl->reader.reset();
        if (!stampPath.empty()) StampWithNewestEntry(m_impl->files, stampPath);
    } catch (...) {
        ReportCurrentException(failure);
    }
    // Closed either way; a writer destroyed unfinished removes its temporary file.
    m_impl->packer.reset();
    m_impl->unzip.reset();
    m_impl->reader.reset();
    m_impl->path.clear();
    m_impl->files.MarkNewFiles(nullptr);
}
