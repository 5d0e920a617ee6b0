#include "core/bzip2/Bzip2RotationSorter.h"

#include <algorithm>
#include <array>

namespace zipcore {
namespace {

std::uint32_t KeyOf(std::uint64_t pair) { return static_cast<std::uint32_t>(pair >> 32); }

// Sorts (key, rotation) pairs by key alone, splitting three ways around the pivot: nearly periodic
// data give groups where almost every key is equal, which a plain sort handles badly. Past a depth
// limit the rest goes to std::sort, so no input makes it quadratic.
void SortByKey(std::uint64_t* pairs, std::size_t count, int depthLimit) {
  while (count > 16) {
    if (depthLimit-- == 0) {
      std::sort(pairs, pairs + count);
      return;
    }
    std::uint32_t a = KeyOf(pairs[0]), b = KeyOf(pairs[count / 2]), c = KeyOf(pairs[count - 1]);
    std::uint32_t pivot = std::max(std::min(a, b), std::min(std::max(a, b), c));
    std::size_t less = 0, at = 0, greater = count;
    while (at < greater) {
      std::uint32_t key = KeyOf(pairs[at]);
      if (key < pivot) {
        std::swap(pairs[less++], pairs[at++]);
      } else if (key > pivot) {
        std::swap(pairs[at], pairs[--greater]);
      } else {
        ++at;
      }
    }
    // The smaller side by recursion, the larger by the loop: the stack stays logarithmic.
    if (less < count - greater) {
      SortByKey(pairs, less, depthLimit);
      pairs += greater;
      count -= greater;
    } else {
      SortByKey(pairs + greater, count - greater, depthLimit);
      count = less;
    }
  }
  for (std::size_t i = 1; i < count; ++i) {
    std::uint64_t moving = pairs[i];
    std::size_t j = i;
    for (; j > 0 && KeyOf(pairs[j - 1]) > KeyOf(moving); --j) pairs[j] = pairs[j - 1];
    pairs[j] = moving;
  }
}

} // namespace

std::uint32_t Bzip2RotationSorter::Sort(const std::uint8_t* block, std::uint32_t length) {
  order_.resize(length);
  rank_.resize(length);
  SortByFirstBytes(block, length);

  // Groups of rotations whose first four bytes are equal share the rank of their first row.
  tied_.clear();
  for (std::uint32_t row = 0; row < length;) {
    const std::uint32_t key = static_cast<std::uint32_t>(keyed_[row] >> 32);
    std::uint32_t end = row + 1;
    while (end < length && static_cast<std::uint32_t>(keyed_[end] >> 32) == key) ++end;
    for (std::uint32_t k = row; k < end; ++k) {
      order_[k] = static_cast<std::uint32_t>(keyed_[k]);
      rank_[order_[k]] = row;
    }
    if (end - row > 1) tied_.push_back(Group{row, end});
    row = end;
  }
  // Each round sorts every tied group by the rank of the rotation `depth` bytes further on, which
  // doubles the prefix the groups are known to share. Ranks updated during a round only get finer
  // within their own group, so later groups of the same round may use them. Rotations still tied
  // once the prefix covers the whole block are equal.
  for (std::uint32_t depth = 4; !tied_.empty() && depth < length; depth *= 2) {
    stillTied_.clear();
    for (Group group : tied_) RefineGroup(group, depth, length);
    tied_.swap(stillTied_);
  }
  return rank_[0];
}

void Bzip2RotationSorter::SortByFirstBytes(const std::uint8_t* block, std::uint32_t length) {
  // Each rotation as its first four bytes (big-endian) above its start, so sorting the words sorts
  // the rotations by those bytes, ties in index order.
  keyed_.resize(length);
  scratch_.resize(length);
  std::uint32_t key = 0;
  for (std::uint32_t k = 0, at = 0; k < 3; ++k) {
    key = key << 8 | block[at];
    if (++at == length) at = 0;
  }
  std::array<std::array<std::uint32_t, 256>, 4> counts{};
  for (std::uint32_t i = 0, at = 3 % length; i < length; ++i) {
    key = key << 8 | block[at];
    if (++at == length) at = 0;
    keyed_[i] = static_cast<std::uint64_t>(key) << 32 | i;
    for (int d = 0; d < 4; ++d) ++counts[d][(key >> (8 * d)) & 0xFF];
  }
  // Least significant byte first; each pass is stable.
  for (int d = 0; d < 4; ++d) {
    std::array<std::uint32_t, 256>& start = counts[d];
    const int shift = 32 + 8 * d;
    if (start[(keyed_[0] >> shift) & 0xFF] == length) continue; // every key has this byte
    std::uint32_t sum = 0;
    for (std::uint32_t& count : start) {
      std::uint32_t here = count;
      count = sum;
      sum += here;
    }
    for (std::uint64_t word : keyed_) scratch_[start[(word >> shift) & 0xFF]++] = word;
    keyed_.swap(scratch_);
  }
}

void Bzip2RotationSorter::RefineGroup(Group group, std::uint32_t depth, std::uint32_t length) {
  const std::uint32_t size = group.end - group.begin;
  if (size == 2) {
    // The commonest case on its own: no sort needed.
    std::uint32_t first = order_[group.begin];
    std::uint32_t second = order_[group.begin + 1];
    std::uint32_t firstFurther = first + depth >= length ? first + depth - length : first + depth;
    std::uint32_t secondFurther = second + depth >= length ? second + depth - length : second + depth;
    std::uint32_t firstRank = rank_[firstFurther];
    std::uint32_t secondRank = rank_[secondFurther];
    if (firstRank == secondRank) {
      stillTied_.push_back(group);
      return;
    }
    if (secondRank < firstRank) std::swap(first, second);
    order_[group.begin] = first;
    order_[group.begin + 1] = second;
    rank_[second] = group.begin + 1;
    return;
  }
  pairs_.resize(size);
  bool allEqual = true;
  for (std::uint32_t k = 0; k < size; ++k) {
    std::uint32_t rotation = order_[group.begin + k];
    std::uint32_t further = rotation + depth;
    if (further >= length) further -= length;
    pairs_[k] = static_cast<std::uint64_t>(rank_[further]) << 32 | rotation;
    allEqual = allEqual && (pairs_[k] >> 32) == (pairs_[0] >> 32);
  }
  if (allEqual) {
    // As in periodic data: nothing to sort, and the group stays tied as it is.
    stillTied_.push_back(group);
    return;
  }
  SortByKey(pairs_.data(), size, 64);
  for (std::uint32_t k = 0; k < size;) {
    std::uint32_t end = k + 1;
    while (end < size && (pairs_[end] >> 32) == (pairs_[k] >> 32)) ++end;
    for (std::uint32_t j = k; j < end; ++j) {
      std::uint32_t rotation = static_cast<std::uint32_t>(pairs_[j]);
      order_[group.begin + j] = rotation;
      rank_[rotation] = group.begin + k;
    }
    if (end - k > 1) stillTied_.push_back(Group{group.begin + k, group.begin + end});
    k = end;
  }
}

} // namespace zipcore
