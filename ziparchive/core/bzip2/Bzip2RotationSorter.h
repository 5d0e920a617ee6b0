// Sorts the cyclic rotations of a bzip2 block for the Burrows-Wheeler transform. Tuned for small
// blocks: a radix sort on the first four bytes, then prefix doubling (Larsson and Sadakane) over the
// groups still tied, so the work stays O(n log n) comparisons even for all-equal or periodic data.
// Equal rotations (periodic blocks) end up in index order; any order among them gives the same
// transform. The order is deterministic.
#pragma once

#include <cstdint>
#include <vector>

namespace zipcore {

class Bzip2RotationSorter {
public:
  // Sorts the rotations of block[0, length) (length >= 1). Afterwards Order()[k] is the start of the
  // k-th smallest rotation; returns the row of the rotation that starts at 0.
  std::uint32_t Sort(const std::uint8_t* block, std::uint32_t length);
  const std::vector<std::uint32_t>& Order() const { return order_; }

private:
  struct Group {
    std::uint32_t begin;
    std::uint32_t end;
  };
  void SortByFirstBytes(const std::uint8_t* block, std::uint32_t length);
  void RefineGroup(Group group, std::uint32_t depth, std::uint32_t length);

  std::vector<std::uint32_t> order_;
  std::vector<std::uint32_t> rank_;  // per rotation: the first row of its group
  std::vector<std::uint64_t> keyed_; // first four bytes above the rotation, then sorted
  std::vector<std::uint64_t> scratch_;
  std::vector<std::uint64_t> pairs_; // (key, rotation) of the group being refined
  std::vector<Group> tied_;
  std::vector<Group> stillTied_;
};

} // namespace zipcore
