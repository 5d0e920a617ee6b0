// Method 93: Zstandard data, decoded by libzstd. An entry may hold several frames (and skippable
// ones), so it ends where its compressed size says, which must be the end of a frame.
#include "core/methods/Codecs.h"
#include "core/ZipError.h"
#include "core/methods/LibraryLimits.h"

#include <zstd.h>
#include <zstd_errors.h>

#include <algorithm>
#include <new>

namespace zipcore {
namespace {

class ZstandardDecompressor : public Decompressor {
public:
  explicit ZstandardDecompressor(std::uint64_t compressedSize)
      : remaining_(compressedSize), context_(ZSTD_createDCtx()), buffer_(kCodecChunk) {
    if (!context_) throw std::bad_alloc();
    // Frames with windows above the bound are refused instead of being given the memory.
    static_assert(kMaxDecoderMemory == std::uint64_t{1} << 30, "the window bound follows the memory bound");
    ZSTD_DCtx_setParameter(context_, ZSTD_d_windowLogMax, 30);
  }
  ~ZstandardDecompressor() override { ZSTD_freeDCtx(context_); }

  bool Write(const std::uint8_t* data, std::size_t length, ByteSink& out) override {
    if (remaining_ == 0) return frameEnded_;
    remaining_ -= std::min<std::uint64_t>(remaining_, length);
    ZSTD_inBuffer input{data, length, 0};
    PutOutput(
        buffer_, out,
        [&](std::uint8_t* space, std::size_t size) {
          ZSTD_outBuffer output{space, size, 0};
          const std::size_t result = ZSTD_decompressStream(context_, &output, &input);
          if (ZSTD_isError(result)) Fail(ZSTD_getErrorCode(result));
          frameEnded_ = result == 0;
          return output.pos;
        },
        [&](std::size_t produced) { return input.pos == input.size && (frameEnded_ || produced < buffer_.size()); });
    return remaining_ == 0 && frameEnded_;
  }

private:
  [[noreturn]] static void Fail(ZSTD_ErrorCode code) {
    if (code == ZSTD_error_memory_allocation) throw std::bad_alloc();
    if (code == ZSTD_error_frameParameter_windowTooLarge) throw TooMuchMemory("Zstandard");
    throw ZipError(ZipErrorKind::CorruptEntry, "the Zstandard data are damaged");
  }

  std::uint64_t remaining_;
  ZSTD_DCtx* context_;
  CodecBuffer buffer_;
  bool frameEnded_ = false;
};

} // namespace

std::unique_ptr<Decompressor> MakeZstandardDecompressor(std::uint64_t compressedSize) {
  return std::make_unique<ZstandardDecompressor>(compressedSize);
}

} // namespace zipcore
