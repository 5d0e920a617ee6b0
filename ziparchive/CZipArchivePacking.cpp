// The packing members of CZipArchive: the method of new entries, and files added to a new archive.
#include "ziparchive/CZipArchiveImpl.h"

#include <string>

#include "core/EntryName.h"
#include "core/TextEncoding.h"
#include "core/methods/Codec.h"
#include "ziparchive/win32/ZipFailureReport.h"

using zipfacade::BufferSize;
using zipfacade::NoMemory;
using zipfacade::ReportCurrentException;
using zipfacade::ReportFailure;
using zipfacade::WrongUse;

// The public method numbers are the core's.
static_assert(int{CZipArchive::methodStore} == int{zipcore::kMethodStored} &&
                  int{CZipArchive::methodDeflate} == int{zipcore::kMethodDeflate} &&
                  int{CZipArchive::methodBzip2} == int{zipcore::kMethodBzip2},
              "CZipArchive's method numbers are those of the zip format");

bool CZipArchive::SetCompressionMethodImpl(unsigned short method, ZipFailure& failure) {
    try {
        if (!m_impl) return NoMemory(failure);
        if (!zipcore::IsWritableMethod(method))
            return ReportFailure(failure, CZipException::unsupported, 0,
                                 L"Unsupported compression method " + std::to_wstring(method) + L": use 0, 8 or 12"),
                   false;
        if (m_impl->packer) m_impl->packer->SetMethod(method);
        m_impl->method = method;   // also for archives created later
        return true;
    } catch (...) {
        ReportCurrentException(failure);
        return false;
    }
}

bool CZipArchive::AddNewFileImpl(const wchar_t* fileName, int level, bool fullPath, int smartness,
                                 unsigned long bufferSize, ZipFailure& failure) {
    try {
        if (!m_impl || !m_impl->packer) return WrongUse(failure, L"No new archive is open for adding files");
        if (!fileName || !*fileName) return WrongUse(failure, L"No file name was given", m_impl->path);
        const std::string path = zipcore::WideToUtf8(fileName);
        std::string entryName;
        if (!zipcore::EntryNameFromPath(path, fullPath, entryName))
            return ReportFailure(failure, CZipException::unsafeName, 0,
                                 L"The file's name cannot be stored: it must name a file below the current folder",
                                 fileName),
                   false;
        // The core checks the name further (characters Windows forbids, device names, valid Unicode).
        m_impl->packer->AddFile(path, entryName, level, smartness, BufferSize(bufferSize));
        return true;
    } catch (...) {
        ReportCurrentException(failure);
        return false;
    }
}

bool CZipArchive::AddNewFileAsImpl(const wchar_t* filePath, const wchar_t* entryName, int level, int smartness,
                                   unsigned long bufferSize, ZipFailure& failure) {
    try {
        if (!m_impl || !m_impl->packer) return WrongUse(failure, L"No new archive is open for adding files");
        if (!filePath || !*filePath) return WrongUse(failure, L"No file name was given", m_impl->path);
        if (!entryName || !*entryName) return WrongUse(failure, L"No entry name was given", filePath);
        // The core refuses names that are not relative and safe.
        m_impl->packer->AddFile(zipcore::WideToUtf8(filePath), zipcore::WideToUtf8(entryName), level, smartness,
                                BufferSize(bufferSize));
        return true;
    } catch (...) {
        ReportCurrentException(failure);
        return false;
    }
}
