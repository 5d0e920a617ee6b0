#include "core/methods/Codec.h"

#include "core/methods/Codecs.h"
#include "core/ZipError.h"

#include <string>

namespace zipcore {

bool IsReadableMethod(std::uint16_t method) {
  switch (method) {
  case kMethodStored: case kMethodDeflate: case kMethodDeflate64: case kMethodBzip2:
  case kMethodLzma: case kMethodZstandard: case kMethodXz:
    return true;
  default:
    return false;
  }
}

bool IsWritableMethod(std::uint16_t method) {
  return method == kStoredMethod || method == kDeflateMethod || method == kBzip2Method;
}

const char* MethodName(std::uint16_t method) {
  switch (method) {
  case 0: return "stored";
  case 1: return "shrink";
  case 2: case 3: case 4: case 5: return "reduce";
  case 6: return "implode";
  case 8: return "deflate";
  case 9: return "deflate64";
  case 12: return "bzip2";
  case 14: return "LZMA";
  case 93: return "Zstandard";
  case 95: return "XZ";
  case 96: return "JPEG";
  case 97: return "WavPack";
  case 98: return "PPMd";
  case 99: return "AES encryption";
  default: return "unknown";
  }
}

static ZipError UnsupportedMethod(std::uint16_t method) {
  return ZipError(ZipErrorKind::Unsupported, "compression method " + std::to_string(method) + " (" +
                                                 MethodName(method) + ") is not supported");
}

std::unique_ptr<Compressor> MakeCompressor(std::uint16_t method, int level) {
  if (level < -1 || level > 9)
    throw ZipError(ZipErrorKind::Usage, "compression level " + std::to_string(level) +
                                            " is out of range (-1 to 9)");
  switch (method) {
  case kStoredMethod: return MakeStoredCompressor();
  case kDeflateMethod: return MakeDeflateCompressor(level);
  case kBzip2Method: return MakeBzip2Compressor(level);
  default: throw UnsupportedMethod(method);
  }
}

std::unique_ptr<Decompressor> MakeDecompressor(const ZipEntry& entry) {
  switch (entry.method) {
  case kMethodStored: return MakeStoredDecompressor();
  case kMethodDeflate: return MakeDeflateDecompressor();
  case kMethodDeflate64: return MakeDeflate64Decompressor();
  case kMethodBzip2: return MakeBzip2Decompressor();
  case kMethodLzma: return MakeLzmaDecompressor(entry.uncompressedSize);
  case kMethodZstandard: return MakeZstandardDecompressor(entry.compressedSize);
  case kMethodXz: return MakeXzDecompressor(entry.compressedSize);
  default: throw UnsupportedMethod(entry.method);
  }
}

} // namespace zipcore
