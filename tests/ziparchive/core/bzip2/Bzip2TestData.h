// Inputs for the bzip2 tests, made from a seed: random bytes and text-like data.
#pragma once

#include <cstddef>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

inline std::vector<std::uint8_t> RandomBytes(std::size_t length, unsigned seed) {
  std::mt19937 generator(seed);
  std::vector<std::uint8_t> bytes(length);
  for (auto& byte : bytes) byte = static_cast<std::uint8_t>(generator());
  return bytes;
}

// Words from a small vocabulary, lines, some indentation runs.
inline std::vector<std::uint8_t> TextBytes(std::size_t length, unsigned seed) {
  static const char* const kWords[] = {"static", "int", "return", "the",  "archive", "block", "{",   "}",
                                       "(",      ");",  "if",     "else", "for",     "while", "zip", "data"};
  std::mt19937 generator(seed);
  std::vector<std::uint8_t> bytes;
  while (bytes.size() < length) {
    if (generator() % 8 == 0) {
      bytes.push_back('\n');
      bytes.insert(bytes.end(), generator() % 12, ' ');
    }
    const char* word = kWords[generator() % 16];
    bytes.insert(bytes.end(), word, word + std::char_traits<char>::length(word));
    bytes.push_back(' ');
  }
  bytes.resize(length);
  return bytes;
}
