#include "core/bzip2/Bzip2BlockEncoder.h"

// libbz2's stages with our block sort, under libbz2's names.
#include "core/bzip2/Libbz2WithOwnSort.h"
#include <bzlib.h>

#include <algorithm>
#include <cstdlib>
#include <new>
#include <stdexcept>

namespace zipcore {
namespace {

constexpr std::size_t kPiece = 64 * 1024;

// Our stages take a block's input whole. A block holds at most 900k bytes after the run-length coding,
// but long runs of one byte (sparse or zero-filled files) may make its input tens of megabytes: such a
// block goes to libbz2's stages, which take it in pieces.
constexpr std::uint64_t kWholeInputLimit = 2u << 20;

} // namespace

Bzip2BlockEncoder::Bzip2BlockEncoder(std::uint64_t ownEncoderBelow, std::uint32_t ownSortFrom, LargeBlocks largeBlocks)
    : ownEncoderBelow_(ownEncoderBelow),
      ownSortFrom_(std::max<std::uint32_t>(ownSortFrom, 1)),
      largeBlocks_(largeBlocks),
      scratch_(kPiece) {}

Bzip2BlockEncoder::~Bzip2BlockEncoder() {
  for (Allocation& allocation : allocations_) std::free(allocation.memory);
}

void* Bzip2BlockEncoder::Allocate(void* self, int items, int size) {
  auto* encoder = static_cast<Bzip2BlockEncoder*>(self);
  std::size_t bytes = static_cast<std::size_t>(items) * static_cast<std::size_t>(size);
  for (Allocation& allocation : encoder->allocations_) {
    if (!allocation.inUse && allocation.size == bytes) {
      allocation.inUse = true;
      return allocation.memory;
    }
  }
  void* memory = std::malloc(bytes);
  if (memory) encoder->allocations_.push_back(Allocation{memory, bytes, true});
  return memory;
}

void Bzip2BlockEncoder::Release(void* self, void* memory) {
  // Kept for the next block; freed with the encoder.
  for (Allocation& allocation : static_cast<Bzip2BlockEncoder*>(self)->allocations_) {
    if (allocation.memory == memory) allocation.inUse = false;
  }
}

void Bzip2BlockEncoder::Encode(const Bzip2BlockData& block, int blockSize100k, std::vector<std::uint8_t>& stream) {
  if (block.Empty()) throw std::logic_error("an empty bzip2 block cannot be encoded");
  if (block.Size() >= ownEncoderBelow_ &&
      (largeBlocks_ == LargeBlocks::Libbz2Stages || block.Size() > kWholeInputLimit)) {
    EncodeWithLibbz2(
        block.Size(), [&](auto&& sink) { block.Expand(scratch_, sink); }, blockSize100k, stream);
    return;
  }
  plainInput_.clear();
  block.Expand(scratch_, [&](const std::uint8_t* data, std::size_t length) {
    plainInput_.insert(plainInput_.end(), data, data + length);
  });
  Encode(plainInput_.data(), plainInput_.size(), blockSize100k, stream);
}

void Bzip2BlockEncoder::Encode(const std::uint8_t* data, std::size_t length, int blockSize100k,
                               std::vector<std::uint8_t>& stream) {
  if (length == 0) throw std::logic_error("an empty bzip2 block cannot be encoded");
  if (length < ownEncoderBelow_) {
    own_.Encode(data, length, blockSize100k, stream);
    return;
  }
  if (largeBlocks_ == LargeBlocks::OwnStages) {
    try {
      own_.Encode(data, length, blockSize100k, stream, Bzip2OwnBlockEncoder::Tables::AsLibbz2);
      return;
    } catch (const std::bad_alloc&) {
      // libbz2's stages get by with their own arrays, falling back to libbz2's sort if need be.
    }
  }
  EncodeWithLibbz2(
      length, [&](auto&& sink) { sink(data, length); }, blockSize100k, stream);
}

template <class ForEachPiece>
void Bzip2BlockEncoder::EncodeWithLibbz2(std::uint64_t total, ForEachPiece&& forEachPiece, int blockSize100k,
                                         std::vector<std::uint8_t>& stream) {
  bz_stream bz{};
  bz.bzalloc = &Bzip2BlockEncoder::Allocate;
  bz.bzfree = &Bzip2BlockEncoder::Release;
  bz.opaque = this;
  int result = BZ2_bzCompressInit(&bz, blockSize100k, 0, 0);
  if (result == BZ_MEM_ERROR) throw std::bad_alloc();
  if (result != BZ_OK) throw std::logic_error("bzip2 compression failed");

  // The output goes to the encoder's own buffer, which grows to the largest block seen and is reused:
  // small entries must not pay for a large fresh buffer each.
  std::vector<std::uint8_t>& buffer = output_;
  std::size_t used = 0;
  auto run = [&](const std::uint8_t* data, std::size_t length, int action) {
    bz.next_in = const_cast<char*>(reinterpret_cast<const char*>(data));
    bz.avail_in = static_cast<unsigned>(length);
    for (;;) {
      if (buffer.size() - used < 4096) buffer.resize(std::max<std::size_t>(2 * buffer.size(), used + kPiece));
      bz.next_out = reinterpret_cast<char*>(buffer.data() + used);
      bz.avail_out = static_cast<unsigned>(buffer.size() - used);
      int status = BZ2_bzCompress(&bz, action);
      used = buffer.size() - bz.avail_out;
      if (status < 0) {
        BZ2_bzCompressEnd(&bz);
        throw std::logic_error("bzip2 compression failed");
      }
      if (action == BZ_FINISH ? status == BZ_STREAM_END : bz.avail_in == 0) return;
    }
  };
  // Everything but the last byte is fed as running input and the last byte with the finish request,
  // so libbz2 sees the block's end exactly where a compressor of the whole input saw it.
  std::uint64_t fed = 0;
  forEachPiece([&](const std::uint8_t* data, std::size_t length) {
    fed += length;
    if (fed < total) {
      run(data, length, BZ_RUN);
    } else {
      if (length > 1) run(data, length - 1, BZ_RUN);
      run(data + length - 1, 1, BZ_FINISH);
    }
  });
  BZ2_bzCompressEnd(&bz);
  stream.assign(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(used));
}

int Bzip2BlockEncoder::SortBlock(const std::uint8_t* block, std::uint32_t length, std::uint32_t* order) noexcept {
  if (length < ownSortFrom_) return -1;
  // No exception may cross libbz2's C frames: a sort that fails leaves the block to libbz2's own.
  try {
    return static_cast<int>(blockSorter_.Sort(block, length, order));
  } catch (...) {
    ++libbz2SortFallbacks_;
    return -1;
  }
}

} // namespace zipcore

extern "C" int ZipcoreSortBzip2Block(void* opaque, const unsigned char* block, int length, unsigned int* order) {
  return static_cast<zipcore::Bzip2BlockEncoder*>(opaque)->SortBlock(block, static_cast<std::uint32_t>(length), order);
}
