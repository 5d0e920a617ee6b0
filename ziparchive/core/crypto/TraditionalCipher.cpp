#include "core/crypto/TraditionalCipher.h"

#include <mbedtls/platform_util.h>
#include <zlib.h>

namespace zipcore {
namespace {

// One byte of CRC-32 as the cipher uses it: the running value, unconditioned.
inline std::uint32_t CrcStep(const z_crc_t* table, std::uint32_t crc, std::uint8_t byte) {
  return (crc >> 8) ^ static_cast<std::uint32_t>(table[(crc ^ byte) & 0xFF]);
}

const z_crc_t* CrcTable() {
  static const z_crc_t* const table = get_crc_table();
  return table;
}

} // namespace

TraditionalCipher::TraditionalCipher(const std::string& password) : keys_{0x12345678u, 0x23456789u, 0x34567890u} {
  for (char c : password) Update(static_cast<std::uint8_t>(c));
}

TraditionalCipher::~TraditionalCipher() { mbedtls_platform_zeroize(keys_, sizeof keys_); }

void TraditionalCipher::Update(std::uint8_t plain) {
  const z_crc_t* table = CrcTable();
  keys_[0] = CrcStep(table, keys_[0], plain);
  keys_[1] = (keys_[1] + (keys_[0] & 0xFF)) * 134775813u + 1;
  keys_[2] = CrcStep(table, keys_[2], static_cast<std::uint8_t>(keys_[1] >> 24));
}

void TraditionalCipher::Decrypt(std::uint8_t* data, std::size_t length) {
  for (std::size_t i = 0; i < length; ++i) {
    const std::uint32_t temp = (keys_[2] & 0xFFFF) | 2;
    data[i] = static_cast<std::uint8_t>(data[i] ^ ((temp * (temp ^ 1)) >> 8));
    Update(data[i]);
  }
}

std::uint8_t TraditionalCipher::CheckByte(const std::uint8_t (&header)[kTraditionalHeaderSize]) {
  std::uint8_t plain[kTraditionalHeaderSize];
  for (std::size_t i = 0; i < kTraditionalHeaderSize; ++i) plain[i] = header[i];
  Decrypt(plain, kTraditionalHeaderSize);
  return plain[kTraditionalHeaderSize - 1];
}

} // namespace zipcore
