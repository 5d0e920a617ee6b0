// Method 12: bzip2 streams through libbz2.
#include "core/methods/Codecs.h"
#include "core/ZipError.h"

#include <bzlib.h>

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
    FeedInPieces(data, length, kMaxPiece, [&](const std::uint8_t* piece, std::size_t size) {
      Run(piece, size, BZ_RUN, out);
      return false;
    });
  }
  void Finish(ByteSink& out) override { Run(nullptr, 0, BZ_FINISH, out); }

private:
  void Run(const std::uint8_t* data, std::size_t length, int action, ByteSink& out) {
    stream_.next_in = const_cast<char*>(reinterpret_cast<const char*>(data));
    stream_.avail_in = static_cast<unsigned>(length);
    int result = BZ_OK;
    PutStreamOutput(
        stream_, buffer_, out,
        [&] {
          result = BZ2_bzCompress(&stream_, action);
          if (result < 0) throw ZipError(ZipErrorKind::Usage, "bzip2 compression failed");
        },
        [&](std::size_t) { return action == BZ_FINISH ? result == BZ_STREAM_END : stream_.avail_in == 0; });
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
    return FeedInPieces(data, length, kMaxPiece,
                        [&](const std::uint8_t* piece, std::size_t size) { return Run(piece, size, out); });
  }

private:
  bool Run(const std::uint8_t* data, std::size_t length, ByteSink& out) {
    stream_.next_in = const_cast<char*>(reinterpret_cast<const char*>(data));
    stream_.avail_in = static_cast<unsigned>(length);
    int result = BZ_OK;
    unsigned inputBefore = 0;
    PutStreamOutput(
        stream_, buffer_, out,
        [&] {
          inputBefore = stream_.avail_in;
          result = BZ2_bzDecompress(&stream_);
        },
        [&](std::size_t produced) {
          if (result == BZ_STREAM_END) return finished_ = true;
          if (result == BZ_MEM_ERROR) throw std::bad_alloc();
          if (result != BZ_OK) throw ZipError(ZipErrorKind::CorruptEntry, "the bzip2 data are damaged");
          if (stream_.avail_in == 0 && stream_.avail_out != 0) return true;
          if (produced == 0 && stream_.avail_in == inputBefore)
            throw ZipError(ZipErrorKind::CorruptEntry, "the bzip2 data are damaged");
          return false;
        });
    return finished_;
  }
  bz_stream stream_{};
  CodecBuffer buffer_;
  bool finished_ = false;
};

} // namespace

std::unique_ptr<Compressor> MakeBzip2Compressor(int level) { return std::make_unique<Bzip2Compressor>(level); }
std::unique_ptr<Decompressor> MakeBzip2Decompressor() { return std::make_unique<Bzip2Decompressor>(); }

} // namespace zipcore
