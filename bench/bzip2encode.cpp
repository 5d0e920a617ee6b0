// bzip2encode: single-threaded encoding time of each 900k bzip2 block of some files, libbz2 alone
// against our block sort and stages with libbz2's choice of tables (Bzip2BlockEncoder for large
// blocks), with the streams compared (where a block is periodic the origin pointer may differ; then
// the stream must decode to the block).
//   bzip2encode FILE... [--runs N]   per file: seconds for each (thread CPU time, best of N runs per
//                                    block, default 3) and the largest ratio of any one block that
//                                    goes this way in the archive core (64 KiB of input or more)
// Exit status: 0 same bytes, 1 a block differed, 2 bad usage.
#include "core/bzip2/Bzip2BlockEncoder.h"
#include "core/bzip2/Bzip2BlockSplitter.h"

#include <bzlib.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

using namespace zipcore;
using Bytes = std::vector<std::uint8_t>;

namespace {

double ThreadSeconds() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

template <typename Encode>
double BestSeconds(int runs, Encode encode) {
  double best = 1e30;
  for (int run = 0; run < runs; ++run) {
    double start = ThreadSeconds();
    encode();
    best = std::min(best, ThreadSeconds() - start);
  }
  return best;
}

Bytes Libbz2(const Bytes& block) {
  Bytes out(block.size() + block.size() / 100 + 1000);
  auto length = static_cast<unsigned>(out.size());
  BZ2_bzBuffToBuffCompress(reinterpret_cast<char*>(out.data()), &length,
                           const_cast<char*>(reinterpret_cast<const char*>(block.data())),
                           static_cast<unsigned>(block.size()), 9, 0, 0);
  out.resize(length);
  return out;
}

bool DecodesTo(const Bytes& stream, const Bytes& block) {
  Bytes out(block.size() + 1);
  auto length = static_cast<unsigned>(out.size());
  int result = BZ2_bzBuffToBuffDecompress(reinterpret_cast<char*>(out.data()), &length,
                                          const_cast<char*>(reinterpret_cast<const char*>(stream.data())),
                                          static_cast<unsigned>(stream.size()), 0, 0);
  return result == BZ_OK && length == block.size() && std::equal(block.begin(), block.end(), out.begin());
}

} // namespace

int main(int argc, char** argv) {
  int runs = 3;
  std::vector<std::string> files;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (arg == "--runs" && i + 1 < argc) {
      runs = std::max(1, std::atoi(argv[++i]));
    } else {
      files.push_back(arg);
    }
  }
  if (files.empty()) {
    std::fprintf(stderr, "usage: bzip2encode FILE... [--runs N]\n");
    return 2;
  }
  Bzip2BlockEncoder ours(0);
  Bytes scratch(65536), stream;
  int status = 0;
  std::printf("%-40s %7s %9s %9s %6s %15s\n", "file", "blocks", "libbz2 s", "ours s", "ratio", "worst block");
  for (const std::string& name : files) {
    std::ifstream file(name, std::ios::binary);
    Bytes input((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    Bzip2BlockSplitter splitter(9);
    splitter.Append(input.data(), input.size());
    std::vector<Bzip2BlockData> blocks;
    while (splitter.HasCompleteBlock()) blocks.push_back(splitter.TakeCompleteBlock());
    if (Bzip2BlockData last = splitter.TakeLastBlock(); !last.Empty()) blocks.push_back(std::move(last));
    double theirs = 0, mine = 0, worst = 0;
    for (const Bzip2BlockData& data : blocks) {
      Bytes block;
      data.Expand(scratch, [&](const std::uint8_t* bytes, std::size_t length) {
        block.insert(block.end(), bytes, bytes + length);
      });
      Bytes expected;
      double a = BestSeconds(runs, [&] { expected = Libbz2(block); });
      double b = BestSeconds(runs, [&] { ours.Encode(data, 9, stream); });
      if (stream != expected && !(stream.size() == expected.size() && DecodesTo(stream, block))) {
        std::fprintf(stderr, "%s: a block differs from libbz2's\n", name.c_str());
        status = 1;
      }
      theirs += a;
      mine += b;
      if (data.Size() >= Bzip2BlockEncoder::kOwnEncoderBelow) worst = std::max(worst, b / a);
    }
    std::printf("%-40s %7zu %9.3f %9.3f %5.2fx %14.2fx\n", name.c_str(), blocks.size(), theirs, mine, mine / theirs,
                worst);
  }
  if (ours.Libbz2SortFallbacks() != 0)
    std::printf("libbz2's own sort ran for %llu blocks\n", static_cast<unsigned long long>(ours.Libbz2SortFallbacks()));
  return status;
}
