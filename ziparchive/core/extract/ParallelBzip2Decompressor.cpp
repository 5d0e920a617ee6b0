#include "core/extract/ParallelBzip2Decompressor.h"

#include "core/bzip2/Bzip2BlockDecoder.h"
#include "core/bzip2/Bzip2Crc.h"
#include "core/bzip2/Bzip2StreamJoiner.h"
#include "core/extract/Bzip2DecoderShelf.h"
#include "core/ZipError.h"

#include <bzlib.h>

#include <algorithm>
#include <array>
#include <mutex>
#include <new>

namespace zipcore {
namespace {

constexpr std::uint64_t kBlockMagic = 0x314159265359ull;
constexpr std::uint64_t kEndMagic = 0x177245385090ull;
// No block of 900k symbols with codes of at most 20 bits comes near this.
constexpr std::uint64_t kMaxBlockBits = 8ull << 22;
// The output of a block of 900k symbols without long runs, with room to spare.
constexpr std::size_t kKeptBufferBytes = 4u << 20;

ZipError Damaged() { return ZipError(ZipErrorKind::CorruptEntry, "the bzip2 data are damaged"); }

// For each byte value: the bit offsets k (0-7) at which a magic starting at bit 8i + k puts that
// value into byte i + 1; bits 0-7 for the block magic, 8-15 for the end-of-stream marker.
std::array<std::uint16_t, 256> MakeCandidateTable() {
  std::array<std::uint16_t, 256> table{};
  for (int k = 0; k < 8; ++k) {
    table[(kBlockMagic >> (32 + k)) & 0xFF] |= static_cast<std::uint16_t>(1u << k);
    table[(kEndMagic >> (32 + k)) & 0xFF] |= static_cast<std::uint16_t>(1u << (8 + k));
  }
  return table;
}

// libbz2 decodes one block wrapped into a one-block stream.
void DecodeStream(const std::vector<std::uint8_t>& stream, std::vector<std::uint8_t>& out) {
  bz_stream bz{};
  if (BZ2_bzDecompressInit(&bz, 0, 0) != BZ_OK) throw std::bad_alloc();
  bz.next_in = const_cast<char*>(reinterpret_cast<const char*>(stream.data()));
  bz.avail_in = static_cast<unsigned>(stream.size());
  std::size_t used = 0;
  int result = BZ_OK;
  while (result == BZ_OK) {
    if (out.size() - used < 256 * 1024) out.resize(std::max<std::size_t>(out.size() * 2, used + 1024 * 1024));
    bz.next_out = reinterpret_cast<char*>(out.data() + used);
    bz.avail_out = static_cast<unsigned>(out.size() - used);
    result = BZ2_bzDecompress(&bz);
    used = out.size() - bz.avail_out;
    if (result == BZ_OK && bz.avail_in == 0 && bz.avail_out != 0) result = BZ_DATA_ERROR; // ends too early
  }
  BZ2_bzDecompressEnd(&bz);
  if (result == BZ_MEM_ERROR) throw std::bad_alloc();
  if (result != BZ_STREAM_END) throw Damaged();
  out.resize(used);
}

// The block's bits moved to a byte boundary and wrapped as a stream of its own: header, block,
// end-of-stream marker with the block's CRC as the combined CRC.
std::vector<std::uint8_t> WrapBlock(const std::vector<std::uint8_t>& bytes, unsigned shift, std::uint64_t bits,
                                    std::uint32_t crc, int level) {
  std::vector<std::uint8_t> aligned(static_cast<std::size_t>(bits / 8 + 1));
  for (std::size_t j = 0; j < aligned.size(); ++j) {
    unsigned high = bytes[j];
    unsigned low = j + 1 < bytes.size() ? bytes[j + 1] : 0;
    aligned[j] = static_cast<std::uint8_t>(shift ? (high << shift | low >> (8 - shift)) : high);
  }
  Bzip2StreamJoiner joiner(level);
  joiner.AddBlock(Bzip2BlockBits{aligned.data(), bits, crc});
  joiner.Finish();
  return std::move(joiner.Output());
}

} // namespace

struct ParallelBzip2Decompressor::Block {
  std::vector<std::uint8_t> bytes;  // the bytes holding the block's bits
  std::vector<std::uint8_t> output; // its decoded bytes
  unsigned shift = 0;               // the bit of bytes[0] where the block's magic starts
  std::uint64_t bits = 0;           // the block's length in bits, up to the next magic
  int level = 0;
  std::uint32_t crc = 0;
  std::exception_ptr error;
  std::shared_ptr<WorkerPool::Ticket> ticket;
};

ParallelBzip2Decompressor::ParallelBzip2Decompressor(std::shared_ptr<WorkerPool> pool)
    : pool_(std::move(pool)),
      maxInFlight_(4 * static_cast<std::size_t>(pool_->Threads())),
      shelf_(std::make_shared<Bzip2DecoderShelf>()) {}

ParallelBzip2Decompressor::~ParallelBzip2Decompressor() {
  // Stopped early (damaged data, a failing sink): blocks nobody will read are not decoded.
  for (const auto& block : inFlight_) pool_->Cancel(*block->ticket);
}

bool ParallelBzip2Decompressor::Write(const std::uint8_t* data, std::size_t length, ByteSink& out) {
  if (finished_) return true;
  buffer_.insert(buffer_.end(), data, data + length);
  return Scan(out);
}

std::uint64_t ParallelBzip2Decompressor::BitsAt(std::uint64_t bit, int count) const {
  std::uint64_t at = bit - base_;
  std::size_t byte = static_cast<std::size_t>(at / 8);
  std::uint64_t value = 0;
  for (int i = 0; i < 8; ++i) value = value << 8 | (byte + i < buffer_.size() ? buffer_[byte + i] : 0);
  return (value << (at % 8)) >> (64 - count);
}

bool ParallelBzip2Decompressor::Scan(ByteSink& out) {
  static const std::array<std::uint16_t, 256> kCandidates = MakeCandidateTable();
  if (level_ == 0) {
    if (buffer_.size() < 4) return false;
    if (buffer_[0] != 'B' || buffer_[1] != 'Z' || buffer_[2] != 'h' || buffer_[3] < '1' || buffer_[3] > '9')
      throw Damaged();
    level_ = buffer_[3];
  }
  // A candidate is examined once its magic and the 32 bits after it are all at hand.
  while (buffer_.size() >= 2) {
    const std::uint64_t available = base_ + 8 * static_cast<std::uint64_t>(buffer_.size());
    std::uint64_t wait = base_ + 8 * static_cast<std::uint64_t>(buffer_.size() - 1); // first bit not examined
    std::uint64_t found = 0;
    bool end = false;
    std::size_t first = static_cast<std::size_t>((scanFrom_ - base_) / 8);
    first = first > 0 ? first - 1 : 0;
    for (std::size_t i = first; i + 1 < buffer_.size() && !found; ++i) {
      for (unsigned mask = kCandidates[buffer_[i + 1]]; mask != 0; mask &= mask - 1) {
        unsigned which = static_cast<unsigned>(__builtin_ctz(mask));
        std::uint64_t bit = base_ + 8 * i + (which & 7);
        if (bit < scanFrom_) continue;
        if (bit + 80 > available) {
          wait = std::min(wait, bit);
          continue;
        }
        if (BitsAt(bit, 48) == (which < 8 ? kBlockMagic : kEndMagic) && (!found || bit < found)) {
          found = bit;
          end = which >= 8;
        }
      }
    }
    if (!found || found > wait) {
      scanFrom_ = std::max(scanFrom_, wait);
      if (inBlock_ && available - blockStart_ > kMaxBlockBits) throw Damaged();
      return false;
    }
    // The first block (or the end of an empty stream) follows the header directly.
    if (!inBlock_ && found != 32) throw Damaged();
    if (inBlock_) Submit(found, out);
    if (!end) {
      inBlock_ = true;
      blockStart_ = found;
      scanFrom_ = found + 48;
      // Bytes before the new block are no longer needed.
      std::size_t drop = static_cast<std::size_t>((blockStart_ - base_) / 8);
      if (drop > (1u << 20)) {
        buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(drop));
        base_ += 8 * static_cast<std::uint64_t>(drop);
      }
      continue;
    }
    const auto storedCrc = static_cast<std::uint32_t>(BitsAt(found + 48, 32));
    while (!inFlight_.empty()) EmitOldest(out);
    if (storedCrc != combinedCrc_) throw Damaged();
    finished_ = true;
    buffer_ = std::vector<std::uint8_t>();
    return true;
  }
  return false;
}

void ParallelBzip2Decompressor::Submit(std::uint64_t endBit, ByteSink& out) {
  while (inFlight_.size() >= maxInFlight_) EmitOldest(out);
  auto block = std::make_shared<Block>();
  for (std::vector<std::uint8_t>* buffer : {&block->bytes, &block->output}) {
    if (spare_.empty()) break;
    *buffer = std::move(spare_.back());
    spare_.pop_back();
  }
  const auto from = static_cast<std::size_t>((blockStart_ - base_) / 8);
  const auto to = static_cast<std::size_t>((endBit - base_ + 7) / 8);
  block->bytes.assign(buffer_.begin() + static_cast<std::ptrdiff_t>(from),
                      buffer_.begin() + static_cast<std::ptrdiff_t>(to));
  block->shift = static_cast<unsigned>((blockStart_ - base_) % 8);
  block->bits = endBit - blockStart_;
  block->level = level_ - '0';
  block->crc = static_cast<std::uint32_t>(BitsAt(blockStart_ + 48, 32));
  block->ticket = pool_->Submit([block, shelf = shelf_] {
    try {
      std::vector<std::uint8_t>& output = block->output;
      output.clear();
      std::unique_ptr<Bzip2BlockDecoder> decoder = shelf->Take();
      const Bzip2BlockDecoder::Result result =
          decoder->Decode(block->bytes.data(), block->bytes.size(), block->shift, block->level, output);
      const bool decoded = result == Bzip2BlockDecoder::Result::Ok && decoder->EndBit() == block->shift + block->bits;
      shelf->Give(std::move(decoder));
      // Whatever our decoder refuses, libbz2 decides on.
      if (!decoded) {
        output.clear();
        DecodeStream(WrapBlock(block->bytes, block->shift, block->bits, block->crc, block->level), output);
      }
    } catch (...) {
      block->output = std::vector<std::uint8_t>();
      block->error = std::current_exception();
    }
  });
  inFlight_.push_back(std::move(block));
}

void ParallelBzip2Decompressor::EmitOldest(ByteSink& out) {
  std::shared_ptr<Block> block = std::move(inFlight_.front());
  inFlight_.pop_front();
  pool_->Wait(*block->ticket);
  if (block->error) std::rethrow_exception(block->error);
  combinedCrc_ = Bzip2CombineCrc(combinedCrc_, block->crc);
  // The block in one piece: a file sink writes it with one call.
  if (!block->output.empty()) out.Put(block->output.data(), block->output.size());
  // At most as many buffers as blocks in flight wait here; a block many times larger than usual
  // (long runs of one byte) does not keep its memory.
  for (std::vector<std::uint8_t>* buffer : {&block->bytes, &block->output})
    if (spare_.size() < maxInFlight_ && buffer->capacity() <= kKeptBufferBytes) spare_.push_back(std::move(*buffer));
}

} // namespace zipcore
