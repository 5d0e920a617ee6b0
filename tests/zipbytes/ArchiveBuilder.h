// Builds zip archives in memory for the tests, with every field under the test's control, so that
// damaged and hostile variants can be made without files from elsewhere.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace ziptest {

using Bytes = std::vector<std::uint8_t>;

struct TestEntry {
  TestEntry(std::string name = {}, std::string data = {}, std::uint16_t method = 0)
      : name(std::move(name)), data(std::move(data)), method(method) {}
  std::string name; // the bytes stored as the name
  std::string data; // the uncompressed content
  std::uint16_t method = 0;
  std::uint16_t flags = 0;
  std::uint16_t madeBy = 20;                     // host 0 (MS-DOS), version 2.0
  std::optional<std::uint32_t> crc;              // recorded instead of the true CRC-32
  std::optional<std::uint64_t> uncompressedSize; // recorded instead of the true size
  std::optional<std::uint64_t> compressedSize;   // recorded instead of the true size
  bool dataDescriptor = false;
  bool descriptorSignature = true;
  bool zip64 = false;                                  // sizes and offset in zip64 fields
  std::optional<std::int64_t> timestamp;               // extended-timestamp field
  std::uint16_t dosDate = (41 << 9) | (6 << 5) | 15;   // 2021-06-15
  std::uint16_t dosTime = (13 << 11) | (45 << 5) | 15; // 13:45:30
  std::string extra;                                   // more central extra fields, as raw bytes
  std::optional<std::uint64_t> recordedOffset;         // central directory's local-header offset
  std::optional<std::uint32_t> externalAttributes;     // default: 0x10 (folder) for a name ending in "/", else 0x20
  bool rawData = false;                                // `data` are already compressed: store them as they are
};

struct TestArchive {
  TestArchive(std::vector<TestEntry> entries = {}) : entries(std::move(entries)) {}
  std::vector<TestEntry> entries;
  std::string prefix; // bytes before the archive (a self-extractor stub)
  bool offsetsIncludePrefix = false;
  std::string trailing; // bytes after the end record
  std::string comment;
  bool zip64End = false;                      // zip64 end record and locator
  std::optional<std::uint16_t> countOverride; // entry count in the end record
};

Bytes Build(const TestArchive& archive);
std::string Compress(std::uint16_t method, const std::string& data);
std::uint32_t Crc(const std::string& data);

// The offset of the first occurrence of `needle`, or npos.
std::size_t Find(const Bytes& bytes, const std::string& needle, std::size_t from = 0);

} // namespace ziptest
