// Decoding bzip2 blocks on several threads must give exactly what libbz2 gives, and call damaged
// whatever libbz2 calls damaged.
#include "Libbz2Reference.h"
#include "core/extract/ParallelBzip2Decompressor.h"
#include "core/ZipError.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace zipcore {
namespace {

using Bytes = std::vector<std::uint8_t>;

struct Collect : ByteSink {
  Bytes bytes;
  void Put(const std::uint8_t* data, std::size_t length) override { bytes.insert(bytes.end(), data, data + length); }
};

// Decodes `stream` fed in pieces of `piece` bytes; returns whether the end was seen.
bool Decode(const Bytes& stream, Bytes& output, std::size_t piece = 65536, unsigned threads = 2) {
  ParallelBzip2Decompressor decoder(std::make_shared<WorkerPool>(threads));
  Collect out;
  bool finished = false;
  for (std::size_t at = 0; at < stream.size() && !finished; at += piece)
    finished = decoder.Write(stream.data() + at, std::min(piece, stream.size() - at), out);
  output = out.bytes;
  return finished;
}

Bytes Mixed(std::size_t length, unsigned seed) {
  std::mt19937 generator(seed);
  Bytes bytes;
  while (bytes.size() < length) {
    std::size_t run = generator() % 8 == 0 ? generator() % 600 : 1; // runs of all lengths, across blocks
    bytes.insert(bytes.end(), run, static_cast<std::uint8_t>("abcdefgh 0123\n"[generator() % 14]));
  }
  bytes.resize(length);
  return bytes;
}

TEST(ParallelBzip2Decompressor, GivesBackWhatLibbz2Compressed) {
  std::vector<std::pair<Bytes, int>> cases = {{{}, 9},
                                              {{'x'}, 9},
                                              {Mixed(100, 1), 9},
                                              {Mixed(2500000, 2), 1},
                                              {Mixed(3000000, 3), 9},
                                              {Bytes(30u << 20, 0), 9}};
  for (auto& [input, level] : cases) {
    Bytes stream = Libbz2Compress(input, level);
    for (unsigned threads : {1u, 3u}) {
      Bytes output;
      EXPECT_TRUE(Decode(stream, output, 65536, threads)) << input.size() << " bytes";
      EXPECT_TRUE(output == input) << input.size() << " bytes, level " << level << ", " << threads << " threads";
    }
  }
}

TEST(ParallelBzip2Decompressor, AnySplitOfTheInputWorksAndTrailingBytesAreIgnored) {
  Bytes input = Mixed(450000, 4);
  Bytes stream = Libbz2Compress(input, 1);
  stream.insert(stream.end(), {'t', 'r', 'a', 'i', 'l'});
  for (std::size_t piece : {1u, 13u, 4096u, 1000000u}) {
    Bytes output;
    EXPECT_TRUE(Decode(stream, output, piece)) << piece;
    EXPECT_TRUE(output == input) << "pieces of " << piece;
  }
}

TEST(ParallelBzip2Decompressor, DamagedStreamsAreRefused) {
  Bytes input = Mixed(1200000, 5);
  Bytes stream = Libbz2Compress(input, 2);
  auto damaged = [&](Bytes bad) {
    Bytes output;
    try {
      return !Decode(bad, output); // an unfinished stream counts as damaged by the caller
    } catch (const ZipError& e) {
      return e.Kind() == ZipErrorKind::CorruptEntry;
    }
  };
  Bytes flipped = stream;
  flipped[flipped.size() / 2] ^= 0x08;
  EXPECT_TRUE(damaged(flipped)) << "a bit flipped inside a block";
  Bytes badCrc = stream;
  badCrc.at(badCrc.size() - 2) ^= 0x01;
  EXPECT_TRUE(damaged(badCrc)) << "wrong combined CRC";
  EXPECT_TRUE(damaged(Bytes(stream.begin(), stream.begin() + static_cast<std::ptrdiff_t>(stream.size() / 3))))
      << "cut short";
  Bytes notBzip2 = stream;
  notBzip2[0] = 'P';
  EXPECT_TRUE(damaged(notBzip2)) << "no bzip2 header";
  Bytes garbageAfterHeader = stream;
  garbageAfterHeader[5] ^= 0xFF;
  EXPECT_TRUE(damaged(garbageAfterHeader)) << "no block after the header";
}

} // namespace
} // namespace zipcore
