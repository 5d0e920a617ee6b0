// Method 95: .xz data, decoded by liblzma. An entry may hold several concatenated .xz streams (as
// parallel xz writers make them), so the end is known only once the entry's last byte is in.
#include "core/methods/Codecs.h"
#include "core/ZipError.h"
#include "core/methods/LibraryLimits.h"

#include <lzma.h>

#include <algorithm>
#include <new>

namespace zipcore {
namespace {

class XzDecompressor : public Decompressor {
public:
  explicit XzDecompressor(std::uint64_t compressedSize) : remaining_(compressedSize), buffer_(kCodecChunk) {
    lzma_ret result = lzma_stream_decoder(&stream_, kMaxDecoderMemory, LZMA_CONCATENATED);
    if (result == LZMA_MEM_ERROR) throw std::bad_alloc();
    if (result != LZMA_OK) throw ZipError(ZipErrorKind::Usage, "the XZ decoder cannot start");
  }
  ~XzDecompressor() override { lzma_end(&stream_); }

  bool Write(const std::uint8_t* data, std::size_t length, ByteSink& out) override {
    if (finished_) return true;
    remaining_ -= std::min<std::uint64_t>(remaining_, length);
    // Told that no input follows, liblzma ends the last stream or reports it cut short.
    const lzma_action action = remaining_ == 0 ? LZMA_FINISH : LZMA_RUN;
    stream_.next_in = data;
    stream_.avail_in = length;
    lzma_ret result = LZMA_OK;
    PutStreamOutput(
        stream_, buffer_, out, [&] { result = lzma_code(&stream_, action); },
        [&](std::size_t) {
          if (result == LZMA_STREAM_END) return finished_ = true;
          if (result == LZMA_MEM_ERROR) throw std::bad_alloc();
          if (result == LZMA_MEMLIMIT_ERROR) throw TooMuchMemory("XZ");
          if (result == LZMA_BUF_ERROR) return true; // cut short: the reader reports the early end
          if (result != LZMA_OK) throw ZipError(ZipErrorKind::CorruptEntry, "the XZ data are damaged");
          return action == LZMA_RUN && stream_.avail_in == 0 && stream_.avail_out != 0;
        });
    return finished_;
  }

private:
  std::uint64_t remaining_;
  lzma_stream stream_ = LZMA_STREAM_INIT;
  CodecBuffer buffer_;
  bool finished_ = false;
};

} // namespace

std::unique_ptr<Decompressor> MakeXzDecompressor(std::uint64_t compressedSize) {
  return std::make_unique<XzDecompressor>(compressedSize);
}

} // namespace zipcore
