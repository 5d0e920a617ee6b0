#include "core/bzip2/Bzip2HuffmanCode.h"

// libbz2's code length builder, from its copy built beside our block sort.
#include "core/bzip2/Libbz2WithOwnSort.h"
extern "C" void BZ2_hbMakeCodeLengths(unsigned char* lengths, int* frequencies, int count, int maxLength);

#include <algorithm>

namespace zipcore {

void Bzip2HuffmanCode::Build(const std::uint32_t* frequencies, int count) {
  std::array<std::uint32_t, kMaxSymbols> weights;
  for (int i = 0; i < count; ++i) weights[i] = std::max<std::uint32_t>(frequencies[i], 1);
  // Too long a code: flatten the weights and try again (all weights 1 give lengths of at most 9).
  while (HuffmanLengths(weights.data(), count) > kMaxLength) {
    for (int i = 0; i < count; ++i) weights[i] = 1 + weights[i] / 2;
  }
  AssignCodes(count);
}

void Bzip2HuffmanCode::BuildAsLibbz2(const std::uint32_t* frequencies, int count) {
  std::array<int, kMaxSymbols> counts;
  for (int i = 0; i < count; ++i) counts[i] = static_cast<int>(frequencies[i]);
  BZ2_hbMakeCodeLengths(lengths_.data(), counts.data(), count, kMaxLength);
  AssignCodes(count);
}

int Bzip2HuffmanCode::HuffmanLengths(const std::uint32_t* weights, int count) {
  // Leaves in increasing weight (ties by symbol, so the result is deterministic); the nodes made by
  // merging come out in increasing weight too, so two queues give the two lightest at every step.
  // Move-to-front makes the later symbols the rarer ones, so filled from the last the leaves come
  // nearly sorted already.
  std::array<std::uint64_t, kMaxSymbols> leaves;
  for (int i = 0; i < count; ++i) leaves[count - 1 - i] = static_cast<std::uint64_t>(weights[i]) << 16 | i;
  std::sort(leaves.begin(), leaves.begin() + count);

  std::array<std::uint64_t, 2 * kMaxSymbols> weight;
  std::array<int, 2 * kMaxSymbols> parent;
  for (int i = 0; i < count; ++i) weight[i] = leaves[i] >> 16;
  int nextLeaf = 0;
  int nextMerged = count;
  int made = count;
  auto lightest = [&] {
    if (nextLeaf < count && (nextMerged == made || weight[nextLeaf] <= weight[nextMerged])) return nextLeaf++;
    return nextMerged++;
  };
  while (made < 2 * count - 1) {
    int a = lightest();
    int b = lightest();
    weight[made] = weight[a] + weight[b];
    parent[a] = parent[b] = made;
    ++made;
  }
  // Depths from the root (the last node made) down; a node's parent always comes after it.
  std::array<int, 2 * kMaxSymbols> depth;
  depth[made - 1] = 0;
  int longest = 0;
  for (int node = made - 2; node >= 0; --node) {
    depth[node] = depth[parent[node]] + 1;
    if (node < count) {
      lengths_[leaves[node] & 0xFFFF] = static_cast<std::uint8_t>(std::min(depth[node], 255));
      longest = std::max(longest, depth[node]);
    }
  }
  return longest;
}

void Bzip2HuffmanCode::AssignCodes(int count) {
  // Codes of each length are consecutive, in symbol order; each length's first code follows on from
  // the previous length's last.
  std::array<std::uint32_t, kMaxLength + 1> next{};
  for (int i = 0; i < count; ++i) ++next[lengths_[i]];
  std::uint32_t code = 0;
  for (int length = 1; length <= kMaxLength; ++length) {
    std::uint32_t here = next[length];
    next[length] = code;
    code = (code + here) << 1;
  }
  for (int i = 0; i < count; ++i) codes_[i] = next[lengths_[i]]++;
}

} // namespace zipcore
