// Method 12: bzip2 streams through libbz2.
#include "core/methods/Codecs.h"
#include "core/ZipError.h"

#include <bzlib.h>

#include <algorithm>
#include <cstdlib>
#include <new>

namespace zipcore {
namespace {

constexpr std::size_t kMaxPiece = 1u << 30; // libbz2 counts in unsigned int

class Bzip2Compressor : public Compressor {
public:
  // Levels map onto block sizes of 100k to 900k; the default is the largest (best ratio).
  explicit Bzip2Compressor(int level) : buffer_(kCodecChunk) {
    int blockSize = level <= 0 ? 9 : level;
    if (BZ2_bzCompressInit(&stream_, blockSize, 0, 0) != BZ_OK) throw std::bad_alloc();
  }
  ~Bzip2Compressor() override { BZ2_bzCompressEnd(&stream_); }

  void Write(const std::uint8_t* data, std::size_t length, ByteSink& out) override {
    while (length > 0) {
      std::size_t piece = std::min(length, kMaxPiece);
      Run(data, piece, BZ_RUN, out);
      data += piece;
      length -= piece;
    }
  }
  void Finish(ByteSink& out) override { Run(nullptr, 0, BZ_FINISH, out); }

private:
  void Run(const std::uint8_t* data, std::size_t length, int action, ByteSink& out) {
    stream_.next_in = const_cast<char*>(reinterpret_cast<const char*>(data));
    stream_.avail_in = static_cast<unsigned>(length);
    for (;;) {
      stream_.next_out = reinterpret_cast<char*>(buffer_.data());
      stream_.avail_out = static_cast<unsigned>(buffer_.size());
      int result = BZ2_bzCompress(&stream_, action);
      if (result < 0) throw ZipError(ZipErrorKind::Usage, "bzip2 compression failed");
      std::size_t produced = buffer_.size() - stream_.avail_out;
      if (produced) out.Put(buffer_.data(), produced);
      if (action == BZ_FINISH ? result == BZ_STREAM_END : stream_.avail_in == 0) return;
    }
  }
  bz_stream stream_{};
  CodecBuffer buffer_;
};

class Bzip2Decompressor : public Decompressor {
public:
  Bzip2Decompressor() : buffer_(kCodecChunk) {
    if (BZ2_bzDecompressInit(&stream_, 0, 0) != BZ_OK) throw std::bad_alloc();
  }
  ~Bzip2Decompressor() override { BZ2_bzDecompressEnd(&stream_); }

  bool Write(const std::uint8_t* data, std::size_t length, ByteSink& out) override {
    if (finished_) return true;
    while (length > 0) {
      std::size_t piece = std::min(length, kMaxPiece);
      if (Run(data, piece, out)) return true;
      data += piece;
      length -= piece;
    }
    return false;
  }

private:
  bool Run(const std::uint8_t* data, std::size_t length, ByteSink& out) {
    stream_.next_in = const_cast<char*>(reinterpret_cast<const char*>(data));
    stream_.avail_in = static_cast<unsigned>(length);
    for (;;) {
      stream_.next_out = reinterpret_cast<char*>(buffer_.data());
      stream_.avail_out = static_cast<unsigned>(buffer_.size());
      unsigned inputBefore = stream_.avail_in;
      int result = BZ2_bzDecompress(&stream_);
      std::size_t produced = buffer_.size() - stream_.avail_out;
      if (produced) out.Put(buffer_.data(), produced);
      if (result == BZ_STREAM_END) return finished_ = true;
      if (result == BZ_MEM_ERROR) throw std::bad_alloc();
      if (result != BZ_OK) throw ZipError(ZipErrorKind::CorruptEntry, "the bzip2 data are damaged");
      if (stream_.avail_in == 0 && stream_.avail_out != 0) return false;
      if (produced == 0 && stream_.avail_in == inputBefore)
        throw ZipError(ZipErrorKind::CorruptEntry, "the bzip2 data are damaged");
    }
  }
  bz_stream stream_{};
  CodecBuffer buffer_;
  bool finished_ = false;
};

} // namespace

std::unique_ptr<Compressor> MakeBzip2Compressor(int level) {
  return std::make_unique<Bzip2Compressor>(level);
}
std::unique_ptr<Decompressor> MakeBzip2Decompressor() {
  return std::make_unique<Bzip2Decompressor>();
}

} // namespace zipcore
