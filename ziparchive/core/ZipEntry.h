// The entry model shared by the reader and the writer: what the central directory says of one entry.
#pragma once

#include "core/ZipFormat.h"

#include <cstdint>
#include <string>

namespace zipcore {

// How an entry's data are encrypted: not at all, in ways this library decrypts, or otherwise.
enum class EntryEncryption { None, Traditional, WinZipAes, Other };

struct ZipEntry {
  std::string name; // UTF-8, "/" separators; a folder entry ends with "/"
  // The compression method of the data; for a WinZip AES entry (recorded as method 99) the method
  // its AES extra field names, the one under the encryption.
  std::uint16_t method = kMethodStored;
  std::uint16_t flags = 0; // general-purpose bit flags as stored
  std::uint32_t crc32 = 0;
  std::uint64_t compressedSize = 0;
  std::uint64_t uncompressedSize = 0;
  std::uint64_t localHeaderOffset = 0; // from the start of the file (leading bytes accounted for)
  std::uint64_t dataOffset = 0;        // first byte of the entry's compressed data
  std::int64_t modified = 0;           // seconds since 1970-01-01 UTC
  std::uint16_t dosTime = 0;           // as recorded: with a data descriptor, traditional encryption's check
  // WinZip AES (method 99, extra field 0x9901): the key strength (1 to 3: AES-128, -192, -256) and the
  // vendor version (1: AE-1, the CRC-32 is kept; 2: AE-2, it is not). 0 for other entries.
  std::uint8_t aesStrength = 0;
  std::uint16_t aesVersion = 0;
  bool recordedAsAes = false; // method 99 was recorded, with or without a usable AES field
  std::uint32_t externalAttributes = 0;
  std::uint16_t versionMadeBy = 0;
  std::uint16_t versionNeeded = 0;
  bool inOtherVolume = false; // its data lie in another volume of a split archive

  bool IsFolder() const { return !name.empty() && name.back() == '/'; }
  bool IsEncrypted() const { return (flags & kFlagEncrypted) != 0 || recordedAsAes; }
  EntryEncryption Encryption() const {
    if (flags & (kFlagStrongEncryption | kFlagMaskedHeaders)) return EntryEncryption::Other;
    if (recordedAsAes)
      return aesStrength >= 1 && aesStrength <= 3 ? EntryEncryption::WinZipAes : EntryEncryption::Other;
    return (flags & kFlagEncrypted) ? EntryEncryption::Traditional : EntryEncryption::None;
  }
};

} // namespace zipcore
