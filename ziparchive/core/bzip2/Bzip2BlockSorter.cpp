#include "core/bzip2/Bzip2BlockSorter.h"

#include <divsufsort.h>

// The same sort built for alphabets of at most 128 values (see cmake/Divsufsort.cmake).
extern "C" saint_t divsufsort_alphabet128(const sauchar_t* text, saidx_t* suffixes, saidx_t length);

#include <algorithm>
#include <array>
#include <cstring>
#include <new>

namespace zipcore {
namespace {

// Below this length the sort's fixed work per call counts, and the 128-value build is worth the pass
// that turns bytes into ranks; from here on it is no faster.
constexpr std::uint32_t kCompactAlphabetBelow = 64 * 1024;

// The divisors of n, smallest first.
std::vector<std::uint32_t> Divisors(std::uint32_t n) {
  std::vector<std::uint32_t> small, large;
  for (std::uint32_t d = 1; d <= n / d; ++d) {
    if (n % d != 0) continue;
    small.push_back(d);
    if (d != n / d) large.push_back(n / d);
  }
  small.insert(small.end(), large.rbegin(), large.rend());
  return small;
}

} // namespace

std::uint32_t Bzip2BlockSorter::SmallestRotation(const std::uint8_t* block, std::uint32_t length,
                                                 std::uint8_t smallest) {
  // Two candidates compared over their common length `same`; the larger one, and every start it
  // overtook while equal, cannot be the smallest, so each step discards at least `same` + 1 starts.
  // Only starts holding the smallest byte value can win, so the candidates jump from one such start
  // to the next (memchr scans far faster than the comparison loop).
  auto nextCandidate = [&](std::uint32_t from) {
    if (from >= length) return length;
    const void* found = std::memchr(block + from, smallest, length - from);
    return found ? static_cast<std::uint32_t>(static_cast<const std::uint8_t*>(found) - block) : length;
  };
  std::uint32_t first = nextCandidate(0), second = nextCandidate(first + 1), same = 0;
  while (second < length && same < length) {
    std::uint32_t a = first + same, b = second + same;
    std::uint8_t x = block[a >= length ? a - length : a];
    std::uint8_t y = block[b >= length ? b - length : b];
    if (x == y) {
      ++same;
      continue;
    }
    if (x > y) {
      first = nextCandidate(first + same + 1);
    } else {
      second = nextCandidate(second + same + 1);
    }
    if (first == second) second = nextCandidate(second + 1);
    if (first >= length) return second;
    same = 0;
  }
  return std::min(first, second); // equal rotations when `same` reached the length
}

Bzip2BlockSorter::Turned Bzip2BlockSorter::TurnAndSort(const std::uint8_t* block, std::uint32_t length, Text text,
                                                       std::int32_t* suffixes) {
  // The values present give the smallest one and each value's rank. Ranks keep the bytes' order, so
  // the suffixes sort as the block's own do.
  std::array<bool, 256> present{};
  for (std::uint32_t i = 0; i < length; ++i) present[block[i]] = true;
  std::array<std::uint8_t, 256> rank;
  std::uint32_t used = 0;
  for (int value = 0; value < 256; ++value) {
    rank[value] = static_cast<std::uint8_t>(used);
    used += present[value];
  }
  const auto smallest = static_cast<std::uint8_t>(std::find(present.begin(), present.end(), true) - present.begin());
  const bool ranked =
      text == Text::Ranks || (text == Text::RanksIfCompact && length < kCompactAlphabetBelow && used <= 128);

  const std::uint32_t start = SmallestRotation(block, length, smallest);
  turned_.resize(length);
  if (ranked) {
    std::uint8_t* out = turned_.data();
    for (std::uint32_t i = start; i < length; ++i) *out++ = rank[block[i]];
    for (std::uint32_t i = 0; i < start; ++i) *out++ = rank[block[i]];
  } else {
    std::copy(block + start, block + length, turned_.begin());
    std::copy(block, block + start, turned_.begin() + (length - start));
  }

  // The turned block is L^k, with L the shortest string whose repetition it is: the smallest period
  // that divides the length. An ordinary block fails every such test at its first few bytes.
  const std::uint8_t* turned = turned_.data();
  std::uint32_t period = length;
  for (std::uint32_t candidate : Divisors(length)) {
    if (candidate < length && std::memcmp(turned, turned + candidate, length - candidate) == 0) {
      period = candidate;
      break;
    }
  }
  const int failed = ranked && used <= 128 ? divsufsort_alphabet128(turned, suffixes, static_cast<saidx_t>(period))
                                           : divsufsort(turned, suffixes, static_cast<saidx_t>(period));
  if (failed != 0) throw std::bad_alloc();
  return Turned{start, period};
}

std::uint32_t Bzip2BlockSorter::Sort(const std::uint8_t* block, std::uint32_t length, std::uint32_t* order) {
  // saidx_t is int32_t: the unsigned order array may hold it (positions stay below 2^31).
  const auto [start, period] = TurnAndSort(block, length, Text::RanksIfCompact, reinterpret_cast<saidx_t*>(order));
  const std::uint32_t copies = length / period;
  if (copies == 1) {
    // Positions turn back to the block's own; the origin is the row of the rotation at 0.
    std::uint32_t origin = 0;
    const std::uint32_t wrap = length - start;
    for (std::uint32_t row = 0; row < length; ++row) {
      const std::uint32_t position = order[row];
      if (position == wrap) origin = row;
      // Without a branch: which way a position turns is as good as random.
      const std::uint32_t turned = position + start;
      order[row] = turned - (length & (0u - static_cast<std::uint32_t>(turned >= length)));
    }
    return origin;
  }
  // Row r of L becomes rows r*copies .. r*copies + copies - 1, filled from the back so that no row of
  // L is overwritten before it is read.
  for (std::uint32_t row = period; row-- > 0;) {
    std::uint32_t position = order[row] + start;
    if (position >= length) position -= length;
    for (std::uint32_t copy = copies; copy-- > 0;) {
      std::uint32_t rotation = position + copy * period;
      order[row * copies + copy] = rotation >= length ? rotation - length : rotation;
    }
  }
  return static_cast<std::uint32_t>(std::find(order, order + length, 0u) - order);
}

std::uint32_t Bzip2BlockSorter::Transform(const std::uint8_t* block, std::uint32_t length, std::uint8_t* last) {
  suffixes_.resize(length);
  const Turned sorted = TurnAndSort(block, length, Text::Ranks, suffixes_.data());
  const std::uint32_t start = sorted.start, period = sorted.period;
  const std::uint32_t copies = length / period;
  const std::uint8_t* turned = turned_.data();
  // The block's rotation at 0 starts at `home` in the turned block: in copy home / period of L, at
  // L's position home % period. A row of L stands for `copies` rows, one per copy, in copy order.
  const std::uint32_t home = (length - start) % length;
  const auto homeInL = static_cast<std::int32_t>(home % period);
  std::uint32_t homeRow = 0;
  auto lastOfRow = [&](std::uint32_t row) {
    const std::int32_t position = suffixes_[row];
    if (position == homeInL) homeRow = row;
    return turned[position == 0 ? period - 1 : static_cast<std::uint32_t>(position) - 1];
  };
  if (copies == 1) {
    // Nearly every block: one byte per row, without the repeat loop (which compilers make a call
    // to memset per row).
    for (std::uint32_t row = 0; row < period; ++row) last[row] = lastOfRow(row);
  } else {
    std::uint8_t* out = last;
    for (std::uint32_t row = 0; row < period; ++row) out = std::fill_n(out, copies, lastOfRow(row));
  }
  return homeRow * copies + home / period;
}

} // namespace zipcore
