// Bits most significant first into a byte vector, as a bzip2 stream stores them.
#pragma once

#include <cstdint>
#include <vector>

namespace zipcore {

class Bzip2BitWriter {
public:
  explicit Bzip2BitWriter(std::vector<std::uint8_t>& out) : out_(out) {}
  void Put(std::uint32_t value, int count) { // count <= 32, value < 2^count
    pending_ = pending_ << count | value;
    pendingCount_ += count;
    if (pendingCount_ >= 32) {
      pendingCount_ -= 32;
      auto word = static_cast<std::uint32_t>(pending_ >> pendingCount_);
      std::uint8_t bytes[4] = {static_cast<std::uint8_t>(word >> 24), static_cast<std::uint8_t>(word >> 16),
                               static_cast<std::uint8_t>(word >> 8), static_cast<std::uint8_t>(word)};
      out_.insert(out_.end(), bytes, bytes + 4);
    }
  }
  void Put48(std::uint64_t value) {
    Put(static_cast<std::uint32_t>(value >> 24), 24);
    Put(static_cast<std::uint32_t>(value & 0xFFFFFF), 24);
  }
  // Pads the last byte with zero bits.
  void Finish() {
    while (pendingCount_ >= 8) {
      pendingCount_ -= 8;
      out_.push_back(static_cast<std::uint8_t>(pending_ >> pendingCount_));
    }
    if (pendingCount_ > 0) out_.push_back(static_cast<std::uint8_t>(pending_ << (8 - pendingCount_)));
    pendingCount_ = 0;
  }

private:
  std::vector<std::uint8_t>& out_;
  std::uint64_t pending_ = 0;
  int pendingCount_ = 0;
};

} // namespace zipcore
