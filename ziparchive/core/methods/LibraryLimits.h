// What the decoders of liblzma and libzstd may take from an entry's own say-so.
#pragma once

#include "core/ZipError.h"

#include <cstdint>
#include <string>

namespace zipcore {

// The memory one decoder may allocate for its dictionary or window. Writers use a few MiB to 64 MiB
// (xz -9, zstd -19); the bound keeps a forged header from reserving gigabytes, on 32-bit Windows too.
constexpr std::uint64_t kMaxDecoderMemory = std::uint64_t{1} << 30;

inline ZipError TooMuchMemory(const std::string& format) {
  return ZipError(ZipErrorKind::Unsupported, "the " + format + " data need more than 1 GiB of memory to decode");
}

} // namespace zipcore
