// libFuzzer target, differential: our bzip2 decoder against libbz2 on the same bytes. Whatever ours
// decodes, libbz2 must decode to the same bytes; whatever libbz2 decodes, ours must decode too, or
// leave to libbz2 (NotHandled). Each input is tried twice: as a whole stream, and as the body of a
// block (after the magic and CRC) in a level-9 stream, where the block's CRC and the end of the
// stream are filled in from what our decoder read, so that the comparison reaches past the CRC check.
#include "Libbz2Decompress.h"
#include "core/bzip2/Bzip2StreamDecoder.h"

#include <bzlib.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <vector>

using namespace zipcore;
using Bytes = std::vector<std::uint8_t>;

namespace {

constexpr std::size_t kOutputLimit = 64u << 20;

void Compare(const Bytes& stream) {
  Bzip2BlockDecoder decoder;
  Bytes ours;
  const auto result = DecodeBzip2Stream(stream.data(), stream.size(), ours, kOutputLimit, decoder);
  const std::optional<Bytes> theirs = Libbz2Decompress(stream, kOutputLimit);
  if (result == Bzip2BlockDecoder::Result::Ok && (!theirs || ours != *theirs)) std::abort();
  if (result == Bzip2BlockDecoder::Result::Damaged && theirs && theirs->size() <= kOutputLimit / 2) std::abort();
}

class BitWriter {
public:
  void Put(std::uint64_t value, int count) {
    for (int i = count - 1; i >= 0; --i) PutBit((value >> i) & 1);
  }
  void PutBit(bool bit) {
    if (used_ % 8 == 0) bytes.push_back(0);
    if (bit) bytes.back() |= static_cast<std::uint8_t>(0x80 >> (used_ % 8));
    ++used_;
  }
  Bytes bytes;

private:
  std::uint64_t used_ = 0;
};

// "BZh9", the block magic, `crc`, the body's first `bodyBits` bits, and (when `end`) the end marker.
Bytes BlockStream(const std::uint8_t* body, std::size_t size, std::uint32_t crc, std::uint64_t bodyBits, bool end) {
  BitWriter out;
  out.Put(0x425A6839u, 32);
  out.Put(0x314159265359ull, 48);
  out.Put(crc, 32);
  for (std::uint64_t bit = 0; bit < bodyBits && bit / 8 < size; ++bit) out.PutBit((body[bit / 8] >> (7 - bit % 8)) & 1);
  if (end) {
    out.Put(0x177245385090ull, 48);
    out.Put(crc, 32); // the combined CRC of one block is its own
  }
  return out.bytes;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > (1u << 20)) return 0;
  Compare(Bytes(data, data + size));

  // The input as a block body: decode it once to learn its CRC and end, then compare on the stream
  // that has them right.
  const Bytes raw = BlockStream(data, size, 0, 8 * static_cast<std::uint64_t>(size), false);
  Bzip2BlockDecoder decoder;
  Bytes ignored;
  decoder.Decode(raw.data(), raw.size(), 32, 9, ignored, kOutputLimit);
  if (!decoder.DecodedCrc()) return 0;
  Compare(BlockStream(data, size, *decoder.DecodedCrc(), decoder.EndBit() - 112, true));
  return 0;
}
