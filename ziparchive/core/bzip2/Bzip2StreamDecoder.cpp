#include "core/bzip2/Bzip2StreamDecoder.h"

#include "core/bzip2/Bzip2BitReader.h"
#include "core/bzip2/Bzip2Crc.h"

namespace zipcore {
namespace {

constexpr std::uint64_t kBlockMagic = 0x314159265359ull;
constexpr std::uint64_t kEndMagic = 0x177245385090ull;

} // namespace

Bzip2BlockDecoder::Result DecodeBzip2Stream(const std::uint8_t* data, std::size_t length,
                                            std::vector<std::uint8_t>& out, std::size_t outputLimit,
                                            Bzip2BlockDecoder& decoder) {
  using Result = Bzip2BlockDecoder::Result;
  out.clear();
  if (length < 4 || data[0] != 'B' || data[1] != 'Z' || data[2] != 'h' || data[3] < '1' || data[3] > '9')
    return Result::Damaged;
  const int blockSize100k = data[3] - '0';
  std::uint64_t bit = 32;
  std::uint32_t combined = 0;
  for (;;) {
    Bzip2BitReader bits(data, length, bit);
    const std::uint64_t magic = std::uint64_t(bits.Read(24)) << 24 | bits.Read(24);
    if (magic == kEndMagic) {
      const std::uint32_t stored = bits.Read(32);
      if (bits.Overrun() || stored != combined) return Result::Damaged;
      return Result::Ok;
    }
    if (magic != kBlockMagic) return Result::Damaged;
    const Result result = decoder.Decode(data, length, bit, blockSize100k, out, outputLimit);
    if (result != Result::Ok) return result;
    combined = Bzip2CombineCrc(combined, decoder.BlockCrc());
    bit = decoder.EndBit();
  }
}

} // namespace zipcore
