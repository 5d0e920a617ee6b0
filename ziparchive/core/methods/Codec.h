// Streaming compressors and decompressors, and the table of compression methods the core knows.
// Each codec works chunk by chunk, so memory stays bounded whatever the size of an entry.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "core/ZipEntry.h"

namespace zipcore {

// Receives bytes produced by a codec (or read from an entry).
class ByteSink {
public:
  virtual ~ByteSink() = default;
  virtual void Put(const std::uint8_t* data, std::size_t length) = 0;
};

class Compressor {
public:
  virtual ~Compressor() = default;
  virtual void Write(const std::uint8_t* data, std::size_t length, ByteSink& out) = 0;
  // Flushes everything that is left; the compressor cannot be used afterwards.
  virtual void Finish(ByteSink& out) = 0;
};

class Decompressor {
public:
  virtual ~Decompressor() = default;
  // Feeds compressed bytes; returns true once the end of the compressed stream has been seen
  // (bytes after it are ignored). Damaged data throws ZipError(CorruptEntry).
  virtual bool Write(const std::uint8_t* data, std::size_t length, ByteSink& out) = 0;
};

// The method table. Read: 0 stored, 8 deflate (zlib), 9 deflate64 (our own decoder), 12 bzip2
// (libbz2), 14 LZMA and 95 XZ (liblzma), 93 Zstandard (libzstd). Written: 0, 8 and 12.
bool IsReadableMethod(std::uint16_t method);
bool IsWritableMethod(std::uint16_t method);
const char* MethodName(std::uint16_t method);
// level: -1 the method's default, 1 (fastest) to 9 (smallest). Unwritable methods throw Unsupported.
std::unique_ptr<Compressor> MakeCompressor(std::uint16_t method, int level);
// For the entry's method; LZMA needs the entry's uncompressed size, XZ and Zstandard its compressed
// size (where their data end). Unreadable methods throw Unsupported.
std::unique_ptr<Decompressor> MakeDecompressor(const ZipEntry& entry);

} // namespace zipcore
