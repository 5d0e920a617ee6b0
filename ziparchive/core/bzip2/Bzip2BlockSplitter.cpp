#include "core/bzip2/Bzip2BlockSplitter.h"

#include <utility>

namespace zipcore {

void Bzip2BlockData::Clear() {
  literal_.clear();
  runs_.clear();
  size_ = 0;
  lastByte_ = -1;
  lastRun_ = 0;
}

Bzip2BlockSplitter::Bzip2BlockSplitter(int blockSize100k)
    : blockLimit_(100000u * static_cast<std::uint32_t>(blockSize100k) - 19u) {}

void Bzip2BlockSplitter::Append(const std::uint8_t* data, std::size_t length) {
  for (std::size_t i = 0; i < length; ++i) {
    std::uint8_t byte = data[i];
    if (haveFull_) {
      // The full block's successor has begun (with its first byte), so the full block is complete.
      complete_.push_back(std::move(full_));
      full_ = Bzip2BlockData();
      haveFull_ = false;
    }
    if (byte == runByte_ && runLength_ < 255) {
      ++runLength_;
      current_.Append(byte);
      continue;
    }
    // A new run begins: the pending one goes into the block as 1-3 bytes, or 4 bytes and a count.
    if (runByte_ >= 0) encoded_ += runLength_ < 4 ? runLength_ : 5;
    runByte_ = byte;
    runLength_ = 1;
    if (encoded_ >= blockLimit_) {
      StartNewBlock(byte);
    } else {
      current_.Append(byte);
    }
  }
}

void Bzip2BlockSplitter::StartNewBlock(std::uint8_t firstByte) {
  full_ = std::move(current_);
  haveFull_ = true;
  current_ = Bzip2BlockData();
  current_.Append(firstByte);
  encoded_ = 0;
}

Bzip2BlockData Bzip2BlockSplitter::TakeCompleteBlock() {
  Bzip2BlockData block = std::move(complete_.front());
  complete_.erase(complete_.begin());
  return block;
}

Bzip2BlockData Bzip2BlockSplitter::TakeLastBlock() {
  Bzip2BlockData last;
  if (haveFull_) {
    // The input ended with the byte that filled the block: libbz2 keeps that byte in the block.
    last = std::move(full_);
    last.Append(static_cast<std::uint8_t>(runByte_));
    haveFull_ = false;
  } else {
    last = std::move(current_);
  }
  current_ = Bzip2BlockData();
  encoded_ = 0;
  runByte_ = -1;
  runLength_ = 0;
  return last;
}

} // namespace zipcore
