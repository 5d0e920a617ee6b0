#include "core/ExtraFields.h"

#include "core/ByteOrder.h"
#include "core/ZipFormat.h"

#include <zlib.h>

namespace zipcore {
namespace {

constexpr std::uint16_t kExtraUnicodePath = 0x7075;
constexpr std::uint16_t kExtraWinZipAes = 0x9901;

// Finds the first field with `id`; gives its data and length.
bool FindField(const std::uint8_t* extra, std::size_t length, std::uint16_t id, const std::uint8_t*& data,
               std::size_t& size) {
  std::size_t pos = 0;
  while (length - pos >= 4) {
    std::uint16_t fieldId = Load16(extra + pos);
    std::uint16_t fieldSize = Load16(extra + pos + 2);
    if (fieldSize > length - pos - 4) return false;
    if (fieldId == id) {
      data = extra + pos + 4;
      size = fieldSize;
      return true;
    }
    pos += 4 + fieldSize;
  }
  return false;
}

} // namespace

std::optional<WinZipAesField> ReadWinZipAes(const std::uint8_t* extra, std::size_t length) {
  const std::uint8_t* data = nullptr;
  std::size_t size = 0;
  if (!FindField(extra, length, kExtraWinZipAes, data, size) || size < 7) return std::nullopt;
  if (data[2] != 'A' || data[3] != 'E') return std::nullopt; // the vendor id
  WinZipAesField field;
  field.version = Load16(data);
  field.strength = data[4];
  field.method = Load16(data + 5);
  return field;
}

bool ReadZip64(const std::uint8_t* extra, std::size_t length, Zip64Fields& fields) {
  if (!fields.hasUncompressed && !fields.hasCompressed && !fields.hasOffset && !fields.hasDisk) return true;
  const std::uint8_t* data = nullptr;
  std::size_t size = 0;
  if (!FindField(extra, length, kExtraZip64, data, size)) {
    // 0xFFFFFFFF means "see the zip64 field" only when there is one: else it is the value itself
    // (a file of exactly 4 GiB - 1 byte).
    fields.hasUncompressed = fields.hasCompressed = fields.hasOffset = fields.hasDisk = false;
    return true;
  }
  ByteReader in(data, size);
  if (fields.hasUncompressed) fields.uncompressed = in.U64();
  if (fields.hasCompressed) fields.compressed = in.U64();
  if (fields.hasOffset) fields.offset = in.U64();
  if (fields.hasDisk) fields.disk = in.U32();
  return in.Ok();
}

std::optional<std::int64_t> ReadTimestamp(const std::uint8_t* extra, std::size_t length) {
  const std::uint8_t* data = nullptr;
  std::size_t size = 0;
  if (!FindField(extra, length, kExtraTimestamp, data, size) || size < 5 || !(data[0] & 1)) return std::nullopt;
  return static_cast<std::int32_t>(Load32(data + 1));
}

std::optional<std::string> ReadUnicodePath(const std::uint8_t* extra, std::size_t length, const std::string& rawName) {
  const std::uint8_t* data = nullptr;
  std::size_t size = 0;
  if (!FindField(extra, length, kExtraUnicodePath, data, size) || size < 5 || data[0] != 1) return std::nullopt;
  // The field is valid only while the plain name is the one it was made for.
  uLong crc = crc32(0, reinterpret_cast<const Bytef*>(rawName.data()), static_cast<uInt>(rawName.size()));
  if (Load32(data + 1) != crc) return std::nullopt;
  return std::string(reinterpret_cast<const char*>(data + 5), size - 5);
}

void WriteZip64(std::vector<std::uint8_t>& extra, const Zip64Fields& fields) {
  std::uint16_t size = static_cast<std::uint16_t>(
      8 * (fields.hasUncompressed + fields.hasCompressed + fields.hasOffset) + 4 * fields.hasDisk);
  if (size == 0) return;
  ByteWriter out(extra);
  out.U16(kExtraZip64);
  out.U16(size);
  if (fields.hasUncompressed) out.U64(fields.uncompressed);
  if (fields.hasCompressed) out.U64(fields.compressed);
  if (fields.hasOffset) out.U64(fields.offset);
  if (fields.hasDisk) out.U32(fields.disk);
}

void WriteTimestamp(std::vector<std::uint8_t>& extra, std::int64_t modified) {
  if (modified < INT32_MIN || modified > INT32_MAX) return;
  ByteWriter out(extra);
  out.U16(kExtraTimestamp);
  out.U16(5);
  extra.push_back(1); // modification time present
  out.U32(static_cast<std::uint32_t>(static_cast<std::int32_t>(modified)));
}

} // namespace zipcore
