#include "core/Bzip2RotationSorter.h"

#include <algorithm>
#include <array>

namespace zipcore {

std::uint32_t Bzip2RotationSorter::Sort(const std::uint8_t* block, std::uint32_t length) {
  order_.resize(length);
  rank_.resize(length);
  SortByFirstBytes(block, length);

  // Groups of rotations whose first four bytes are equal share the rank of their first row.
  tied_.clear();
  for (std::uint32_t row = 0; row < length;) {
    std::uint32_t end = row + 1;
    while (end < length && keys_[order_[end]] == keys_[order_[row]]) ++end;
    for (std::uint32_t k = row; k < end; ++k) rank_[order_[k]] = row;
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

  for (std::uint32_t row = 0; row < length; ++row) {
    if (order_[row] == 0) return row;
  }
  return 0; // not reached: rotation 0 is in the order
}

void Bzip2RotationSorter::SortByFirstBytes(const std::uint8_t* block, std::uint32_t length) {
  keys_.resize(length);
  scratch_.resize(length);
  for (std::uint32_t i = 0; i < length; ++i) {
    std::uint32_t key = 0;
    for (std::uint32_t k = 0, at = i; k < 4; ++k) {
      key = key << 8 | block[at];
      if (++at == length) at = 0;
    }
    keys_[i] = key;
    order_[i] = i;
  }
  // Least significant byte first; each pass is stable, so equal keys keep index order.
  for (int shift = 0; shift < 32; shift += 8) {
    std::array<std::uint32_t, 257> start{};
    for (std::uint32_t i = 0; i < length; ++i) ++start[((keys_[i] >> shift) & 0xFF) + 1];
    if (start[((keys_[0] >> shift) & 0xFF) + 1] == length) continue; // every key has this byte
    for (int b = 0; b < 256; ++b) start[b + 1] += start[b];
    for (std::uint32_t k = 0; k < length; ++k) {
      std::uint32_t rotation = order_[k];
      scratch_[start[(keys_[rotation] >> shift) & 0xFF]++] = rotation;
    }
    order_.swap(scratch_);
  }
}

void Bzip2RotationSorter::RefineGroup(Group group, std::uint32_t depth, std::uint32_t length) {
  const std::uint32_t size = group.end - group.begin;
  pairs_.resize(size);
  for (std::uint32_t k = 0; k < size; ++k) {
    std::uint32_t rotation = order_[group.begin + k];
    std::uint32_t further = rotation + depth;
    if (further >= length) further -= length;
    pairs_[k] = static_cast<std::uint64_t>(rank_[further]) << 32 | rotation;
  }
  std::sort(pairs_.begin(), pairs_.end());
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
