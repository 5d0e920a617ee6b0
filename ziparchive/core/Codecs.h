// The codecs behind the method table of Codec.h, one source file each.
#pragma once

#include "core/Codec.h"

namespace zipcore {

constexpr std::uint16_t kStoredMethod = 0;
constexpr std::uint16_t kDeflateMethod = 8;
constexpr std::uint16_t kBzip2Method = 12;

// Codecs produce output in chunks of at most this many bytes.
constexpr std::size_t kCodecChunk = 64 * 1024;

std::unique_ptr<Compressor> MakeStoredCompressor();
std::unique_ptr<Decompressor> MakeStoredDecompressor();
std::unique_ptr<Compressor> MakeDeflateCompressor(int level);
std::unique_ptr<Decompressor> MakeDeflateDecompressor();
std::unique_ptr<Compressor> MakeBzip2Compressor(int level);
std::unique_ptr<Decompressor> MakeBzip2Decompressor();

} // namespace zipcore
