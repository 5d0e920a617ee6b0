#include "core/bzip2/Bzip2Crc.h"

#include <array>

namespace zipcore {
namespace {

constexpr std::uint32_t kPolynomial = 0x04C11DB7u;

// tables[k][b]: the CRC change of byte b followed by k zero bytes, so eight bytes are folded in at
// once ("slicing by 8"); the decoder's output is checked at several bytes per cycle this way.
using CrcTables = std::array<std::array<std::uint32_t, 256>, 8>;

CrcTables MakeTables() {
  CrcTables tables{};
  for (std::uint32_t b = 0; b < 256; ++b) {
    std::uint32_t crc = b << 24;
    for (int bit = 0; bit < 8; ++bit) crc = (crc & 0x80000000u) ? (crc << 1) ^ kPolynomial : crc << 1;
    tables[0][b] = crc;
  }
  for (int k = 1; k < 8; ++k)
    for (int b = 0; b < 256; ++b) tables[k][b] = (tables[k - 1][b] << 8) ^ tables[0][tables[k - 1][b] >> 24];
  return tables;
}

} // namespace

std::uint32_t Bzip2BlockCrc(const std::uint8_t* data, std::size_t length) {
  static const CrcTables t = MakeTables();
  std::uint32_t crc = 0xFFFFFFFFu;
  for (; length >= 8; data += 8, length -= 8) {
    std::uint32_t high =
        crc ^ (std::uint32_t(data[0]) << 24 | std::uint32_t(data[1]) << 16 | std::uint32_t(data[2]) << 8 | data[3]);
    crc = t[7][high >> 24] ^ t[6][(high >> 16) & 0xFF] ^ t[5][(high >> 8) & 0xFF] ^ t[4][high & 0xFF] ^ t[3][data[4]] ^
          t[2][data[5]] ^ t[1][data[6]] ^ t[0][data[7]];
  }
  for (; length > 0; ++data, --length) crc = (crc << 8) ^ t[0][(crc >> 24) ^ *data];
  return ~crc;
}

} // namespace zipcore
