// Method 14: LZMA as 7-Zip writes it into zip archives, decoded by liblzma. The data start with a
// header of their own: the LZMA SDK's version (2 bytes), the size of the properties (2 bytes, always
// 5) and the properties (lc/lp/pb in one byte, the dictionary size in four); raw LZMA1 data follow.
// Flag bit 1 says whether the data end with an end marker; the decoder is told the uncompressed size
// and accepts the marker there or none, so entries of either kind, and writers that set the flag
// wrongly, are read alike.
#include "core/methods/Codecs.h"
#include "core/ZipError.h"
#include "core/methods/LibraryLimits.h"

#include <lzma.h>

#include <algorithm>
#include <cstdlib>
#include <new>
#include <vector>

namespace zipcore {
namespace {

constexpr std::size_t kPropertiesSize = 5;
constexpr std::size_t kHeaderSize = 4 + kPropertiesSize;

ZipError Damaged() { return ZipError(ZipErrorKind::CorruptEntry, "the LZMA data are damaged"); }

class LzmaDecompressor : public Decompressor {
public:
  explicit LzmaDecompressor(std::uint64_t uncompressedSize) : size_(uncompressedSize), buffer_(kCodecChunk) {}
  ~LzmaDecompressor() override { lzma_end(&stream_); }

  bool Write(const std::uint8_t* data, std::size_t length, ByteSink& out) override {
    if (finished_) return true;
    while (header_.size() < kHeaderSize && length > 0) {
      header_.push_back(*data++);
      --length;
      if (header_.size() == 4 && (header_[2] | header_[3] << 8) != kPropertiesSize) throw Damaged();
      if (header_.size() == kHeaderSize) Start();
    }
    if (length == 0) return false;
    stream_.next_in = data;
    stream_.avail_in = length;
    lzma_ret result = LZMA_OK;
    PutStreamOutput(
        stream_, buffer_, out, [&] { result = lzma_code(&stream_, LZMA_RUN); },
        [&](std::size_t) {
          if (result == LZMA_STREAM_END) return finished_ = true;
          if (result == LZMA_MEM_ERROR) throw std::bad_alloc();
          if (result != LZMA_OK && result != LZMA_BUF_ERROR) throw Damaged();
          return stream_.avail_in == 0 && stream_.avail_out != 0;
        });
    return finished_;
  }

private:
  void Start() {
    lzma_filter filters[2] = {{LZMA_FILTER_LZMA1EXT, nullptr}, {LZMA_VLI_UNKNOWN, nullptr}};
    lzma_ret result = lzma_properties_decode(&filters[0], nullptr, header_.data() + 4, kPropertiesSize);
    if (result == LZMA_MEM_ERROR) throw std::bad_alloc();
    if (result != LZMA_OK) throw Damaged(); // lc + lp above 4 counts as damage: no LZMA writer makes it
    auto* options = static_cast<lzma_options_lzma*>(filters[0].options);
    // Matches never reach back further than the entry's own size: a small entry needs no large
    // dictionary, whatever its writer chose.
    options->dict_size = static_cast<std::uint32_t>(
        std::max<std::uint64_t>(LZMA_DICT_SIZE_MIN, std::min<std::uint64_t>(options->dict_size, size_)));
    options->ext_flags = LZMA_LZMA1EXT_ALLOW_EOPM;
    lzma_set_ext_size(*options, size_);
    const std::uint32_t dictionary = options->dict_size;
    if (dictionary <= kMaxDecoderMemory) result = lzma_raw_decoder(&stream_, filters);
    std::free(options);
    if (dictionary > kMaxDecoderMemory) throw TooMuchMemory("LZMA");
    if (result == LZMA_MEM_ERROR) throw std::bad_alloc();
    if (result != LZMA_OK) throw Damaged();
  }

  std::uint64_t size_;
  std::vector<std::uint8_t> header_;
  lzma_stream stream_ = LZMA_STREAM_INIT;
  CodecBuffer buffer_;
  bool finished_ = false;
};

} // namespace

std::unique_ptr<Decompressor> MakeLzmaDecompressor(std::uint64_t uncompressedSize) {
  return std::make_unique<LzmaDecompressor>(uncompressedSize);
}

} // namespace zipcore
