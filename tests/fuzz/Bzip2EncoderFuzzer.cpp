// Our encoder of small bzip2 blocks against libbz2's decoder: whatever the input (below the size the
// encoder is used for), the stream must be one block of the requested level that libbz2 decodes to
// exactly the input.
//
// The first byte picks the level (its value modulo 9, plus 1) and libbz2's decoder (bit 6); when its
// top bit is set, the rest is read as (byte, count) pairs, so that long runs and periodic data come
// up often.
#include "core/bzip2/Bzip2BlockEncoder.h"
#include "core/bzip2/Bzip2SmallBlockEncoder.h"
#include "core/bzip2/Bzip2StreamJoiner.h"

#include <bzlib.h>

#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

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
  if (input.size() >= zipcore::Bzip2BlockEncoder::kOwnEncoderBelow) input.resize(zipcore::Bzip2BlockEncoder::kOwnEncoderBelow - 1);
  if (input.empty()) return 0;

  static zipcore::Bzip2SmallBlockEncoder encoder; // reused, as the workers reuse theirs
  Bytes stream;
  encoder.Encode(input.data(), input.size(), level, stream);
  if (stream.size() < 4 || stream[3] != '0' + level) std::abort();
  zipcore::Bzip2BlockBits block;
  if (!zipcore::FindBzip2Block(stream.data(), stream.size(), block)) std::abort();

  Bytes decoded(input.size() + 1);
  unsigned length = static_cast<unsigned>(decoded.size());
  // Both of libbz2's decoders: the fast one and the one for little memory.
  const int small = (data[0] & 0x40) ? 1 : 0;
  int result = BZ2_bzBuffToBuffDecompress(reinterpret_cast<char*>(decoded.data()), &length,
                                          reinterpret_cast<char*>(stream.data()),
                                          static_cast<unsigned>(stream.size()), small, 0);
  if (result != BZ_OK || length != input.size()) std::abort();
  decoded.resize(length);
  if (decoded != input) std::abort();
  return 0;
}
