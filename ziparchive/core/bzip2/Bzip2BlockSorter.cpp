#include "core/bzip2/Bzip2BlockSorter.h"

#include <divsufsort.h>

#include <algorithm>
#include <new>
#include <stdexcept>

namespace zipcore {

std::uint32_t Bzip2BlockSorter::SmallestRotation(const std::uint8_t* block, std::uint32_t length) {
  // Two candidates compared over their common length `same`; the larger one, and every start it
  // overtook while equal, cannot be the smallest, so each step discards at least `same` + 1 starts.
  std::uint32_t first = 0, second = 1, same = 0;
  while (first < length && second < length && same < length) {
    std::uint32_t a = first + same, b = second + same;
    std::uint8_t x = block[a >= length ? a - length : a];
    std::uint8_t y = block[b >= length ? b - length : b];
    if (x == y) {
      ++same;
      continue;
    }
    if (x > y) {
      first += same + 1;
    } else {
      second += same + 1;
    }
    if (first == second) ++second;
    same = 0;
  }
  return std::min(first, second);
}

std::uint32_t Bzip2BlockSorter::Sort(const std::uint8_t* block, std::uint32_t length, std::uint32_t* order) {
  const std::uint32_t start = SmallestRotation(block, length);
  turned_.resize(length);
  std::copy(block + start, block + length, turned_.begin());
  std::copy(block, block + start, turned_.begin() + (length - start));

  // The turned block is L^k: L's length is the shortest period that the turned block keeps while it
  // never gets smaller than its own start (Duval's first Lyndon factor).
  const std::uint8_t* text = turned_.data();
  std::uint32_t matched = 0, at = 1;
  for (; at < length && text[matched] <= text[at]; ++at) matched = text[matched] < text[at] ? 0 : matched + 1;
  const std::uint32_t period = at - matched;
  // A smallest rotation keeps the period to its end, and the period divides it.
  if (at != length || length % period != 0) throw std::logic_error("bzip2 block sort: no smallest rotation");
  const std::uint32_t copies = length / period;

  // saidx_t is int32_t: the unsigned order array may hold it (positions stay below 2^31).
  if (divsufsort(text, reinterpret_cast<saidx_t*>(order), static_cast<saidx_t>(period)) != 0) throw std::bad_alloc();
  // Row r of L becomes rows r*copies .. r*copies + copies - 1, filled from the back so that no row of
  // L is overwritten before it is read; positions turn back to the block's own.
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

} // namespace zipcore
