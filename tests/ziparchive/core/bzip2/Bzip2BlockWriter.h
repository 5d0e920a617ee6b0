// Writes small bzip2 blocks field by field, for tests that need blocks no encoder writes: randomised
// blocks, unusual code lengths, spoilt fields. The transform is done the slow way (sorting every
// rotation), so keep texts to a few thousand bytes.
#pragma once

#include <cstdint>
#include <vector>

namespace ziptest {

using Bzip2Bytes = std::vector<std::uint8_t>;

struct Bzip2TestBlock {
  // `text` is what the initial run-length coding gives (four equal bytes are followed by a count).
  explicit Bzip2TestBlock(const Bzip2Bytes& text, bool randomised = false, int groups = 2);

  Bzip2Bytes output; // the bytes the block decodes to
  std::uint32_t crc = 0;
  bool randomised = false;
  std::uint32_t origPtr = 0;
  std::vector<std::uint8_t> used;                 // byte values, ascending
  std::vector<std::uint16_t> symbols;             // RUNA 0, RUNB 1, move-to-front index + 1, end of block last
  std::vector<std::uint8_t> selectors;            // the group of each 50 symbols
  std::vector<std::uint8_t> selectorMtf;          // as written (derived from selectors unless spoilt)
  std::vector<std::vector<std::uint8_t>> lengths; // per group, per symbol of the alphabet

  // selectorMtf from selectors; call after changing selectors.
  void EncodeSelectors();
};

// A whole stream: header for `level`, the blocks, end marker and combined CRC.
Bzip2Bytes Bzip2TestStream(int level, const std::vector<Bzip2TestBlock>& blocks);

// The bzip2 CRC the slow way (bit by bit), independent of the decoder's tables.
std::uint32_t Bzip2TestCrc(const Bzip2Bytes& data);

} // namespace ziptest
