// What the CZipArchive facade's source files share: the object's state behind its pointer, and the
// small rules every exported member applies (buffer sizes, wrong use, no memory).
#pragma once

#include "ziparchive/CZipArchive.h"

#include <cstdint>
#include <memory>
#include <string>

#include "core/ZipFormat.h"
#include "core/ZipReader.h"
#include "core/extract/ArchiveExtractor.h"
#include "core/pack/ArchivePacker.h"
#include "ziparchive/win32/Win32FileSystem.h"

struct CZipArchive::Impl {
    zipfacade::Win32FileSystem files;
    std::unique_ptr<zipcore::ZipReader> reader;
    std::unique_ptr<zipcore::ArchiveExtractor> unzip;   // over reader: gone before it
    std::unique_ptr<zipcore::ArchivePacker> packer;
    std::wstring path;   // as given to Open
    std::uint16_t method = zipcore::kMethodBzip2;
};

namespace zipfacade {

// The buffer a member works with: the default for 0, otherwise the request within sensible bounds.
std::size_t BufferSize(unsigned long requested);
// Reports a call the facade cannot take (CZipException::wrongUse); returns false.
bool WrongUse(ZipFailure& failure, const wchar_t* reason, const std::wstring& path = std::wstring());
// Reports that the object has no state (its allocation failed); returns false.
bool NoMemory(ZipFailure& failure);

}   // namespace zipfacade
