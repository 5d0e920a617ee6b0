// The reference the bzip2 decoder is compared with, by its unit tests and its differential fuzz
// target: a whole stream decompressed by libbz2, or nothing when libbz2 refuses it, or when it gives
// more than `limit` bytes.
#pragma once

#include <bzlib.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <vector>

inline std::optional<std::vector<std::uint8_t>> Libbz2Decompress(const std::vector<std::uint8_t>& stream,
                                                                 std::size_t limit = SIZE_MAX) {
  bz_stream bz{};
  if (BZ2_bzDecompressInit(&bz, 0, 0) != BZ_OK) std::abort();
  std::vector<std::uint8_t> out(1u << 16);
  bz.next_in = const_cast<char*>(reinterpret_cast<const char*>(stream.data()));
  bz.avail_in = static_cast<unsigned>(stream.size());
  std::size_t used = 0;
  int result = BZ_OK;
  while (result == BZ_OK && used <= limit) {
    if (out.size() - used < 4096) out.resize(out.size() * 2);
    bz.next_out = reinterpret_cast<char*>(out.data() + used);
    bz.avail_out = static_cast<unsigned>(out.size() - used);
    result = BZ2_bzDecompress(&bz);
    used = out.size() - bz.avail_out;
    if (result == BZ_OK && bz.avail_in == 0 && bz.avail_out != 0) break; // wants more input
  }
  BZ2_bzDecompressEnd(&bz);
  if (result != BZ_STREAM_END || used > limit) return std::nullopt;
  out.resize(used);
  return out;
}
