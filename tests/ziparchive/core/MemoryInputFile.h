// An archive held in memory, read through the InputFile seam: for the tests and the fuzz targets.
#pragma once

#include "core/FileAccess.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace zipcore {

class MemoryInputFile : public InputFile {
public:
  explicit MemoryInputFile(std::vector<std::uint8_t> bytes) : bytes_(std::move(bytes)) {}

  std::uint64_t Size() const override { return bytes_.size(); }

  std::size_t ReadAt(std::uint64_t offset, void* buffer, std::size_t length) override {
    if (length == 0 || offset >= bytes_.size()) return 0; // memcpy wants real pointers even for 0 bytes
    std::size_t count = std::min<std::uint64_t>(length, bytes_.size() - offset);
    std::memcpy(buffer, bytes_.data() + offset, count);
    return count;
  }

private:
  std::vector<std::uint8_t> bytes_;
};

} // namespace zipcore
