// The parallel bzip2 compressor: its bytes never depend on the number of threads, and the stream must
// stay standard. With libbz2's stages encoding every block (around our block sort), it must write
// exactly what libbz2 writes for the whole input at once: the blocks are cut and joined where and as
// libbz2 does.
#include "Bzip2TestData.h"
#include "Libbz2Reference.h"
#include "core/bzip2/Bzip2StreamJoiner.h"
#include "core/pack/ParallelBzip2Compressor.h"

#include <bzlib.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace zipcore {
namespace {

using Bytes = std::vector<std::uint8_t>;

struct Collect : ByteSink {
  Bytes bytes;
  void Put(const std::uint8_t* data, std::size_t length) override {
    EXPECT_LE(length, 64u * 1024u);
    bytes.insert(bytes.end(), data, data + length);
  }
};

enum class Blocks { Libbz2Only, OwnEncoderForSmall };

constexpr std::size_t kAllAtOnce = 0; // a piece size: the whole input through WriteAllAndEnd

Bytes Parallel(const Bytes& input, int level, unsigned threads, std::size_t piece = 65536,
               Blocks blocks = Blocks::Libbz2Only) {
  std::uint64_t ownBelow = blocks == Blocks::Libbz2Only ? 0 : Bzip2BlockEncoder::kOwnEncoderBelow;
  ParallelBzip2Compressor compressor(level, std::make_shared<Bzip2EncoderPool>(threads, ownBelow));
  Collect out;
  if (piece == kAllAtOnce) {
    compressor.WriteAllAndEnd(std::make_shared<const Bytes>(input), out);
  } else {
    for (std::size_t at = 0; at < input.size(); at += piece)
      compressor.Write(input.data() + at, std::min(piece, input.size() - at), out);
  }
  compressor.Finish(out);
  return out.bytes;
}

Bytes Decompress(const Bytes& stream, std::size_t expected) {
  Bytes out(expected + 1);
  unsigned length = static_cast<unsigned>(out.size());
  int result = BZ2_bzBuffToBuffDecompress(reinterpret_cast<char*>(out.data()), &length,
                                          const_cast<char*>(reinterpret_cast<const char*>(stream.data())),
                                          static_cast<unsigned>(stream.size()), 0, 0);
  EXPECT_EQ(result, BZ_OK);
  out.resize(length);
  return out;
}

Bytes Random(std::size_t length, unsigned seed) { return RandomBytes(length, seed); }
Bytes Text(std::size_t length, unsigned seed) { return TextBytes(length, seed); }

// Level 1 blocks end when the run-length encoded input reaches this many bytes.
constexpr std::size_t kLevel1Limit = 100000 - 19;

// With libbz2 for every block: libbz2's own bytes. As the program runs (our encoder for small
// blocks): the same bytes on any number of threads, decoded by libbz2 to the input. Either way the
// whole input given at once makes the same bytes as in pieces.
void ExpectSoundStreams(const Bytes& input, int level, const std::string& what) {
  Bytes expected = Libbz2Compress(input, level);
  Bytes ours = Parallel(input, level, 1, 65536, Blocks::OwnEncoderForSmall);
  EXPECT_EQ(Decompress(ours, input.size()), input) << what;
  EXPECT_EQ(Parallel(input, level, 2, kAllAtOnce), expected) << what << ", all at once";
  EXPECT_EQ(Parallel(input, level, 2, kAllAtOnce, Blocks::OwnEncoderForSmall), ours) << what << ", all at once";
  for (unsigned threads : {1u, 2u, 4u}) {
    EXPECT_EQ(Parallel(input, level, threads), expected) << what << ", " << threads << " threads";
    if (threads > 1) {
      EXPECT_EQ(Parallel(input, level, threads, 65536, Blocks::OwnEncoderForSmall), ours)
          << what << ", " << threads << " threads";
    }
  }
}

TEST(ParallelBzip2, SmallInputs) {
  ExpectSoundStreams({}, 9, "empty input");
  ExpectSoundStreams({'x'}, 9, "one byte");
  ExpectSoundStreams(Bytes(5, 'a'), 9, "one short run");
  ExpectSoundStreams(Text(70000, 1), 9, "text below one block");
  // Around the size where our own encoder takes over from libbz2.
  for (std::uint64_t length = Bzip2BlockEncoder::kOwnEncoderBelow - 1;
       length <= Bzip2BlockEncoder::kOwnEncoderBelow + 1; ++length)
    ExpectSoundStreams(Text(length, 2), 9, "text, " + std::to_string(length) + " bytes");
}

TEST(ParallelBzip2, InputsEndingAroundABlockBoundaryMatchLibbz2) {
  // Random bytes never repeat much, so the encoded length is close to the input length; the block
  // fills exactly at the limit, one byte before or after it.
  for (std::size_t length = kLevel1Limit - 2; length <= kLevel1Limit + 3; ++length)
    ExpectSoundStreams(Random(length, 7), 1, "random, " + std::to_string(length) + " bytes");
  for (std::size_t length = 2 * kLevel1Limit - 1; length <= 2 * kLevel1Limit + 2; ++length)
    ExpectSoundStreams(Random(length, 8), 1, "random, " + std::to_string(length) + " bytes");
}

TEST(ParallelBzip2, RunsAcrossABlockBoundaryMatchLibbz2) {
  // A run of 4 or more equal bytes is encoded as 4 bytes and a count (at most 255 per count), so a
  // run that straddles the limit decides where libbz2 cuts. Try runs of every interesting length at
  // several offsets around the limit.
  for (std::size_t runLength : {2u, 3u, 4u, 5u, 254u, 255u, 256u, 259u, 260u, 511u, 1000u}) {
    for (std::size_t before : {1u, 2u, 3u, 4u, 5u, 6u}) {
      Bytes input = Random(kLevel1Limit - before, static_cast<unsigned>(runLength + before));
      input.insert(input.end(), runLength, 0x41);
      Bytes tail = Random(5000, 3);
      input.insert(input.end(), tail.begin(), tail.end());
      ExpectSoundStreams(
          input, 1,
          "run of " + std::to_string(runLength) + " starting " + std::to_string(before) + " bytes before the limit");
    }
  }
}

TEST(ParallelBzip2, LargeInputsMatchLibbz2AndRoundTrip) {
  Bytes random = Random(3 * 1024 * 1024 + 17, 11);
  Bytes text = Text(6 * 1024 * 1024 + 5, 12);
  for (const Bytes* input : {&random, &text}) {
    Bytes expected = Libbz2Compress(*input, 9);
    for (unsigned threads : {1u, 2u, 4u}) {
      Bytes stream = Parallel(*input, -1, threads);
      ASSERT_EQ(stream, expected) << threads << " threads";
    }
    EXPECT_EQ(Decompress(expected, input->size()), *input);
  }
}

TEST(ParallelBzip2, LongRunsOfOneByteMatchLibbz2) {
  // A sparse or zero-filled file: each block covers tens of megabytes of input.
  Bytes zeros(60 * 1024 * 1024, 0);
  zeros[12345678] = 1;
  ExpectSoundStreams(zeros, 9, "60 MB of zeros");
}

TEST(ParallelBzip2, OutputDoesNotDependOnHowTheInputIsFed) {
  Bytes input = Text(3 * kLevel1Limit + 1234, 21);
  Bytes expected = Libbz2Compress(input, 1);
  for (std::size_t piece : {1u, 7u, 4096u, 99981u, 1000000u})
    EXPECT_EQ(Parallel(input, 1, 2, piece), expected) << "pieces of " << piece;
}

TEST(ParallelBzip2, StreamsAreReadByTheBzip2Tool) {
  if (std::system("bzip2 --help >/dev/null 2>&1") != 0) GTEST_SKIP() << "bzip2 is not installed";
  // Level 1 blocks of text end with a small block: libbz2's blocks and ours in one stream.
  Bytes input = Text(10 * kLevel1Limit + 3000, 31);
  Bytes stream = Parallel(input, 1, 2, 65536, Blocks::OwnEncoderForSmall);
  std::string path = ::testing::TempDir() + "parallel-bzip2-test.bz2";
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(stream.data()), static_cast<std::streamsize>(stream.size()));
  EXPECT_EQ(std::system(("bzip2 -t " + path).c_str()), 0);
  std::string command = "bzip2 -dc " + path + " | cmp -s - " + path + ".ref";
  std::ofstream(path + ".ref", std::ios::binary)
      .write(reinterpret_cast<const char*>(input.data()), static_cast<std::streamsize>(input.size()));
  EXPECT_EQ(std::system(command.c_str()), 0);
  std::remove(path.c_str());
  std::remove((path + ".ref").c_str());
}

TEST(Bzip2StreamJoiner, FindsTheBlockOfAOneBlockStreamAndRejectsOthers) {
  Bytes input = Text(50000, 41);
  Bytes stream = Libbz2Compress(input, 9);
  Bzip2BlockBits bits;
  ASSERT_TRUE(FindBzip2Block(stream.data(), stream.size(), bits));
  // A stream of one block has that block's CRC as its combined CRC; rejoining gives it back.
  Bzip2StreamJoiner joiner(9);
  joiner.AddBlock(bits);
  joiner.Finish();
  EXPECT_EQ(joiner.Output(), stream);

  Bytes damaged = stream;
  damaged[damaged.size() - 3] ^= 0x10; // inside the combined CRC
  EXPECT_FALSE(FindBzip2Block(damaged.data(), damaged.size(), bits));
  Bytes notBzip2(stream.begin() + 1, stream.end());
  EXPECT_FALSE(FindBzip2Block(notBzip2.data(), notBzip2.size(), bits));
  Bytes empty = Libbz2Compress({}, 9); // no block at all
  EXPECT_FALSE(FindBzip2Block(empty.data(), empty.size(), bits));
}

} // namespace
} // namespace zipcore
