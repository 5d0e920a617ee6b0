// Compresses the input of one bzip2 block (see Bzip2BlockSplitter) into a complete one-block stream
// with libbz2. An encoder keeps libbz2's large work arrays between blocks, so a worker thread that
// encodes block after block allocates them once.
#pragma once

#include "core/Bzip2BlockSplitter.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace zipcore {

class Bzip2BlockEncoder {
public:
  Bzip2BlockEncoder();
  Bzip2BlockEncoder(const Bzip2BlockEncoder&) = delete;
  Bzip2BlockEncoder& operator=(const Bzip2BlockEncoder&) = delete;
  ~Bzip2BlockEncoder();

  // Replaces `stream` with the one-block stream of `block` (which must not be empty).
  void Encode(const Bzip2BlockData& block, int blockSize100k, std::vector<std::uint8_t>& stream);

private:
  static void* Allocate(void* self, int items, int size);
  static void Release(void* self, void* memory);

  struct Allocation {
    void* memory;
    std::size_t size;
    bool inUse;
  };
  std::vector<Allocation> allocations_;
  std::vector<std::uint8_t> scratch_;
  std::vector<std::uint8_t> output_;
};

} // namespace zipcore
