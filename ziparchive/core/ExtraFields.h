// The extra fields the core reads and writes: zip64 (0x0001), extended timestamp (0x5455), the
// Info-ZIP Unicode path (0x7075), and (read only) WinZip AES (0x9901).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace zipcore {

// The 64-bit values of one header; `has*` say which fixed fields held the zip64 marker.
struct Zip64Fields {
  bool hasUncompressed = false, hasCompressed = false, hasOffset = false, hasDisk = false;
  std::uint64_t uncompressed = 0, compressed = 0, offset = 0;
  std::uint32_t disk = 0;
};

// Fills the marked values from the zip64 field; false when it is too short. Without a zip64 field the
// marks are cleared: the fixed fields hold the values themselves.
bool ReadZip64(const std::uint8_t* extra, std::size_t length, Zip64Fields& fields);
// The modification time of an extended-timestamp field, when present.
std::optional<std::int64_t> ReadTimestamp(const std::uint8_t* extra, std::size_t length);
// WinZip's AES field (0x9901): the vendor version, key strength and the compression method inside.
struct WinZipAesField {
  std::uint16_t version = 0;
  std::uint8_t strength = 0;
  std::uint16_t method = 0;
};
std::optional<WinZipAesField> ReadWinZipAes(const std::uint8_t* extra, std::size_t length);
// The UTF-8 name of a Unicode path field, when present and made for `rawName`.
std::optional<std::string> ReadUnicodePath(const std::uint8_t* extra, std::size_t length, const std::string& rawName);

// Appends a zip64 field with the marked values, in the order the format requires.
void WriteZip64(std::vector<std::uint8_t>& extra, const Zip64Fields& fields);
// Appends an extended-timestamp field with the modification time only; nothing when the time
// does not fit its 32-bit signed field.
void WriteTimestamp(std::vector<std::uint8_t>& extra, std::int64_t modified);

} // namespace zipcore
