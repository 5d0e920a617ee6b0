// The second half of a block's decoding: from the symbols to the block's bytes (the inverse
// Burrows-Wheeler transform, then the initial run-length coding undone, then the CRC check).
#include "core/bzip2/Bzip2BlockDecoder.h"

#include "core/bzip2/Bzip2Crc.h"

#include <algorithm>
#include <cstring>

namespace zipcore {
namespace {

// Bit 8k+7 set where bytes k..k+3 at p are equal (k 0..5; reads 9 bytes).
inline std::uint64_t RunStarts(const std::uint8_t* p) {
  std::uint64_t here, after;
  std::memcpy(&here, p, 8);
  std::memcpy(&after, p + 1, 8);
  const std::uint64_t differ = here ^ after; // little-endian: byte k compares p[k] with p[k+1]
  constexpr std::uint64_t kLow7 = 0x7F7F7F7F7F7F7F7Full;
  const std::uint64_t same = ~(((differ & kLow7) + kLow7) | differ | kLow7); // 0x80 where differ is 0
  return same & (same >> 8) & (same >> 16) & 0x0000808080808080ull;
}

} // namespace

// The inverse Burrows-Wheeler transform into text_, then the initial run-length coding undone (four
// equal bytes are followed by a count of further repeats) into `out`, then the CRC check.
Bzip2BlockDecoder::Result Bzip2BlockDecoder::Unpack(std::uint32_t origPtr, std::vector<std::uint8_t>& out,
                                                    std::size_t outputLimit) {
  if (origPtr >= symbolCount_) return Result::Damaged;
  Invert(origPtr);
  const std::size_t start = out.size();
  if (start > outputLimit) return Result::Damaged;
  const std::uint8_t* in = text_.data();
  const std::uint8_t* const end = in + symbolCount_;
  // Every byte of text_ gives at most one byte, except run counts; 8 more for whole-word stores.
  out.resize(start + symbolCount_ + 8);
  std::uint8_t* write = out.data() + start;
  std::size_t room = symbolCount_; // bytes writable at `write` (plus 8): never fewer than left at `in`
  for (;;) {
    // Copy up to the next four equal bytes, six bytes a step while the text has none.
    while (end - in >= 9) {
      const std::uint64_t runs = RunStarts(in);
      if (runs != 0) {
        const int skip = __builtin_ctzll(runs) / 8;
        std::memcpy(write, in, 8);
        in += skip;
        write += skip;
        room -= static_cast<std::size_t>(skip);
        break;
      }
      std::memcpy(write, in, 8);
      in += 6;
      write += 6;
      room -= 6;
    }
    // Byte by byte to the end of four equal bytes (or of the text).
    std::uint32_t last = 256, equal = 0;
    while (in != end && equal < 4) {
      const std::uint32_t byte = *in++;
      *write++ = static_cast<std::uint8_t>(byte);
      --room;
      equal = byte == last ? equal + 1 : 1;
      last = byte;
    }
    if (in == end) {
      if (equal == 4) return Result::Damaged; // no count after four equal bytes: libbz2 refuses it too
      break;
    }
    const std::uint32_t more = *in++; // the count after four equal bytes
    const auto left = static_cast<std::size_t>(end - in);
    if (more + left > room) {
      const auto written = static_cast<std::size_t>(write - (out.data() + start));
      if (start + written + more > outputLimit) return Result::Damaged;
      // Room for this run and the bytes left, and as much again as the block gave so far.
      out.resize(start + written + more + left + 8 + std::max<std::size_t>(written + more, 1u << 16));
      write = out.data() + start + written;
      room = out.size() - 8 - start - written;
    }
    std::memset(write, static_cast<int>(last), more);
    write += more;
    room -= more;
  }
  out.resize(static_cast<std::size_t>(write - out.data()));
  if (out.size() > outputLimit) return Result::Damaged;
  decodedCrc_ = Bzip2BlockCrc(out.data() + start, out.size() - start);
  return *decodedCrc_ == blockCrc_ ? Result::Ok : Result::Damaged;
}

// The text is the cycle through the sorted rotations that starts at row origPtr, walked forwards
// through tt_ (row -> row of the next rotation, with that rotation's last byte). Each step is a load
// that depends on the one before and mostly misses the cache. A block whose tables stay in the
// caches is walked from both ends at once, backwards through lf_ too (row -> row of the previous
// rotation, with this row's last byte), which halves the chain of loads; a large block is walked
// forwards alone, as its second table would cost more in cache misses (and memory) than the second
// walk saves when other threads decode blocks beside it.
void Bzip2BlockDecoder::Invert(std::uint32_t origPtr) {
  const std::uint32_t count = symbolCount_;
  const bool twoWalks = count <= kTwoWalksUpTo;
  if (twoWalks && lf_.size() < count) lf_.resize(count);
  if (text_.size() < count) text_.resize(count);
  std::uint32_t* tt = tt_.data();
  std::array<std::uint32_t, 256> next;
  std::uint32_t sum = 0;
  for (int b = 0; b < 256; ++b) {
    next[b] = sum;
    sum += byteCounts_[b];
  }
  if (!twoWalks) {
    for (std::uint32_t i = 0; i < count; ++i) tt[next[tt[i] & 0xFF]++] |= i << 8;
    WalkForwards(origPtr);
    return;
  }
  std::uint32_t* lf = lf_.data();
  for (std::uint32_t i = 0; i < count; ++i) {
    const std::uint32_t byte = tt[i] & 0xFF;
    const std::uint32_t row = next[byte]++;
    tt[row] |= i << 8;
    lf[i] = row << 8 | byte;
  }
  std::uint8_t* text = text_.data();
  std::uint32_t forward = tt[origPtr] >> 8, backward = origPtr;
  const std::uint32_t half = count / 2;
  for (std::uint32_t k = 0; k < half; ++k) {
    const std::uint32_t ahead = tt[forward], behind = lf[backward];
    forward = ahead >> 8;
    backward = behind >> 8;
    text[k] = static_cast<std::uint8_t>(ahead);
    text[count - 1 - k] = static_cast<std::uint8_t>(behind);
  }
  if (count % 2 != 0) text[half] = static_cast<std::uint8_t>(tt[forward]);
  // In a sound block the rows form one cycle and the two walks meet. Damaged data can make shorter
  // cycles; the text is then what a walk forwards alone gives, as libbz2 reads it (it fails the CRC).
  const bool met = count % 2 != 0 ? backward == forward : tt[backward] >> 8 == forward;
  if (!met) WalkForwards(origPtr);
}

void Bzip2BlockDecoder::WalkForwards(std::uint32_t origPtr) {
  const std::uint32_t* tt = tt_.data();
  std::uint8_t* text = text_.data();
  std::uint32_t forward = tt[origPtr] >> 8;
  for (std::uint32_t k = 0; k < symbolCount_; ++k) {
    const std::uint32_t entry = tt[forward];
    forward = entry >> 8;
    text[k] = static_cast<std::uint8_t>(entry);
  }
}

} // namespace zipcore
