#include "core/bzip2/Bzip2HuffmanTable.h"

#include <algorithm>

namespace zipcore {

bool Bzip2HuffmanTable::Build(const std::uint8_t* lengths, int count) {
  count_.fill(0);
  maxLength_ = 0;
  for (int s = 0; s < count; ++s) {
    ++count_[lengths[s]];
    maxLength_ = std::max<int>(maxLength_, lengths[s]);
  }
  // Kraft's sum in units of the longest code: more than the whole space means no prefix code.
  std::uint32_t used = 0;
  for (int length = 1; length <= kMaxCodeLength; ++length)
    used += std::uint32_t(count_[length]) << (kMaxCodeLength - length);
  if (used > (1u << kMaxCodeLength)) return false;

  std::uint32_t code = 0;
  std::uint16_t offset = 0;
  for (int length = 1; length <= kMaxCodeLength; ++length) {
    first_[length] = code;
    offset_[length] = offset;
    code = (code + count_[length]) << 1;
    offset = static_cast<std::uint16_t>(offset + count_[length]);
  }
  std::array<std::uint16_t, kMaxCodeLength + 1> next = offset_;
  for (int s = 0; s < count; ++s) sorted_[next[lengths[s]]++] = static_cast<std::uint16_t>(s);

  fast_.fill(0);
  for (int length = 1; length <= kFastBits; ++length) {
    for (int i = 0; i < count_[length]; ++i) {
      const std::uint32_t symbol = sorted_[offset_[length] + i];
      const int spread = kFastBits - length;
      const std::uint32_t from = (first_[length] + std::uint32_t(i)) << spread;
      std::fill_n(fast_.begin() + from, std::size_t(1) << spread,
                  static_cast<std::uint16_t>(symbol << 5 | std::uint32_t(length)));
    }
  }
  return true;
}

int Bzip2HuffmanTable::DecodeLong(std::uint64_t bits, int& length) const {
  const auto top = static_cast<std::uint32_t>(bits >> (64 - kMaxCodeLength));
  for (int l = kFastBits + 1; l <= maxLength_; ++l) {
    const std::uint32_t index = (top >> (kMaxCodeLength - l)) - first_[l];
    if (index < count_[l]) {
      length = l;
      return sorted_[offset_[l] + index];
    }
  }
  return -1;
}

} // namespace zipcore
