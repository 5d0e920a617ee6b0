#include "core/pack/CompressibilityGuess.h"

#include <cmath>
#include <algorithm>
#include <cstring>
#include <iterator>
#include <vector>

namespace zipcore {
namespace {

constexpr std::size_t kMinMatch = 8;
constexpr int kMaxHashBits = 16;
// Below this estimated saving the data are stored: a bzip2 or deflate stream over them would be about
// as large as the data themselves.
constexpr double kWorthCompressing = 0.02;
// The spread of byte values alone promises this much: no need to look for repeats.
constexpr double kClearlyCompressible = 0.05;

std::uint64_t Load64(const std::uint8_t* p) {
  std::uint64_t value;
  std::memcpy(&value, p, sizeof value);
  return value;
}

std::uint32_t HashOf(std::uint64_t eightBytes, int bits) {
  return static_cast<std::uint32_t>((eightBytes * 0x9E3779B97F4A7C15ull) >> (64 - bits));
}

// Bits per byte of the byte values' spread, corrected for the sample's size: a short sample of random
// bytes shows fewer distinct values than a long one (Miller-Madow), and without the correction small
// compressed files would look compressible.
double EntropyOf(const std::uint32_t counts[256], std::size_t total) {
  if (total == 0) return 8;
  double entropy = 0;
  int used = 0;
  for (int i = 0; i < 256; ++i) {
    if (!counts[i]) continue;
    ++used;
    const double p = static_cast<double>(counts[i]) / static_cast<double>(total);
    entropy -= p * std::log2(p);
  }
  entropy += (used - 1) / (2.0 * static_cast<double>(total) * std::log(2.0));
  return entropy > 8 ? 8 : entropy;
}

// Bytes covered by matches of kMinMatch or more with earlier data; the covered bytes are marked so the
// entropy is taken over the rest only.
std::size_t RepeatedBytes(const std::uint8_t* data, std::size_t length, std::uint32_t counts[256]) {
  // A table about a quarter the size of the sample: small files do not pay for clearing a large one.
  int hashBits = 10;
  while (hashBits < kMaxHashBits && (std::size_t{1} << (hashBits + 2)) < length) ++hashBits;
  // Not thread_local: in a Windows DLL a thread's storage may be freed before its objects are destroyed.
  std::vector<std::uint32_t> lastSeen(std::size_t{1} << hashBits, UINT32_MAX);
  std::size_t covered = 0;
  std::size_t at = 0;
  while (at + kMinMatch <= length) {
    const std::uint64_t word = Load64(data + at);
    std::uint32_t& slot = lastSeen[HashOf(word, hashBits)];
    const std::uint32_t earlier = slot;
    slot = static_cast<std::uint32_t>(at);
    if (earlier != UINT32_MAX && Load64(data + earlier) == word) {
      std::size_t end = at + kMinMatch;
      while (end < length && data[end] == data[earlier + (end - at)]) ++end;
      covered += end - at;
      at = end;
      continue;
    }
    ++counts[data[at]];
    ++at;
  }
  for (; at < length; ++at) ++counts[data[at]];
  return covered;
}

} // namespace

double EstimatedSaving(const std::uint8_t* data, std::size_t length) {
  if (length == 0) return 0;
  // The spread of byte values alone is cheap to take and settles text, code and most other data. Four
  // sets of counts in turn: a run of one value then does not wait on each increment.
  std::uint32_t counts[256] = {};
  std::uint32_t more[3][256] = {};
  std::size_t i = 0;
  for (; i + 4 <= length; i += 4) {
    ++counts[data[i]];
    ++more[0][data[i + 1]];
    ++more[1][data[i + 2]];
    ++more[2][data[i + 3]];
  }
  for (; i < length; ++i) ++counts[data[i]];
  for (int value = 0; value < 256; ++value) counts[value] += more[0][value] + more[1][value] + more[2][value];
  const double spreadOnly = (8 - EntropyOf(counts, length)) / 8;
  if (spreadOnly >= kClearlyCompressible) return spreadOnly;

  std::fill(std::begin(counts), std::end(counts), 0u);
  const std::size_t repeated = RepeatedBytes(data, length, counts);
  const std::size_t literal = length - repeated;
  const double entropy = EntropyOf(counts, literal); // bits per byte outside the repeats
  const double literalShare = static_cast<double>(literal) / static_cast<double>(length);
  return (1 - literalShare) + literalShare * (8 - entropy) / 8;
}

bool LooksIncompressible(const std::uint8_t* data, std::size_t length) {
  return length >= kCompressibilityMinSample && EstimatedSaving(data, length) < kWorthCompressing;
}

namespace {
constexpr std::size_t kGuessHead = 1u << 20;
constexpr std::size_t kGuessSample = 256u << 10;
} // namespace

bool FileLooksIncompressible(InputFile& file) {
  const std::uint64_t size = file.Size();
  std::vector<std::uint8_t> sample(kGuessHead);
  auto judge = [&](std::uint64_t offset, std::size_t length) {
    std::size_t got = file.ReadAt(offset, sample.data(), length);
    return LooksIncompressible(sample.data(), got);
  };
  if (!judge(0, kGuessHead)) return false;
  if (size < 2 * kGuessHead) return true;
  for (int quarter = 1; quarter <= 3; ++quarter)
    if (!judge(size / 4 * static_cast<std::uint64_t>(quarter), kGuessSample)) return false;
  return true;
}

} // namespace zipcore
