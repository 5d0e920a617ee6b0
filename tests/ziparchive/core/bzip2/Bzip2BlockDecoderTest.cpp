// Our own bzip2 decoder must give exactly what libbz2 gives, refuse what libbz2 refuses, and leave to
// libbz2 what it does not handle, so that the archive reads the same whichever decoder ran.
#include "Libbz2Decompress.h"
#include "Libbz2Reference.h"
#include "Bzip2BlockWriter.h"

#include "core/bzip2/Bzip2StreamDecoder.h"
#include "core/extract/DecodeAhead.h"
#include "core/extract/ParallelBzip2Decompressor.h"
#include "core/extract/Bzip2DecoderShelf.h"
#include "core/ZipError.h"

#include <bzlib.h>
#include <gtest/gtest.h>
#include <zlib.h>

#include <optional>
#include <random>
#include <string>

namespace ziptest {
namespace {

using zipcore::Bzip2BlockDecoder;
using Bytes = Bzip2Bytes;
using Result = Bzip2BlockDecoder::Result;

Result Ours(const Bytes& stream, Bytes& out) {
  Bzip2BlockDecoder decoder;
  return zipcore::DecodeBzip2Stream(stream.data(), stream.size(), out, SIZE_MAX, decoder);
}

// Ours succeeds exactly where libbz2 does, with the same bytes; a block we leave to libbz2 is fine.
void ExpectSameAsLibbz2(const Bytes& stream, const std::string& what) {
  Bytes ours;
  const Result result = Ours(stream, ours);
  const std::optional<Bytes> theirs = Libbz2Decompress(stream);
  if (result == Result::Ok) {
    ASSERT_TRUE(theirs.has_value()) << what << ": ours decoded what libbz2 refuses";
    EXPECT_TRUE(ours == *theirs) << what << ": different bytes";
  } else if (result == Result::Damaged) {
    EXPECT_FALSE(theirs.has_value()) << what << ": ours refused what libbz2 decodes";
  }
}

Bytes Text(std::size_t length, unsigned seed) {
  static const char* words[] = {"int ", "return ", "(x)", ";\n", "  ", "struct ", "{", "}\n", "const ", "char* "};
  std::mt19937 generator(seed);
  Bytes bytes;
  while (bytes.size() < length) {
    const char* word = words[generator() % 10];
    bytes.insert(bytes.end(), word, word + std::char_traits<char>::length(word));
  }
  bytes.resize(length);
  return bytes;
}

Bytes Random(std::size_t length, unsigned seed) {
  std::mt19937 generator(seed);
  Bytes bytes(length);
  for (auto& b : bytes) b = static_cast<std::uint8_t>(generator());
  return bytes;
}

TEST(Bzip2BlockDecoder, GivesWhatLibbz2Gives) {
  std::vector<std::pair<std::string, Bytes>> inputs = {{"empty", {}}, {"one byte", {'x'}}};
  for (std::size_t run : {3u, 4u, 5u, 8u, 255u, 256u, 259u, 260u, 1000u, 100000u}) {
    Bytes bytes(run, 'a');
    inputs.push_back({"a run of " + std::to_string(run), bytes});
    bytes.push_back('b');
    bytes.insert(bytes.end(), run, 'b');
    inputs.push_back({"two runs of " + std::to_string(run), bytes});
  }
  Bytes all;
  for (int b = 0; b < 256; ++b) all.push_back(static_cast<std::uint8_t>(b));
  inputs.push_back({"every byte value", all});
  Bytes allRuns;
  for (int b = 255; b >= 0; --b)
    allRuns.insert(allRuns.end(), static_cast<std::size_t>(b % 7 + 1), static_cast<std::uint8_t>(b));
  inputs.push_back({"every byte value in short runs", allRuns});
  inputs.push_back({"random bytes", Random(300000, 1)});
  inputs.push_back({"text", Text(500000, 2)});
  for (auto& [what, input] : inputs) {
    Bytes stream = Libbz2Compress(input, 9);
    Bytes ours;
    ASSERT_EQ(Ours(stream, ours), Result::Ok) << what;
    EXPECT_TRUE(ours == input) << what;
  }
}

TEST(Bzip2BlockDecoder, EveryLevelAndStreamsOfManyBlocks) {
  const Bytes text = Text(2300000, 3);
  for (int level = 1; level <= 9; ++level) {
    Bytes ours;
    ASSERT_EQ(Ours(Libbz2Compress(text, level), ours), Result::Ok) << "level " << level;
    EXPECT_TRUE(ours == text) << "level " << level;
  }
  // Random data of 900 kB makes a full block: about 18,000 selectors over six groups.
  const Bytes random = Random(2000000, 4);
  Bytes ours;
  ASSERT_EQ(Ours(Libbz2Compress(random, 9), ours), Result::Ok);
  EXPECT_TRUE(ours == random);
}

TEST(Bzip2BlockDecoder, SkewedDataUsesLongCodes) {
  // Byte k with probability about 2^-k: many move-to-front indices get codes longer than 10 bits.
  std::mt19937 generator(5);
  Bytes skewed(800000);
  for (auto& b : skewed) {
    int k = 0;
    while (k < 40 && generator() % 2 == 0) ++k;
    b = static_cast<std::uint8_t>(k * 5);
  }
  Bytes ours;
  ASSERT_EQ(Ours(Libbz2Compress(skewed, 9), ours), Result::Ok);
  EXPECT_TRUE(ours == skewed);
}

TEST(Bzip2BlockDecoder, CraftedBlocksDecodeAsLibbz2DecodesThem) {
  const Bytes text = Text(3000, 6);
  {
    Bzip2TestBlock block(text, false, 6); // six groups, each its own code, in turn
    for (std::size_t g = 0; g < 6; ++g)
      std::rotate(block.lengths[g].begin(), block.lengths[g].begin() + static_cast<std::ptrdiff_t>(g),
                  block.lengths[g].end());
    for (std::size_t i = 0; i < block.selectors.size(); ++i) block.selectors[i] = static_cast<std::uint8_t>(i % 6);
    block.EncodeSelectors();
    Bytes ours;
    ASSERT_EQ(Ours(Bzip2TestStream(1, {block}), ours), Result::Ok);
    EXPECT_TRUE(ours == block.output);
    ExpectSameAsLibbz2(Bzip2TestStream(1, {block}), "six groups");
  }
  {
    // Codes of every length from 1 to 20: the alphabet of 19 bytes plus RUNA and RUNB.
    Bytes bytes;
    for (int i = 0; i < 2000; ++i) bytes.push_back(static_cast<std::uint8_t>('a' + (i * 7 + i / 19) % 19));
    Bzip2TestBlock block(bytes);
    ASSERT_EQ(block.lengths[0].size(), 21u);
    for (std::size_t s = 0; s < 21; ++s)
      block.lengths[0][s] = block.lengths[1][s] = static_cast<std::uint8_t>(std::min<std::size_t>(s + 1, 20));
    Bytes ours;
    ASSERT_EQ(Ours(Bzip2TestStream(1, {block}), ours), Result::Ok);
    EXPECT_TRUE(ours == block.output);
    ExpectSameAsLibbz2(Bzip2TestStream(1, {block}), "codes up to 20 bits");
  }
  {
    // Codes that leave part of the code space unused are still a prefix code.
    Bzip2TestBlock block(Bytes{'x', 'y', 'x', 'y', 'y'});
    block.lengths[0] = block.lengths[1] = {3, 3, 3, 3};
    Bytes ours;
    ASSERT_EQ(Ours(Bzip2TestStream(1, {block}), ours), Result::Ok);
    EXPECT_TRUE(ours == block.output);
    ExpectSameAsLibbz2(Bzip2TestStream(1, {block}), "incomplete code");
  }
  {
    // More selectors than libbz2 keeps (18,002; up to 32,767 may be written): the rest are read and dropped.
    Bzip2TestBlock block(text);
    block.selectorMtf.resize(32767, 1);
    Bytes ours;
    ASSERT_EQ(Ours(Bzip2TestStream(1, {block}), ours), Result::Ok);
    EXPECT_TRUE(ours == block.output);
    ExpectSameAsLibbz2(Bzip2TestStream(1, {block}), "32,767 selectors");
  }
}

// Damaged symbols can make rows that form several cycles instead of one; our decoder then reads the
// text exactly as libbz2 does (shown with the CRC of what it read, so that both accept the block).
TEST(Bzip2BlockDecoder, BlocksOfSeveralCyclesReadAsLibbz2ReadsThem) {
  for (unsigned seed = 0; seed < 20; ++seed) {
    Bzip2TestBlock block(Text(301, 20 + seed));
    std::mt19937 generator(seed);
    for (int swaps = 0; swaps < 3; ++swaps) {
      std::size_t a = generator() % (block.symbols.size() - 1), b = generator() % (block.symbols.size() - 1);
      std::swap(block.symbols[a], block.symbols[b]);
    }
    Bytes stream = Bzip2TestStream(1, {block});
    Bzip2BlockDecoder decoder;
    Bytes ours;
    decoder.Decode(stream.data(), stream.size(), 32, 1, ours);
    if (!decoder.DecodedCrc()) continue; // the swaps spoilt more than the cycles
    block.crc = *decoder.DecodedCrc();
    stream = Bzip2TestStream(1, {block});
    ASSERT_EQ(Ours(stream, ours), Result::Ok) << seed;
    ExpectSameAsLibbz2(stream, "swapped symbols, seed " + std::to_string(seed));
  }
}

TEST(Bzip2BlockDecoder, SpoiltFieldsAreRefused) {
  const Bytes text = Text(2000, 7);
  auto refused = [](const Bzip2TestBlock& block, int level = 1) {
    const Bytes stream = Bzip2TestStream(level, {block});
    Bytes ours;
    EXPECT_FALSE(Libbz2Decompress(stream).has_value()) << "libbz2 takes it";
    return Ours(stream, ours);
  };
  Bzip2TestBlock block(text);
  block.origPtr = static_cast<std::uint32_t>(text.size());
  EXPECT_EQ(refused(block), Result::Damaged) << "origPtr past the block";
  block = Bzip2TestBlock(text);
  block.crc ^= 1;
  EXPECT_EQ(refused(block), Result::Damaged) << "wrong block CRC";
  block = Bzip2TestBlock(text);
  block.selectorMtf[0] = 2;
  EXPECT_EQ(refused(block), Result::Damaged) << "selector of a third group of two";
  block = Bzip2TestBlock(text);
  block.selectorMtf.resize(1);
  EXPECT_EQ(refused(block), Result::Damaged) << "fewer selectors than groups of symbols";
  block = Bzip2TestBlock(text);
  block.selectorMtf.clear();
  EXPECT_EQ(refused(block), Result::Damaged) << "no selectors";
  block = Bzip2TestBlock(text);
  block.lengths.resize(1);
  EXPECT_EQ(refused(block), Result::Damaged) << "one group";
  block = Bzip2TestBlock(text);
  block.lengths.resize(7, block.lengths[0]);
  EXPECT_EQ(refused(block), Result::Damaged) << "seven groups";
  block = Bzip2TestBlock(text);
  block.lengths[1][3] = 21;
  EXPECT_EQ(refused(block), Result::Damaged) << "code length 21";
  block = Bzip2TestBlock(text);
  block.lengths[0][0] = 0;
  EXPECT_EQ(refused(block), Result::Damaged) << "code length 0";
  block = Bzip2TestBlock(text);
  block.used.clear();
  EXPECT_EQ(refused(block), Result::Damaged) << "no byte values used";
  // 100,001 equal bytes in one run at level 1 (blocks of 100,000): too many for the block.
  block = Bzip2TestBlock(Bytes{'a', 'b'});
  block.symbols = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 3}; // 2^17 - 1 copies of 'a', 'b', end
  block.selectors.assign(1, 0);
  block.EncodeSelectors();
  EXPECT_EQ(refused(block, 1), Result::Damaged) << "a run longer than the block";
  block.symbols.assign(24, 1); // RUNB 24 times: more than any block
  block.symbols.push_back(3);
  EXPECT_EQ(refused(block, 9), Result::Damaged) << "a run of 24 digits";
  block = Bzip2TestBlock(Bytes{'x', 'a', 'a', 'a', 'a'});
  EXPECT_EQ(refused(block), Result::Damaged) << "four equal bytes without a count";
  block = Bzip2TestBlock(text);
  block.symbols.pop_back(); // no end of block
  EXPECT_EQ(refused(block), Result::Damaged) << "no end of block";
}

TEST(Bzip2BlockDecoder, DamagedAndCutStreamsAgreeWithLibbz2) {
  Bytes input = Text(150000, 8);
  input.insert(input.end(), 600, 'z');
  const Bytes stream = Libbz2Compress(input, 1);
  std::mt19937 generator(9);
  for (int i = 0; i < 300; ++i) {
    Bytes bad = stream;
    bad[generator() % bad.size()] ^= static_cast<std::uint8_t>(1u << (generator() % 8));
    ExpectSameAsLibbz2(bad, "bit flip " + std::to_string(i));
  }
  for (std::size_t length = 0; length < stream.size(); length += 1 + length / 3) {
    Bytes cut(stream.begin(), stream.begin() + static_cast<std::ptrdiff_t>(length));
    Bytes ours;
    EXPECT_EQ(Ours(cut, ours), Result::Damaged) << "cut at " << length;
  }
}

// A randomised block (written by bzip2 before 0.9.5) is left to libbz2 by our decoder; the archive
// core still reads it, in memory and on worker threads.
TEST(Bzip2BlockDecoder, RandomisedBlocksAreLeftToLibbz2) {
  const Bzip2TestBlock plain(Text(3000, 10)), randomised(Text(3000, 11), true);
  const Bytes stream = Bzip2TestStream(1, {plain, randomised, plain});
  Bytes expected = plain.output;
  expected.insert(expected.end(), randomised.output.begin(), randomised.output.end());
  expected.insert(expected.end(), plain.output.begin(), plain.output.end());
  ASSERT_TRUE(Libbz2Decompress(stream) == expected) << "the test's randomised block is wrong";
  Bytes ours;
  EXPECT_EQ(Ours(stream, ours), Result::NotHandled);

  zipcore::ZipEntry entry;
  entry.name = "old.txt";
  entry.method = zipcore::kMethodBzip2;
  entry.uncompressedSize = expected.size();
  entry.crc32 = static_cast<std::uint32_t>(crc32(0, expected.data(), static_cast<uInt>(expected.size())));
  Bytes inMemory;
  zipcore::Bzip2DecoderShelf decoders;
  zipcore::DecodeEntryInMemory(entry, stream.data(), stream.size(), inMemory, decoders);
  EXPECT_TRUE(inMemory == expected);

  struct Collect : zipcore::ByteSink {
    Bytes bytes;
    void Put(const std::uint8_t* data, std::size_t length) override { bytes.insert(bytes.end(), data, data + length); }
  } collected;
  zipcore::ParallelBzip2Decompressor parallel(std::make_shared<zipcore::WorkerPool>(2));
  EXPECT_TRUE(parallel.Write(stream.data(), stream.size(), collected));
  EXPECT_TRUE(collected.bytes == expected);
}

// The in-memory path refuses damaged entries with the same errors as before.
TEST(Bzip2BlockDecoder, EntriesInMemoryAreCheckedAsBefore) {
  const Bytes input = Text(200000, 12);
  Bytes stream = Libbz2Compress(input, 1);
  zipcore::ZipEntry entry;
  entry.name = "a.txt";
  entry.method = zipcore::kMethodBzip2;
  entry.uncompressedSize = input.size();
  entry.crc32 = static_cast<std::uint32_t>(crc32(0, input.data(), static_cast<uInt>(input.size())));
  Bytes out;
  zipcore::Bzip2DecoderShelf decoders;
  zipcore::DecodeEntryInMemory(entry, stream.data(), stream.size(), out, decoders);
  EXPECT_TRUE(out == input);
  auto kind = [&](zipcore::ZipEntry e, const Bytes& data) -> std::optional<zipcore::ZipErrorKind> {
    try {
      zipcore::DecodeEntryInMemory(e, data.data(), data.size(), out, decoders);
    } catch (const zipcore::ZipError& error) {
      return error.Kind();
    }
    return std::nullopt;
  };
  zipcore::ZipEntry wrongCrc = entry;
  wrongCrc.crc32 ^= 1;
  EXPECT_EQ(kind(wrongCrc, stream), zipcore::ZipErrorKind::CorruptEntry);
  zipcore::ZipEntry shorter = entry;
  shorter.uncompressedSize -= 1;
  EXPECT_EQ(kind(shorter, stream), zipcore::ZipErrorKind::CorruptEntry);
  zipcore::ZipEntry longer = entry;
  longer.uncompressedSize += 1;
  EXPECT_EQ(kind(longer, stream), zipcore::ZipErrorKind::CorruptEntry);
  stream[stream.size() / 2] ^= 0x10;
  EXPECT_EQ(kind(entry, stream), zipcore::ZipErrorKind::CorruptEntry);
}

} // namespace
} // namespace ziptest
