#include "core/methods/Codec.h"

#include "core/methods/Codecs.h"
#include "core/ZipError.h"

#include <string>

namespace zipcore {

bool IsReadableMethod(std::uint16_t method) {
  switch (method) {
  case kMethodStored:
  case kMethodDeflate:
  case kMethodDeflate64:
  case kMethodBzip2:
  case kMethodLzma:
  case kMethodZstandard:
  case kMethodXz: return true;
  default: return false;
  }
}

bool IsWritableMethod(std::uint16_t method) {
  return method == kMethodStored || method == kMethodDeflate || method == kMethodBzip2;
}

const char* MethodName(std::uint16_t method) {
  switch (method) {
  case kMethodStored: return "stored";
  case 1: return "shrink";
  case 2:
  case 3:
  case 4:
  case 5: return "reduce";
  case 6: return "implode";
  case kMethodDeflate: return "deflate";
  case kMethodDeflate64: return "deflate64";
  case kMethodBzip2: return "bzip2";
  case kMethodLzma: return "LZMA";
  case kMethodZstandard: return "Zstandard";
  case kMethodXz: return "XZ";
  case 96: return "JPEG";
  case 97: return "WavPack";
  case 98: return "PPMd";
  case kMethodWinZipAes: return "AES encryption";
  default: return "unknown";
  }
}

static ZipError UnsupportedMethod(std::uint16_t method) {
  return ZipError(ZipErrorKind::Unsupported,
                  "compression method " + std::to_string(method) + " (" + MethodName(method) + ") is not supported");
}

std::unique_ptr<Compressor> MakeCompressor(std::uint16_t method, int level) {
  if (level < -1 || level > 9)
    throw ZipError(ZipErrorKind::Usage, "compression level " + std::to_string(level) + " is out of range (-1 to 9)");
  switch (method) {
  case kMethodStored: return MakeStoredCompressor();
  case kMethodDeflate: return MakeDeflateCompressor(level);
  case kMethodBzip2: return MakeBzip2Compressor(level);
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
