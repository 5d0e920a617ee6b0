// Our encoder of small bzip2 blocks against libbz2's decoder: whatever the input (below the size the
// encoder is used for), the stream must be one block of the requested level that libbz2 decodes to
// exactly the input. And our block sort against libbz2's: around it, our stages with libbz2's choice of
// tables and libbz2's own stages must both write libbz2's stream for the same input (for a periodic
// block the origin pointer may name another of the equal rotations, as long as libbz2 decodes the
// stream to the input).
//
// The first byte picks the level (its value modulo 9, plus 1) and libbz2's decoder (bit 6); when its
// top bit is set, the rest is read as (byte, count) pairs, so that long runs and periodic data come
// up often.
#include "core/bzip2/Bzip2BlockEncoder.h"
#include "core/bzip2/Bzip2OwnBlockEncoder.h"
#include "core/bzip2/Bzip2StreamJoiner.h"

#include <bzlib.h>

#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

bool DecodesTo(const Bytes& stream, const Bytes& input, int small) {
  Bytes decoded(input.size() + 1);
  unsigned length = static_cast<unsigned>(decoded.size());
  int result = BZ2_bzBuffToBuffDecompress(reinterpret_cast<char*>(decoded.data()), &length,
                                          const_cast<char*>(reinterpret_cast<const char*>(stream.data())),
                                          static_cast<unsigned>(stream.size()), small, 0);
  decoded.resize(length);
  return result == BZ_OK && decoded == input;
}

// libbz2 alone, and our stages and libbz2's around our sort (for blocks of every size), on the same input.
void CompareSorts(const Bytes& input, int level, int small) {
  Bytes expected(input.size() + input.size() / 100 + 1000);
  unsigned length = static_cast<unsigned>(expected.size());
  if (BZ2_bzBuffToBuffCompress(reinterpret_cast<char*>(expected.data()), &length,
                               const_cast<char*>(reinterpret_cast<const char*>(input.data())),
                               static_cast<unsigned>(input.size()), level, 0, 0) != BZ_OK)
    std::abort();
  expected.resize(length);
  static zipcore::Bzip2BlockEncoder ownStages(0);
  static zipcore::Bzip2BlockEncoder libbz2Stages(0, 1, zipcore::Bzip2BlockEncoder::LargeBlocks::Libbz2Stages);
  zipcore::Bzip2BlockData block;
  for (std::uint8_t byte : input) block.Append(byte);
  Bytes stream;
  for (zipcore::Bzip2BlockEncoder* ours : {&ownStages, &libbz2Stages}) {
    ours->Encode(block, level, stream);
    if (stream == expected) continue;
    // Only the origin pointer (24 bits from bit 113 of a one-block stream) may differ.
    if (stream.size() != expected.size() || !DecodesTo(stream, input, small)) std::abort();
    for (std::size_t bit = 0; bit < 8 * stream.size(); ++bit) {
      bool differs = ((stream[bit / 8] ^ expected[bit / 8]) >> (7 - bit % 8)) & 1;
      if (differs && (bit < 113 || bit >= 113 + 24)) std::abort();
    }
  }
}

Bytes InputOf(const std::uint8_t* data, std::size_t size, bool runs) {
  if (!runs) return Bytes(data, data + size);
  Bytes input;
  for (std::size_t i = 0; i + 1 < size && input.size() < zipcore::Bzip2BlockEncoder::kOwnEncoderBelow; i += 2)
    input.insert(input.end(), std::size_t{data[i + 1]} * 4 + 1, data[i]);
  return input;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const int level = data[0] % 9 + 1;
  Bytes input = InputOf(data + 1, size - 1, (data[0] & 0x80) != 0);
  if (input.size() >= zipcore::Bzip2BlockEncoder::kOwnEncoderBelow)
    input.resize(zipcore::Bzip2BlockEncoder::kOwnEncoderBelow - 1);
  if (input.empty()) return 0;

  static zipcore::Bzip2OwnBlockEncoder encoder; // reused, as the workers reuse theirs
  Bytes stream;
  encoder.Encode(input.data(), input.size(), level, stream);
  if (stream.size() < 4 || stream[3] != '0' + level) std::abort();
  zipcore::Bzip2BlockBits block;
  if (!zipcore::FindBzip2Block(stream.data(), stream.size(), block)) std::abort();

  // Both of libbz2's decoders: the fast one and the one for little memory.
  const int small = (data[0] & 0x40) ? 1 : 0;
  if (!DecodesTo(stream, input, small)) std::abort();
  CompareSorts(input, level, small);
  return 0;
}
