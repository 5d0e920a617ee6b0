#include "core/bzip2/Bzip2BlockSplitter.h"

#include <utility>

namespace zipcore {

void Bzip2BlockData::Append(const std::uint8_t* data, std::size_t length) {
  size_ += length;
  std::size_t at = 0;
  while (at < length) {
    // Bytes kept literally: up to where a run grows past kCompactAfter.
    std::size_t end = at;
    int lastByte = lastByte_;
    std::uint32_t lastRun = lastRun_;
    for (; end < length; ++end) {
      const std::uint32_t run = data[end] == lastByte ? lastRun + 1 : 1;
      if (run > kCompactAfter) break;
      lastRun = run;
      lastByte = data[end];
    }
    literal_.insert(literal_.end(), data + at, data + end);
    lastByte_ = lastByte;
    lastRun_ = lastRun;
    // The rest of that run is counted.
    std::size_t runEnd = end;
    while (runEnd < length && data[runEnd] == lastByte) ++runEnd;
    if (runEnd > end) {
      const auto count = static_cast<std::uint32_t>(runEnd - end);
      if (!runs_.empty() && runs_.back().at == literal_.size()) {
        runs_.back().count += count;
      } else {
        runs_.push_back(Run{static_cast<std::uint32_t>(literal_.size()), count, static_cast<std::uint8_t>(lastByte)});
      }
    }
    at = runEnd;
  }
}

void Bzip2BlockData::Clear() {
  literal_.clear();
  runs_.clear();
  size_ = 0;
  lastByte_ = -1;
  lastRun_ = 0;
}

namespace {

std::uint32_t BlockLimit(int blockSize100k) { return 100000u * static_cast<std::uint32_t>(blockSize100k) - 19u; }

} // namespace

Bzip2BlockSplitter::Bzip2BlockSplitter(int blockSize100k) : blockLimit_(BlockLimit(blockSize100k)) {}

bool Bzip2BlockSplitter::FitsOneBlock(std::uint64_t length, int blockSize100k) {
  // The run-length encoding makes at most 1.25 bytes of each byte (a run of 4 becomes 5).
  return length + length / 4 + 5 < BlockLimit(blockSize100k);
}

void Bzip2BlockSplitter::Append(const std::uint8_t* data, std::size_t length) {
  while (length > 0) {
    if (haveFull_) {
      // The full block's successor has begun (with this byte), so the full block is complete.
      complete_.push_back(std::move(full_));
      full_ = Bzip2BlockData();
      haveFull_ = false;
    }
    // Every byte adds at most 1.25 bytes to the encoding (a run of 4 becomes 5) and the pending run at
    // most 5, so no block can end within the next `safe` bytes: they are taken without per-byte checks.
    const std::uint32_t room = blockLimit_ > encoded_ + 6 ? blockLimit_ - encoded_ - 6 : 0;
    const std::size_t safe = std::min<std::size_t>(length, room / 5 * 4);
    if (safe >= 256) {
      AppendWithinBlock(data, safe);
      data += safe;
      length -= safe;
    } else {
      AppendByte(*data++);
      --length;
    }
  }
}

void Bzip2BlockSplitter::AppendWithinBlock(const std::uint8_t* data, std::size_t length) {
  int runByte = runByte_;
  std::uint32_t runLength = runLength_, encoded = encoded_;
  for (std::size_t i = 0; i < length; ++i) {
    if (data[i] == runByte && runLength < 255) {
      ++runLength;
    } else {
      if (runByte >= 0) encoded += runLength < 4 ? runLength : 5;
      runByte = data[i];
      runLength = 1;
    }
  }
  runByte_ = runByte;
  runLength_ = runLength;
  encoded_ = encoded;
  current_.Append(data, length);
}

void Bzip2BlockSplitter::AppendByte(std::uint8_t byte) {
  if (byte == runByte_ && runLength_ < 255) {
    ++runLength_;
    current_.Append(byte);
    return;
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
