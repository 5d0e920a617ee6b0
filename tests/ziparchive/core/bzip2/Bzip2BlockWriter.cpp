#include "Bzip2BlockWriter.h"

#include <algorithm>
#include <numeric>

extern "C" int BZ2_rNums[512]; // libbz2's table of randomisation distances

namespace ziptest {
namespace {

class BitWriter {
public:
  void Put(std::uint64_t value, int count) {
    for (int i = count - 1; i >= 0; --i) {
      if (used_ % 8 == 0) bytes.push_back(0);
      if ((value >> i) & 1) bytes.back() |= static_cast<std::uint8_t>(0x80 >> (used_ % 8));
      ++used_;
    }
  }
  Bzip2Bytes bytes;

private:
  std::uint64_t used_ = 0;
};

// The initial run-length coding undone: after four equal bytes comes a count of more.
Bzip2Bytes UndoRuns(const Bzip2Bytes& text) {
  Bzip2Bytes out;
  int equal = 0, last = -1;
  for (std::size_t i = 0; i < text.size(); ++i) {
    out.push_back(text[i]);
    equal = text[i] == last ? equal + 1 : 1;
    last = text[i];
    if (equal == 4 && i + 1 < text.size()) {
      out.insert(out.end(), text[++i], static_cast<std::uint8_t>(last));
      equal = 0;
    }
  }
  return out;
}

// Lengths of a complete prefix code for `count` symbols: the first ones a bit shorter.
std::vector<std::uint8_t> BalancedLengths(int count) {
  int bits = 1;
  while ((1 << bits) < count) ++bits;
  const int shorter = (1 << bits) - count;
  std::vector<std::uint8_t> lengths(static_cast<std::size_t>(count), static_cast<std::uint8_t>(bits));
  for (int i = 0; i < shorter; ++i) lengths[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(bits - 1);
  return lengths;
}

} // namespace

std::uint32_t Bzip2TestCrc(const Bzip2Bytes& data) {
  std::uint32_t crc = 0xFFFFFFFFu;
  for (std::uint8_t byte : data) {
    crc ^= std::uint32_t(byte) << 24;
    for (int bit = 0; bit < 8; ++bit) crc = (crc & 0x80000000u) ? (crc << 1) ^ 0x04C11DB7u : crc << 1;
  }
  return ~crc;
}

Bzip2TestBlock::Bzip2TestBlock(const Bzip2Bytes& text, bool randomise, int groups) : randomised(randomise) {
  output = UndoRuns(text);
  crc = Bzip2TestCrc(output);
  Bzip2Bytes t = text;
  if (randomised) { // every byte where the distance from libbz2's table runs out has its low bit flipped
    int toGo = 0, at = 0;
    for (std::uint8_t& byte : t) {
      if (toGo == 0) {
        toGo = BZ2_rNums[at];
        at = (at + 1) % 512;
      }
      --toGo;
      byte ^= toGo == 1 ? 1 : 0;
    }
  }
  const std::size_t n = t.size();
  std::vector<std::size_t> rows(n);
  std::iota(rows.begin(), rows.end(), 0);
  std::sort(rows.begin(), rows.end(), [&](std::size_t a, std::size_t b) {
    for (std::size_t k = 0; k < n; ++k) {
      std::uint8_t x = t[(a + k) % n], y = t[(b + k) % n];
      if (x != y) return x < y;
    }
    return false;
  });
  Bzip2Bytes last(n);
  for (std::size_t r = 0; r < n; ++r) {
    if (rows[r] == 0) origPtr = static_cast<std::uint32_t>(r);
    last[r] = t[(rows[r] + n - 1) % n];
  }
  for (int b = 0; b < 256; ++b)
    if (std::find(last.begin(), last.end(), b) != last.end()) used.push_back(static_cast<std::uint8_t>(b));

  std::vector<std::uint8_t> mtf = used;
  std::uint32_t zeros = 0;
  auto flush = [&] { // the run of front bytes in bijective base 2: RUNA is 1, RUNB 2 (times 2^digit)
    for (; zeros > 0; zeros = (zeros - 1) / 2) {
      symbols.push_back(zeros % 2 == 1 ? 0 : 1);
      if (zeros % 2 == 0) --zeros;
    }
  };
  for (std::uint8_t byte : last) {
    auto at = static_cast<std::size_t>(std::find(mtf.begin(), mtf.end(), byte) - mtf.begin());
    if (at == 0) {
      ++zeros;
      continue;
    }
    flush();
    symbols.push_back(static_cast<std::uint16_t>(at + 1));
    mtf.erase(mtf.begin() + static_cast<std::ptrdiff_t>(at));
    mtf.insert(mtf.begin(), byte);
  }
  flush();
  symbols.push_back(static_cast<std::uint16_t>(used.size() + 1));

  const int alphabet = static_cast<int>(used.size()) + 2;
  lengths.assign(static_cast<std::size_t>(groups), BalancedLengths(alphabet));
  selectors.assign((symbols.size() + 49) / 50, 0);
  EncodeSelectors();
}

void Bzip2TestBlock::EncodeSelectors() {
  std::vector<std::uint8_t> order(lengths.size());
  std::iota(order.begin(), order.end(), 0);
  selectorMtf.clear();
  for (std::uint8_t group : selectors) {
    auto at = static_cast<std::size_t>(std::find(order.begin(), order.end(), group) - order.begin());
    selectorMtf.push_back(static_cast<std::uint8_t>(at));
    order.erase(order.begin() + static_cast<std::ptrdiff_t>(at));
    order.insert(order.begin(), group);
  }
}

namespace {

void WriteBlock(BitWriter& out, const Bzip2TestBlock& block) {
  out.Put(0x314159265359ull, 48);
  out.Put(block.crc, 32);
  out.Put(block.randomised, 1);
  out.Put(block.origPtr, 24);
  std::uint32_t rows = 0;
  for (std::uint8_t b : block.used) rows |= 0x8000u >> (b / 16);
  out.Put(rows, 16);
  for (int row = 0; row < 16; ++row) {
    if (!(rows & (0x8000u >> row))) continue;
    std::uint32_t columns = 0;
    for (std::uint8_t b : block.used)
      if (b / 16 == row) columns |= 0x8000u >> (b % 16);
    out.Put(columns, 16);
  }
  out.Put(block.lengths.size(), 3);
  out.Put(block.selectorMtf.size(), 15);
  for (std::uint8_t value : block.selectorMtf) out.Put((1ull << (value + 1)) - 2, value + 1); // value ones, a zero
  for (const auto& lengths : block.lengths) {
    int current = lengths.empty() ? 0 : lengths[0];
    out.Put(static_cast<std::uint64_t>(current), 5);
    for (std::uint8_t length : lengths) {
      for (; current < length; ++current) out.Put(2, 2);
      for (; current > length; --current) out.Put(3, 2);
      out.Put(0, 1);
    }
  }
  // Canonical codes per group; groups whose lengths are no prefix code get none (zeros are written).
  std::vector<std::vector<std::uint32_t>> codes;
  for (const auto& lengths : block.lengths) {
    std::vector<std::uint32_t> code(lengths.size());
    std::uint32_t next = 0;
    for (int length = 1; length <= 20; ++length, next <<= 1)
      for (std::size_t s = 0; s < lengths.size(); ++s)
        if (lengths[s] == length) code[s] = next++;
    codes.push_back(code);
  }
  for (std::size_t i = 0; i < block.symbols.size(); ++i) {
    const std::size_t group = block.selectors[std::min(i / 50, block.selectors.size() - 1)] % block.lengths.size();
    const std::uint16_t symbol = block.symbols[i];
    out.Put(codes[group][symbol], block.lengths[group][symbol]);
  }
}

} // namespace

Bzip2Bytes Bzip2TestStream(int level, const std::vector<Bzip2TestBlock>& blocks) {
  BitWriter out;
  out.Put(0x425A68u, 24); // "BZh"
  out.Put(static_cast<std::uint64_t>('0' + level), 8);
  std::uint32_t combined = 0;
  for (const Bzip2TestBlock& block : blocks) {
    WriteBlock(out, block);
    combined = ((combined << 1) | (combined >> 31)) ^ block.crc;
  }
  out.Put(0x177245385090ull, 48);
  out.Put(combined, 32);
  return out.bytes;
}

} // namespace ziptest
