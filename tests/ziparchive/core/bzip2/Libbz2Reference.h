// The reference the bzip2 tests compare against: a whole input compressed by libbz2 in one call.
#pragma once

#include <bzlib.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

inline std::vector<std::uint8_t> Libbz2Compress(const std::vector<std::uint8_t>& input, int level) {
  auto capacity = static_cast<unsigned>(input.size() + input.size() / 100 + 1000);
  std::vector<std::uint8_t> out(capacity);
  char none = 0; // libbz2 refuses a null source even for no input
  char* source = input.empty() ? &none : const_cast<char*>(reinterpret_cast<const char*>(input.data()));
  EXPECT_EQ(BZ2_bzBuffToBuffCompress(reinterpret_cast<char*>(out.data()), &capacity, source,
                                     static_cast<unsigned>(input.size()), level, 0, 0),
            BZ_OK);
  out.resize(capacity);
  return out;
}
