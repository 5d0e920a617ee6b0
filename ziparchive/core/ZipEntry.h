// The entry model shared by the reader and the writer: what the central directory says of one entry.
#pragma once

#include <cstdint>
#include <string>

namespace zipcore {

enum CompressionMethod : std::uint16_t {
  kMethodStored = 0,
  kMethodDeflate = 8,
  kMethodDeflate64 = 9,
  kMethodBzip2 = 12,
  kMethodLzma = 14,
  kMethodZstandard = 93,
  kMethodXz = 95,
};

struct ZipEntry {
  std::string name;              // UTF-8, "/" separators; a folder entry ends with "/"
  std::uint16_t method = kMethodStored;
  std::uint16_t flags = 0;       // general-purpose bit flags as stored
  std::uint32_t crc32 = 0;
  std::uint64_t compressedSize = 0;
  std::uint64_t uncompressedSize = 0;
  std::uint64_t localHeaderOffset = 0; // from the start of the file (leading bytes accounted for)
  std::uint64_t dataOffset = 0;        // first byte of the entry's compressed data
  std::int64_t modified = 0;           // seconds since 1970-01-01 UTC
  std::uint32_t externalAttributes = 0;
  std::uint16_t versionMadeBy = 0;
  std::uint16_t versionNeeded = 0;
  // Where extraction writes the entry below the target ("/" separators, no trailing "/"): its name
  // made safe on Windows and unique in the archive (see DiskNames.h). Empty: nowhere, it is skipped.
  std::string diskName;
  bool inOtherVolume = false;  // its data lie in another volume of a split archive

  bool IsFolder() const { return !name.empty() && name.back() == '/'; }
  bool IsEncrypted() const { return (flags & 0x0001) != 0; }
};

} // namespace zipcore
