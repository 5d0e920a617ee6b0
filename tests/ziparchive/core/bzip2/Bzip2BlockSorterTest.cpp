// The block sort for large bzip2 blocks. Its order (and the transform taken straight from it) must be
// that of the block's rotations, and the stream written around it (by our stages with libbz2's choice
// of tables, or by libbz2's stages) must be libbz2's own for the same block, byte for byte; where a
// block is periodic several rotations are equal, and the origin pointer may name any of them, as long
// as libbz2 decodes the stream to the input.
#include "Bzip2TestData.h"
#include "Libbz2Reference.h"
#include "core/bzip2/Bzip2BlockEncoder.h"
#include "core/bzip2/Bzip2StreamJoiner.h"
#include "core/bzip2/Bzip2BlockSorter.h"

#include <bzlib.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

namespace zipcore {
namespace {

using Bytes = std::vector<std::uint8_t>;

// The transform as the decoder sees it: the byte before each rotation in the given order.
std::string LastColumn(const Bytes& block, const std::vector<std::uint32_t>& order) {
  std::string column;
  for (std::uint32_t start : order) column += static_cast<char>(block[(start + block.size() - 1) % block.size()]);
  return column;
}

void ExpectSortedRotations(const Bytes& block, const std::string& what) {
  const auto length = static_cast<std::uint32_t>(block.size());
  auto less = [&](std::uint32_t a, std::uint32_t b) {
    for (std::uint32_t d = 0; d < length; ++d) {
      std::uint8_t x = block[(a + d) % length], y = block[(b + d) % length];
      if (x != y) return x < y;
    }
    return false;
  };
  std::vector<std::uint32_t> expected(length);
  for (std::uint32_t i = 0; i < length; ++i) expected[i] = i;
  std::stable_sort(expected.begin(), expected.end(), less);

  static Bzip2BlockSorter sorter; // reused, as each encoder reuses its own
  std::vector<std::uint32_t> order(length);
  std::uint32_t origin = sorter.Sort(block.data(), length, order.data());
  std::vector<std::uint32_t> starts = order;
  std::sort(starts.begin(), starts.end());
  for (std::uint32_t i = 0; i < length; ++i) ASSERT_EQ(starts[i], i) << what << ": not every rotation once";
  const std::string column = LastColumn(block, expected);
  EXPECT_EQ(LastColumn(block, order), column) << what;
  ASSERT_LT(origin, length) << what;
  EXPECT_EQ(order[origin], 0u) << what;

  // The transform alone: the same column as ranks of the values used, the same origin.
  std::vector<bool> used(256);
  for (std::uint8_t byte : block) used[byte] = true;
  std::string ranks;
  for (char byte : column)
    ranks += static_cast<char>(std::count(used.begin(), used.begin() + static_cast<std::uint8_t>(byte), true));
  std::string last(length, '\0');
  EXPECT_EQ(sorter.Transform(block.data(), length, reinterpret_cast<std::uint8_t*>(last.data())), origin) << what;
  EXPECT_EQ(last, ranks) << what;
}

Bytes Of(const std::string& text) { return Bytes(text.begin(), text.end()); }

TEST(Bzip2BlockSorter, OrdersRotationsAsAPlainComparisonDoes) {
  for (const char* text : {"a", "ab", "ba", "aa", "banana", "abab", "ababa", "aabab", "abcabcabc", "cba", "mississippi",
                           "zzzzzzzy", "yzzzzzzz", "abaababaabaab"})
    ExpectSortedRotations(Of(text), text);
  // Small blocks over alphabets of one to four letters, some of them periodic or nearly so.
  std::mt19937 generator(5);
  for (int round = 0; round < 3000; ++round) {
    Bytes block(1 + generator() % 40);
    const unsigned letters = 1 + generator() % 4;
    for (auto& byte : block) byte = static_cast<std::uint8_t>('a' + generator() % letters);
    if (round % 3 == 1) {
      const std::size_t period = 1 + generator() % 6;
      for (std::size_t i = period; i < block.size(); ++i) block[i] = block[i - period];
    }
    ExpectSortedRotations(block, "round " + std::to_string(round) + ": " + std::string(block.begin(), block.end()));
  }
}

TEST(Bzip2BlockSorter, ShortBlocksSortAlikeWhateverTheirAlphabet) {
  // Short blocks of at most 128 byte values are sorted by a build of the sort for such alphabets, the
  // others by the usual one: both sides of that line, and values spread over the whole byte range.
  std::mt19937 generator(9);
  for (unsigned values : {2u, 127u, 128u, 129u, 256u}) {
    Bytes block(3000 + values);
    for (std::size_t i = 0; i < block.size(); ++i)
      block[i] =
          static_cast<std::uint8_t>(i < values ? i * 255 / std::max(values - 1, 1u) : block[generator() % values]);
    ExpectSortedRotations(block, std::to_string(values) + " byte values");
  }
}

// Fibonacci words: the classic worst case of sorts that compare rotations from their start.
Bytes Fibonacci(std::size_t length) {
  std::string previous = "a", current = "ab";
  while (current.size() < length) {
    std::string next = current + previous;
    previous.swap(current);
    current.swap(next);
  }
  return Bytes(current.begin(), current.begin() + static_cast<std::ptrdiff_t>(length));
}

Bytes Repeated(const Bytes& unit, std::size_t length) {
  Bytes bytes(length);
  for (std::size_t i = 0; i < length; ++i) bytes[i] = unit[i % unit.size()];
  return bytes;
}

Bytes Runs(std::size_t length, unsigned seed) {
  std::mt19937 generator(seed);
  Bytes bytes;
  while (bytes.size() < length)
    bytes.insert(bytes.end(), 1 + generator() % 300, static_cast<std::uint8_t>(generator() % 6));
  bytes.resize(length);
  return bytes;
}

// A compiled program: the test binary itself.
Bytes Binary(std::size_t length) {
  std::ifstream file("/proc/self/exe", std::ios::binary);
  Bytes bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  bytes.resize(std::min(bytes.size(), length));
  return bytes;
}

// The origin pointer of a one-block stream: 24 bits after "BZh", the level, the block magic, the CRC
// and the randomised bit.
Bytes WithoutOrigin(Bytes stream) {
  for (int bit = 113; bit < 113 + 24; ++bit) stream[bit / 8] &= static_cast<std::uint8_t>(~(0x80 >> (bit % 8)));
  return stream;
}

Bytes Decompress(const Bytes& stream, std::size_t expected) {
  Bytes out(expected + 1);
  unsigned length = static_cast<unsigned>(out.size());
  EXPECT_EQ(BZ2_bzBuffToBuffDecompress(reinterpret_cast<char*>(out.data()), &length,
                                       const_cast<char*>(reinterpret_cast<const char*>(stream.data())),
                                       static_cast<unsigned>(stream.size()), 0, 0),
            BZ_OK);
  out.resize(length);
  return out;
}

TEST(Bzip2BlockSorter, LargeBlocksOfEveryKindAreLibbz2sOwn) {
  struct Case {
    const char* what;
    Bytes input;
    int level;
    bool periodic; // equal rotations: the origin pointer may differ from libbz2's
  };
  const Bytes unit = RandomBytes(1000, 3);
  Bytes nearlyPeriodic = Repeated(unit, 800000);
  for (std::size_t at = 1234; at < nearlyPeriodic.size(); at += 99991) nearlyPeriodic[at] ^= 0x20;
  const Case cases[] = {
      {"text", TextBytes(880000, 1), 9, false},
      {"text at level 1", TextBytes(99000, 2), 1, false},
      {"a short text", TextBytes(3000, 7), 9, false},
      {"one byte", Of("x"), 9, false},
      {"a compiled program", Binary(850000), 9, false},
      {"runs of a few byte values", Runs(2000000, 4), 9, false},
      {"random bytes", RandomBytes(899000, 5), 9, false},
      {"random bytes at level 4", RandomBytes(399000, 6), 4, false},
      {"a Fibonacci word", Fibonacci(890000), 9, false},
      {"one unit repeated, a whole number of times", Repeated(unit, 800000), 9, true},
      {"one unit repeated, cut short", Repeated(unit, 800777), 9, false},
      {"one unit repeated with a few changes", nearlyPeriodic, 9, false},
      {"one byte, 10 MB", Bytes(10000000, 'z'), 9, true},
      {"two bytes alternating", Repeated(Of("xy"), 600000), 9, true},
  };
  // Every block as libbz2 would write it: by our own stages, and by libbz2's stages around our sort
  // for blocks of all sizes.
  Bzip2BlockEncoder ownStages(0);
  Bzip2BlockEncoder libbz2Stages(0, 1, Bzip2BlockEncoder::LargeBlocks::Libbz2Stages);
  Bytes stream;
  for (const Case& c : cases) {
    Bytes expected = Libbz2Compress(c.input, c.level);
    Bzip2BlockBits block;
    ASSERT_TRUE(FindBzip2Block(expected.data(), expected.size(), block)) << c.what << " must fit one block";
    Bzip2BlockData data;
    for (std::uint8_t byte : c.input) data.Append(byte);
    for (Bzip2BlockEncoder* encoder : {&ownStages, &libbz2Stages}) {
      const std::string what = std::string(c.what) + (encoder == &ownStages ? ", our stages" : ", libbz2's stages");
      encoder->Encode(data, c.level, stream);
      if (c.periodic) {
        EXPECT_EQ(WithoutOrigin(stream), WithoutOrigin(expected)) << what;
        EXPECT_EQ(Decompress(stream, c.input.size()), c.input) << what;
      } else {
        EXPECT_EQ(stream, expected) << what;
      }
    }
  }
  EXPECT_EQ(libbz2Stages.Libbz2SortFallbacks(), 0u) << "libbz2's own sort ran instead of ours";
}

} // namespace
} // namespace zipcore
