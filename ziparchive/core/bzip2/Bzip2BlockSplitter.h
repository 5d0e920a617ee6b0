// Cuts a byte stream into the pieces that libbz2 itself would put into separate blocks, so that the
// pieces can be compressed independently (on several threads) and joined into the very stream a
// single libbz2 compressor would have written.
//
// libbz2 first run-length encodes its input (runs of 4 to 255 equal bytes become 4 bytes and a
// count) and ends a block as soon as that encoding reaches 100000 * blockSize100k - 19 bytes; the
// byte that made it full already belongs to the next block. When the input ends right at that byte,
// libbz2 (finishing with all input at hand, as BZ2_bzBuffToBuffCompress does) keeps it in the block.
// The splitter follows the same rules on the fly, whatever the sizes of the pieces it is given.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace zipcore {

// The input of one bzip2 block. Long runs of one byte (as in sparse or zero-filled files) are kept as
// counts, so a block holds at most a few megabytes however much input it covers.
class Bzip2BlockData {
public:
  std::uint64_t Size() const { return size_; }
  bool Empty() const { return size_ == 0; }
  void Append(std::uint8_t byte) {
    ++size_;
    if (byte == lastByte_ && lastRun_ >= kCompactAfter) {
      // Counts stay below 2^32: a block covers at most 45 million bytes.
      if (!runs_.empty() && runs_.back().at == literal_.size()) {
        ++runs_.back().count;
      } else {
        runs_.push_back(Run{static_cast<std::uint32_t>(literal_.size()), 1, byte});
      }
      return;
    }
    lastRun_ = byte == lastByte_ ? lastRun_ + 1 : 1;
    lastByte_ = byte;
    literal_.push_back(byte);
  }
  // The same as appending the bytes one by one.
  void Append(const std::uint8_t* data, std::size_t length);
  void Clear();

  // Calls sink(const std::uint8_t*, std::size_t) with the block's bytes in order, in pieces of at most
  // `scratch.size()` bytes (scratch must not be empty).
  template <class Sink>
  void Expand(std::vector<std::uint8_t>& scratch, Sink&& sink) const;

private:
  // `count` copies of `byte` stand before literal_[at].
  struct Run {
    std::uint32_t at;
    std::uint32_t count;
    std::uint8_t byte;
  };
  static constexpr std::uint32_t kCompactAfter = 16; // bytes of a run kept literally
  std::vector<std::uint8_t> literal_;
  std::vector<Run> runs_;
  std::uint64_t size_ = 0;
  int lastByte_ = -1;
  std::uint32_t lastRun_ = 0;
};

class Bzip2BlockSplitter {
public:
  // blockSize100k: 1 to 9, as given to libbz2.
  explicit Bzip2BlockSplitter(int blockSize100k);

  // True when any input of `length` bytes makes a single block at this level, so it needs no cutting.
  static bool FitsOneBlock(std::uint64_t length, int blockSize100k);

  void Append(const std::uint8_t* data, std::size_t length);
  // Complete blocks, oldest first; a block is complete once the byte after its end has been seen.
  bool HasCompleteBlock() const { return !complete_.empty(); }
  Bzip2BlockData TakeCompleteBlock();
  // Ends the input and gives the last block (empty only when the whole input was empty).
  Bzip2BlockData TakeLastBlock();

private:
  void AppendByte(std::uint8_t byte);
  void AppendWithinBlock(const std::uint8_t* data, std::size_t length);
  void StartNewBlock(std::uint8_t firstByte);

  std::uint32_t blockLimit_;
  std::uint32_t encoded_ = 0; // run-length encoded bytes of the current block, pending run excluded
  int runByte_ = -1;          // the pending run, as libbz2 tracks it (at most 255 long)
  std::uint32_t runLength_ = 0;
  Bzip2BlockData current_;
  // A block that became full at the last byte seen so far: it is complete unless the input ends here.
  Bzip2BlockData full_;
  bool haveFull_ = false;
  std::vector<Bzip2BlockData> complete_;
};

template <class Sink>
void Bzip2BlockData::Expand(std::vector<std::uint8_t>& scratch, Sink&& sink) const {
  std::size_t used = 0;
  auto put = [&](const std::uint8_t* bytes, std::size_t length, bool repeat) {
    while (length > 0) {
      if (used == scratch.size()) {
        sink(scratch.data(), used);
        used = 0;
      }
      std::size_t piece = length < scratch.size() - used ? length : scratch.size() - used;
      if (repeat) {
        std::fill_n(scratch.data() + used, piece, *bytes);
      } else {
        std::copy_n(bytes, piece, scratch.data() + used);
        bytes += piece;
      }
      used += piece;
      length -= piece;
    }
  };
  std::size_t literalPos = 0;
  for (const Run& run : runs_) {
    put(literal_.data() + literalPos, run.at - literalPos, false);
    literalPos = run.at;
    put(&run.byte, run.count, true);
  }
  put(literal_.data() + literalPos, literal_.size() - literalPos, false);
  if (used) sink(scratch.data(), used);
}

} // namespace zipcore
