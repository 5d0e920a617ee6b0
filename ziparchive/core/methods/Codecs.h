// The codecs behind the method table of Codec.h, one source file each.
#pragma once

#include "core/methods/Codec.h"

namespace zipcore {

// Codecs produce output in chunks of at most this many bytes.
constexpr std::size_t kCodecChunk = 64 * 1024;

// A codec's output space, left uninitialised: a codec is made per entry, and zeroing 64 KiB for
// each of thousands of small entries would cost more than decoding them.
class CodecBuffer {
public:
  explicit CodecBuffer(std::size_t size) : data_(new std::uint8_t[size]), size_(size) {}
  std::uint8_t* data() { return data_.get(); }
  std::size_t size() const { return size_; }

private:
  std::unique_ptr<std::uint8_t[]> data_;
  std::size_t size_;
};

std::unique_ptr<Compressor> MakeStoredCompressor();
std::unique_ptr<Decompressor> MakeStoredDecompressor();
std::unique_ptr<Compressor> MakeDeflateCompressor(int level);
std::unique_ptr<Decompressor> MakeDeflateDecompressor();
std::unique_ptr<Compressor> MakeBzip2Compressor(int level);
std::unique_ptr<Decompressor> MakeBzip2Decompressor();
// Readers only. LZMA data end after the entry's uncompressed size or at an end marker; XZ and
// Zstandard data may hold several streams, and end where the entry's compressed size says.
std::unique_ptr<Decompressor> MakeDeflate64Decompressor();
std::unique_ptr<Decompressor> MakeLzmaDecompressor(std::uint64_t uncompressedSize);
std::unique_ptr<Decompressor> MakeZstandardDecompressor(std::uint64_t compressedSize);
std::unique_ptr<Decompressor> MakeXzDecompressor(std::uint64_t compressedSize);

} // namespace zipcore
