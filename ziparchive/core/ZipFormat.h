// Record signatures, fixed sizes, flag bits and method numbers of the zip format (PKWARE APPNOTE 6.3).
#pragma once

#include <cstdint>

namespace zipcore {

constexpr std::uint32_t kLocalHeaderSignature = 0x04034b50;
constexpr std::uint32_t kCentralHeaderSignature = 0x02014b50;
constexpr std::uint32_t kEndOfCentralSignature = 0x06054b50;
constexpr std::uint32_t kZip64EndOfCentralSignature = 0x06064b50;
constexpr std::uint32_t kZip64LocatorSignature = 0x07064b50;
constexpr std::uint32_t kDataDescriptorSignature = 0x08074b50;

constexpr std::uint32_t kLocalHeaderSize = 30;
constexpr std::uint32_t kCentralHeaderSize = 46;
constexpr std::uint32_t kEndOfCentralSize = 22;
constexpr std::uint32_t kZip64EndOfCentralSize = 56;
constexpr std::uint32_t kZip64LocatorSize = 20;
constexpr std::uint32_t kMaxCommentSize = 0xFFFF;

constexpr std::uint16_t kFlagEncrypted = 0x0001;
constexpr std::uint16_t kFlagDataDescriptor = 0x0008;
constexpr std::uint16_t kFlagStrongEncryption = 0x0040;
constexpr std::uint16_t kFlagUtf8 = 0x0800;
constexpr std::uint16_t kFlagMaskedHeaders = 0x2000;

// Compression methods, as recorded in the headers.
enum CompressionMethod : std::uint16_t {
  kMethodStored = 0,
  kMethodDeflate = 8,
  kMethodDeflate64 = 9,
  kMethodBzip2 = 12,
  kMethodLzma = 14,
  kMethodZstandard = 93,
  kMethodXz = 95,
};

// Recorded as the method of WinZip AES entries; their real method is in their AES extra field.
constexpr std::uint16_t kMethodWinZipAes = 99;

constexpr std::uint16_t kExtraZip64 = 0x0001;
constexpr std::uint16_t kExtraTimestamp = 0x5455;

// Values that mean "see the zip64 record".
constexpr std::uint32_t kZip64Marker32 = 0xFFFFFFFF;
constexpr std::uint16_t kZip64Marker16 = 0xFFFF;

// "Version needed to extract" by feature.
constexpr std::uint16_t kVersionDefault = 20;
constexpr std::uint16_t kVersionZip64 = 45;
constexpr std::uint16_t kVersionBzip2 = 46;
// "Version made by": host MS-DOS/FAT (attributes are DOS attributes), APPNOTE version 6.3.
constexpr std::uint16_t kVersionMadeBy = 63;

constexpr std::uint32_t kDosAttributeArchive = 0x20;
constexpr std::uint32_t kDosAttributeFolder = 0x10;

} // namespace zipcore
