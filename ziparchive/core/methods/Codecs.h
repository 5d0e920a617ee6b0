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

// The output loop of every codec over a library: `code(space, size)` lets the library write into
// `buffer` and returns how many bytes it produced; those go to `out`; then `done(produced)` says
// whether the library is done for now (or throws when the data are damaged).
template <typename Code, typename Done>
void PutOutput(CodecBuffer& buffer, ByteSink& out, Code code, Done done) {
  for (;;) {
    const std::size_t produced = code(buffer.data(), buffer.size());
    if (produced) out.Put(buffer.data(), produced);
    if (done(produced)) return;
  }
}

// PutOutput for the libraries whose streams say where output goes by next_out and avail_out (zlib,
// libbz2, liblzma): `call` runs the library once on `stream`.
template <typename Stream, typename Call, typename Done>
void PutStreamOutput(Stream& stream, CodecBuffer& buffer, ByteSink& out, Call call, Done done) {
  PutOutput(
      buffer, out,
      [&](std::uint8_t* space, std::size_t size) {
        stream.next_out = reinterpret_cast<decltype(stream.next_out)>(space);
        stream.avail_out = static_cast<decltype(stream.avail_out)>(size);
        call();
        return size - stream.avail_out;
      },
      done);
}

// Feeds `data` to `feed` in pieces of at most `maxPiece` bytes (what a library counting in 32 bits
// takes at once), until `feed` returns true (the end of a compressed stream) or the data run out.
template <typename Feed>
bool FeedInPieces(const std::uint8_t* data, std::size_t length, std::size_t maxPiece, Feed feed) {
  while (length > 0) {
    const std::size_t piece = length < maxPiece ? length : maxPiece;
    if (feed(data, piece)) return true;
    data += piece;
    length -= piece;
  }
  return false;
}

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
