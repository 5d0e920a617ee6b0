// Method 8: raw deflate streams through zlib.
#include "core/methods/Codecs.h"
#include "core/ZipError.h"

#include <zlib.h>

#include <climits>
#include <new>

namespace zipcore {
namespace {

// zlib counts in uInt: feed it pieces it can take.
constexpr std::size_t kMaxPiece = 1u << 30;

class DeflateCompressor : public Compressor {
public:
  explicit DeflateCompressor(int level) : buffer_(kCodecChunk) {
    if (deflateInit2(&stream_, level < 0 ? Z_DEFAULT_COMPRESSION : level, Z_DEFLATED, -MAX_WBITS, 8,
                     Z_DEFAULT_STRATEGY) != Z_OK)
      throw std::bad_alloc();
  }
  ~DeflateCompressor() override { deflateEnd(&stream_); }

  void Write(const std::uint8_t* data, std::size_t length, ByteSink& out) override {
    FeedInPieces(data, length, kMaxPiece, [&](const std::uint8_t* piece, std::size_t size) {
      Run(piece, size, Z_NO_FLUSH, out);
      return false;
    });
  }
  void Finish(ByteSink& out) override { Run(nullptr, 0, Z_FINISH, out); }

private:
  void Run(const std::uint8_t* data, std::size_t length, int flush, ByteSink& out) {
    stream_.next_in = const_cast<Bytef*>(data);
    stream_.avail_in = static_cast<uInt>(length);
    int result = Z_OK;
    PutStreamOutput(
        stream_, buffer_, out,
        [&] {
          result = deflate(&stream_, flush);
          if (result == Z_STREAM_ERROR) throw ZipError(ZipErrorKind::Usage, "deflate stream error");
        },
        [&](std::size_t) {
          return flush == Z_FINISH ? result == Z_STREAM_END : (stream_.avail_in == 0 && stream_.avail_out != 0);
        });
  }
  z_stream stream_{};
  CodecBuffer buffer_;
};

class DeflateDecompressor : public Decompressor {
public:
  DeflateDecompressor() : buffer_(kCodecChunk) {
    if (inflateInit2(&stream_, -MAX_WBITS) != Z_OK) throw std::bad_alloc();
  }
  ~DeflateDecompressor() override { inflateEnd(&stream_); }

  bool Write(const std::uint8_t* data, std::size_t length, ByteSink& out) override {
    if (finished_) return true;
    return FeedInPieces(data, length, kMaxPiece,
                        [&](const std::uint8_t* piece, std::size_t size) { return Run(piece, size, out); });
  }

private:
  bool Run(const std::uint8_t* data, std::size_t length, ByteSink& out) {
    stream_.next_in = const_cast<Bytef*>(data);
    stream_.avail_in = static_cast<uInt>(length);
    int result = Z_OK;
    PutStreamOutput(
        stream_, buffer_, out, [&] { result = inflate(&stream_, Z_NO_FLUSH); },
        [&](std::size_t produced) {
          if (result == Z_STREAM_END) return finished_ = true;
          if (result == Z_MEM_ERROR) throw std::bad_alloc();
          if (result != Z_OK && result != Z_BUF_ERROR)
            throw ZipError(ZipErrorKind::CorruptEntry, "the deflate data are damaged");
          // Everything consumed and the output not full: zlib wants more input.
          return (stream_.avail_in == 0 && stream_.avail_out != 0) || (result == Z_BUF_ERROR && produced == 0);
        });
    return finished_;
  }
  z_stream stream_{};
  CodecBuffer buffer_;
  bool finished_ = false;
};

} // namespace

std::unique_ptr<Compressor> MakeDeflateCompressor(int level) { return std::make_unique<DeflateCompressor>(level); }
std::unique_ptr<Decompressor> MakeDeflateDecompressor() { return std::make_unique<DeflateDecompressor>(); }

} // namespace zipcore
