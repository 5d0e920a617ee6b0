// Our own encoder for small bzip2 blocks: every stream must be a standard one that libbz2 decodes to
// the input, in the shape the stream joiner takes, and about as small as libbz2's.
#include "Libbz2Reference.h"
#include "core/bzip2/Bzip2BlockEncoder.h"
#include "core/bzip2/Bzip2OwnBlockEncoder.h"
#include "core/bzip2/Bzip2StreamJoiner.h"

#include <bzlib.h>
#include <gtest/gtest.h>

#include <random>
#include <stdexcept>
#include <string>
#include <vector>

namespace zipcore {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Encode(const Bytes& input, int level = 9) {
  Bzip2OwnBlockEncoder encoder;
  Bytes stream;
  encoder.Encode(input.data(), input.size(), level, stream);
  return stream;
}

// libbz2's decoding, or a note of why it failed.
::testing::AssertionResult DecodesTo(const Bytes& stream, const Bytes& expected) {
  Bytes out(expected.size() + 1);
  unsigned length = static_cast<unsigned>(out.size());
  int result = BZ2_bzBuffToBuffDecompress(reinterpret_cast<char*>(out.data()), &length,
                                          const_cast<char*>(reinterpret_cast<const char*>(stream.data())),
                                          static_cast<unsigned>(stream.size()), 0, 0);
  if (result != BZ_OK) return ::testing::AssertionFailure() << "libbz2 says " << result;
  out.resize(length);
  if (out != expected) return ::testing::AssertionFailure() << "decoded to other bytes (" << length << ")";
  return ::testing::AssertionSuccess();
}

Bytes Random(std::size_t length, unsigned seed, unsigned alphabet = 256) {
  std::mt19937 generator(seed);
  Bytes bytes(length);
  for (auto& byte : bytes) byte = static_cast<std::uint8_t>(generator() % alphabet);
  return bytes;
}

Bytes Repeat(const std::string& pattern, std::size_t length) {
  Bytes bytes(length);
  for (std::size_t i = 0; i < length; ++i) bytes[i] = static_cast<std::uint8_t>(pattern[i % pattern.size()]);
  return bytes;
}

// Source-like text: words, punctuation, newlines and runs of indentation.
Bytes Text(std::size_t length, unsigned seed) {
  static const char* const kWords[] = {"static", "int", "return", "the", "archive", "block", "{",    "}",  "(",
                                       ");",     "if",  "else",   "for", "while",   "zip",   "data", "//", "std::"};
  std::mt19937 generator(seed);
  Bytes bytes;
  while (bytes.size() < length) {
    if (generator() % 6 == 0) {
      bytes.push_back('\n');
      bytes.insert(bytes.end(), 2 * (generator() % 6), ' ');
    }
    std::string word = kWords[generator() % 18];
    bytes.insert(bytes.end(), word.begin(), word.end());
    bytes.push_back(generator() % 5 ? ' ' : static_cast<std::uint8_t>('a' + generator() % 26));
  }
  bytes.resize(length);
  return bytes;
}

struct Case {
  std::string name;
  Bytes input;
};

std::vector<Case> Cases() {
  const std::size_t limit = Bzip2BlockEncoder::kOwnEncoderBelow;
  std::vector<Case> cases = {
      {"one byte", {'x'}},
      {"one zero byte", {0}},
      {"two equal bytes", {7, 7}},
      {"two bytes", {'a', 'b'}},
      {"every byte value", {}},
      {"every byte value, falling, twice", {}},
      {"ab repeated", Repeat("ab", 5000)},
      {"abc repeated", Repeat("abc", limit - 1)},
      {"a period of 5 (as runs of 255 become)", Repeat("qqqq\xfb", 3000)},
      {"a period longer than half the input", Repeat(std::string(700, 'x') + "y", 1200)},
      {"random", Random(limit - 1, 1)},
      {"random over 4 values", Random(6000, 2, 4)},
      {"random over 2 values", Random(3001, 3, 2)},
      {"text", Text(limit - 1, 4)},
      {"short text", Text(37, 5)},
  };
  for (int v = 0; v < 256; ++v) cases[4].input.push_back(static_cast<std::uint8_t>(v));
  for (int round = 0; round < 2; ++round)
    for (int v = 255; v >= 0; --v) cases[5].input.push_back(static_cast<std::uint8_t>(v));
  // Runs around the lengths where the initial run-length coding changes: 4 and 255 (a run starts over).
  for (std::size_t run : {3u, 4u, 5u, 254u, 255u, 256u, 258u, 259u, 260u, 510u, 511u, 1000u})
    cases.push_back({"a run of " + std::to_string(run), Bytes(run, 'z')});
  // Short runs at each place within a word, and at the very end.
  for (unsigned offset = 0; offset < 14; ++offset) {
    for (std::size_t run : {3u, 4u, 5u}) {
      Bytes input = Random(offset, 20 + offset);
      input.insert(input.end(), run, 'r');
      input.insert(input.end(), offset % 3, 's');
      cases.push_back({"a run of " + std::to_string(run) + " after " + std::to_string(offset) + " bytes", input});
    }
  }
  cases.push_back({"one byte value only", Bytes(limit - 1, 0)});
  for (std::size_t run : {4u, 255u, 256u}) {
    Bytes mixed = Text(500, 6);
    mixed.insert(mixed.end(), run, ' ');
    Bytes tail = Text(500, 7);
    mixed.insert(mixed.end(), tail.begin(), tail.end());
    cases.push_back({"text around a run of " + std::to_string(run), mixed});
  }
  for (std::size_t length : {100u, 1000u, 4096u, 9999u, 10000u})
    if (length <= limit) cases.push_back({"text of " + std::to_string(length), Text(length, 8 + unsigned(length))});
  return cases;
}

TEST(Bzip2OwnBlockEncoder, StreamsDecodeWithLibbz2ToTheInput) {
  for (const Case& c : Cases()) {
    Bytes stream = Encode(c.input);
    EXPECT_TRUE(DecodesTo(stream, c.input)) << c.name;
    // The joiner finds the one block, with the CRC libbz2 writes for the same input.
    Bzip2BlockBits ours;
    Bzip2BlockBits theirs;
    Bytes reference = Libbz2Compress(c.input, 9);
    ASSERT_TRUE(FindBzip2Block(stream.data(), stream.size(), ours)) << c.name;
    ASSERT_TRUE(FindBzip2Block(reference.data(), reference.size(), theirs)) << c.name;
    EXPECT_EQ(ours.blockCrc, theirs.blockCrc) << c.name;
  }
}

TEST(Bzip2OwnBlockEncoder, EveryLevelNamesItselfInTheHeader) {
  Bytes input = Text(3000, 9);
  for (int level = 1; level <= 9; ++level) {
    Bytes stream = Encode(input, level);
    ASSERT_GE(stream.size(), 4u);
    EXPECT_EQ(stream[3], '0' + level);
    EXPECT_TRUE(DecodesTo(stream, input)) << "level " << level;
  }
}

TEST(Bzip2OwnBlockEncoder, BlocksOfAWholeLevelOneBlockDecode) {
  // Beyond the sizes it is used for, the encoder still writes sound blocks up to the block size.
  Bzip2OwnBlockEncoder encoder;
  for (const Bytes& input : {Text(99000, 10), Random(99981, 11), Repeat("abcabcabd", 99000), Bytes(400000, 'a')}) {
    Bytes stream;
    encoder.Encode(input.data(), input.size(), 1, stream);
    EXPECT_TRUE(DecodesTo(stream, input)) << input.size() << " bytes";
  }
}

TEST(Bzip2OwnBlockEncoder, BytesDependOnlyOnTheInput) {
  // An encoder reused after other blocks writes what a fresh one writes.
  Bzip2OwnBlockEncoder reused;
  Bytes stream;
  for (const Case& c : Cases()) {
    reused.Encode(c.input.data(), c.input.size(), 9, stream);
    EXPECT_EQ(stream, Encode(c.input)) << c.name;
  }
}

TEST(Bzip2OwnBlockEncoder, CompressesAboutAsWellAsLibbz2) {
  std::size_t ours = 0;
  std::size_t theirs = 0;
  for (unsigned seed = 0; seed < 40; ++seed) {
    Bytes input = Text(200 + seed * 240, 100 + seed);
    ours += Encode(input).size();
    theirs += Libbz2Compress(input, 9).size();
  }
  EXPECT_LE(ours, theirs + theirs / 100) << "ours " << ours << ", libbz2 " << theirs;
}

TEST(Bzip2OwnBlockEncoder, RefusesWhatIsNotABlock) {
  Bzip2OwnBlockEncoder encoder;
  Bytes stream;
  std::uint8_t byte = 1;
  EXPECT_THROW(encoder.Encode(&byte, 0, 9, stream), std::logic_error);
  EXPECT_THROW(encoder.Encode(&byte, 1, 0, stream), std::logic_error);
  // More than a level 1 block holds after the initial run-length coding.
  Bytes tooLarge = Random(100001, 12);
  EXPECT_THROW(encoder.Encode(tooLarge.data(), tooLarge.size(), 1, stream), std::logic_error);
}

} // namespace
} // namespace zipcore
