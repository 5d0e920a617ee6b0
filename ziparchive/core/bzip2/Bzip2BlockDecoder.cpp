// The first half of a block's decoding: its header, its code tables and its symbols (the Huffman,
// move-to-front and RUNA/RUNB stages). Bzip2BlockUnpack.cpp turns the symbols into the block's bytes.
#include "core/bzip2/Bzip2BlockDecoder.h"

#include "core/bzip2/Bzip2BitReader.h"

#include <algorithm>
#include <cstring>

namespace zipcore {
namespace {

constexpr std::uint32_t kBlockMagicHigh = 0x314159, kBlockMagicLow = 0x265359;
constexpr int kSymbolsPerSelector = 50;
constexpr int kMaxRunDigits = 21; // a longer RUNA/RUNB run exceeds every block size

// Moves mtf[index] to the front. Most indices are small: those move within one 64-bit word.
inline std::uint8_t MoveToFront(std::uint8_t* mtf, int index) {
  const std::uint8_t value = mtf[index];
  if (index < 8) {
    std::uint64_t word;
    std::memcpy(&word, mtf, 8);
    // Bytes 0..index (little-endian) shift up by one; byte 0 becomes the value; the rest stay.
    const std::uint64_t moved = index == 7 ? ~0ull : (1ull << (8 * (index + 1))) - 1;
    word = (word & ~moved) | ((word << 8) & moved) | value;
    std::memcpy(mtf, &word, 8);
  } else {
    std::memmove(mtf + 1, mtf, static_cast<std::size_t>(index));
    mtf[0] = value;
  }
  return value;
}

} // namespace

Bzip2BlockDecoder::Bzip2BlockDecoder() = default;

Bzip2BlockDecoder::Result Bzip2BlockDecoder::Decode(const std::uint8_t* data, std::size_t length,
                                                    std::uint64_t startBit, int blockSize100k,
                                                    std::vector<std::uint8_t>& out, std::size_t outputLimit) {
  decodedCrc_.reset();
  if (blockSize100k < 1 || blockSize100k > 9) return Result::Damaged;
  Bzip2BitReader bits(data, length, startBit);
  if (bits.Read(24) != kBlockMagicHigh || bits.Read(24) != kBlockMagicLow) return Result::Damaged;
  blockCrc_ = bits.Read(32);
  // Randomised blocks have not been written since bzip2 0.9.5; libbz2 still reads them.
  if (bits.ReadBit()) return Result::NotHandled;
  const std::uint32_t origPtr = bits.Read(24);
  Result result = ReadTables(bits);
  if (result != Result::Ok) return result;
  result = ReadSymbols(bits, static_cast<std::uint32_t>(blockSize100k) * 100000u);
  if (result != Result::Ok) return result;
  if (bits.Overrun()) return Result::Damaged;
  endBit_ = bits.Position();
  return Unpack(origPtr, out, outputLimit);
}

// The bitmap of bytes used, the groups, the selectors and every group's code lengths.
Bzip2BlockDecoder::Result Bzip2BlockDecoder::ReadTables(Bzip2BitReader& bits) {
  const std::uint32_t rows = bits.Read(16);
  usedCount_ = 0;
  for (int row = 0; row < 16; ++row) {
    if (!(rows & (0x8000u >> row))) continue;
    const std::uint32_t columns = bits.Read(16);
    for (int column = 0; column < 16; ++column)
      if (columns & (0x8000u >> column)) usedBytes_[usedCount_++] = static_cast<std::uint8_t>(16 * row + column);
  }
  if (usedCount_ == 0) return Result::Damaged;

  groups_ = static_cast<int>(bits.Read(3));
  if (groups_ < 2 || groups_ > kMaxGroups) return Result::Damaged;
  const std::uint32_t selectors = bits.Read(15);
  if (selectors == 0) return Result::Damaged;
  std::array<std::uint8_t, kMaxGroups> order = {0, 1, 2, 3, 4, 5};
  for (std::uint32_t s = 0; s < selectors; ++s) {
    int index = 0;
    while (bits.ReadBit())
      if (++index >= groups_) return Result::Damaged;
    const std::uint8_t selector = order[index];
    for (; index > 0; --index) order[index] = order[index - 1];
    order[0] = selector;
    if (s < kMaxSelectors) selectors_[s] = selector;
  }
  selectorCount_ = std::min<std::size_t>(selectors, kMaxSelectors);
  if (bits.Overrun()) return Result::Damaged;

  // Code lengths: a 5-bit start, then per symbol "1x" steps (x=0 up, x=1 down) ended by a 0.
  const int alphabet = usedCount_ + 2;
  std::array<std::uint8_t, Bzip2HuffmanTable::kMaxSymbols> lengths;
  bool handled = true;
  for (int group = 0; group < groups_; ++group) {
    int current = static_cast<int>(bits.Read(5));
    for (int symbol = 0; symbol < alphabet; ++symbol) {
      for (;;) {
        if (current < 1 || current > Bzip2HuffmanTable::kMaxCodeLength) return Result::Damaged;
        if (!bits.ReadBit()) break;
        current += bits.ReadBit() ? -1 : 1;
      }
      lengths[symbol] = static_cast<std::uint8_t>(current);
    }
    if (bits.Overrun()) return Result::Damaged;
    // Lengths that over-fill the code space come from no encoder; libbz2 decodes them its own way.
    if (!tables_[group].Build(lengths.data(), alphabet)) handled = false;
  }
  return handled ? Result::Ok : Result::NotHandled;
}

bool Bzip2BlockDecoder::Grow(std::uint32_t needed, std::uint32_t maxSymbols) {
  if (needed > maxSymbols) return false;
  const std::size_t size = std::max<std::size_t>({needed, 2 * tt_.size(), 4096});
  tt_.resize(std::min<std::size_t>(size, maxSymbols));
  return true;
}

// Huffman symbols to bytes: runs of RUNA/RUNB give repeats of the front byte, other symbols are
// move-to-front indices (plus one). The bytes go to tt_, counted per value for the inverse transform.
Bzip2BlockDecoder::Result Bzip2BlockDecoder::ReadSymbols(Bzip2BitReader& input, std::uint32_t maxSymbols) {
  Bzip2BitReader bits = input; // a local copy stays in registers
  const int endOfBlock = usedCount_ + 1;
  std::array<std::uint8_t, 256> mtf{};
  std::copy(usedBytes_.begin(), usedBytes_.begin() + usedCount_, mtf.begin());
  byteCounts_.fill(0);
  std::uint32_t* tt = tt_.data();
  auto capacity = static_cast<std::uint32_t>(tt_.size());
  std::uint32_t count = 0;
  std::uint32_t run = 0;
  int runDigits = 0;
  for (std::size_t group = 0;; ++group) {
    if (group >= selectorCount_ || bits.Overrun()) return Result::Damaged;
    const Bzip2HuffmanTable& table = tables_[selectors_[group]];
    for (int i = 0; i < kSymbolsPerSelector; ++i) {
      if (bits.Buffered() < Bzip2HuffmanTable::kMaxCodeLength) bits.Refill();
      int length;
      const int symbol = table.Decode(bits.Window(), length);
      if (symbol < 0) return Result::Damaged;
      bits.Skip(length);
      if (symbol <= 1) { // RUNA (1) or RUNB (2) times the weight of this digit
        if (runDigits == kMaxRunDigits) return Result::Damaged;
        run += static_cast<std::uint32_t>(symbol + 1) << runDigits++;
        continue;
      }
      if (run != 0) {
        if (run > maxSymbols - count) return Result::Damaged;
        if (count + run > capacity) {
          Grow(count + run, maxSymbols);
          tt = tt_.data();
          capacity = static_cast<std::uint32_t>(tt_.size());
        }
        const std::uint8_t byte = mtf[0];
        std::fill_n(tt + count, run, byte);
        byteCounts_[byte] += run;
        count += run;
        run = 0;
        runDigits = 0;
      }
      if (symbol == endOfBlock) {
        symbolCount_ = count;
        input = bits;
        return Result::Ok;
      }
      if (count == capacity) {
        if (!Grow(count + 1, maxSymbols)) return Result::Damaged;
        tt = tt_.data();
        capacity = static_cast<std::uint32_t>(tt_.size());
      }
      const std::uint8_t byte = MoveToFront(mtf.data(), symbol - 1);
      tt[count++] = byte;
      ++byteCounts_[byte];
    }
  }
}

} // namespace zipcore
