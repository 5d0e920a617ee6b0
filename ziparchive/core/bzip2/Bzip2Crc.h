// The CRC of bzip2 blocks: CRC-32 with the polynomial 0x04C11DB7 taken most significant bit first
// (not the reflected CRC-32 of zip and zlib), starting from all ones and inverted at the end.
#pragma once

#include <cstddef>
#include <cstdint>

namespace zipcore {

// The CRC of `length` bytes, as stored in a bzip2 block header.
std::uint32_t Bzip2BlockCrc(const std::uint8_t* data, std::size_t length);

// The stream's combined CRC after one more block.
inline std::uint32_t Bzip2CombineCrc(std::uint32_t combined, std::uint32_t blockCrc) {
  return ((combined << 1) | (combined >> 31)) ^ blockCrc;
}

} // namespace zipcore
