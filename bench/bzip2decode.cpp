// bzip2decode: single-threaded decoding speed of one bzip2 file, libbz2 against the archive core's
// own block decoder (Bzip2BlockDecoder), with the outputs compared.
//   bzip2decode FILE.bz2 [RUNS]    prints MB/s of output for each, the best of RUNS (default 3)
// Exit status: 0 same output, 1 different output or a decoder failed, 2 bad usage.
#include "core/bzip2/Bzip2StreamDecoder.h"
#include "core/methods/Codec.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

using namespace zipcore;
using Bytes = std::vector<std::uint8_t>;

namespace {

// libbz2 as the archive core calls it for method 12 (MakeDecompressor).
bool DecodeWithLibbz2(const Bytes& input, Bytes& output) {
  struct Append : ByteSink {
    Bytes& bytes;
    explicit Append(Bytes& to) : bytes(to) {}
    void Put(const std::uint8_t* data, std::size_t length) override { bytes.insert(bytes.end(), data, data + length); }
  } sink(output);
  output.clear();
  ZipEntry entry;
  entry.method = kMethodBzip2;
  return MakeDecompressor(entry)->Write(input.data(), input.size(), sink);
}

template <typename Decode>
double BestSeconds(int runs, Decode decode) {
  double best = 1e30;
  for (int run = 0; run < runs; ++run) {
    auto start = std::chrono::steady_clock::now();
    if (!decode()) return -1;
    best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  }
  return best;
}

} // namespace

int main(int argc, char** argv) {
  if (argc < 2 || argc > 3) {
    std::fprintf(stderr, "usage: bzip2decode FILE.bz2 [RUNS]\n");
    return 2;
  }
  std::ifstream file(argv[1], std::ios::binary);
  const Bytes input((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  const int runs = argc == 3 ? std::max(1, std::atoi(argv[2])) : 3;

  Bytes theirs, ours;
  Bzip2BlockDecoder decoder;
  const double libbz2 = BestSeconds(runs, [&] { return DecodeWithLibbz2(input, theirs); });
  const double own = BestSeconds(runs, [&] {
    return DecodeBzip2Stream(input.data(), input.size(), ours, SIZE_MAX, decoder) == Bzip2BlockDecoder::Result::Ok;
  });
  if (libbz2 < 0 || own < 0) {
    std::fprintf(stderr, "bzip2decode: %s failed\n", libbz2 < 0 ? "libbz2" : "Bzip2BlockDecoder");
    return 1;
  }
  const double megabytes = static_cast<double>(theirs.size()) / 1e6;
  std::printf("%.1f MB out of %.1f MB, best of %d\n", megabytes, static_cast<double>(input.size()) / 1e6, runs);
  std::printf("libbz2            %7.1f MB/s\n", megabytes / libbz2);
  std::printf("Bzip2BlockDecoder %7.1f MB/s  (%.2fx)\n", megabytes / own, libbz2 / own);
  if (ours != theirs) {
    std::fprintf(stderr, "bzip2decode: the outputs differ\n");
    return 1;
  }
  return 0;
}
