#include "core/bzip2/Bzip2OwnBlockEncoder.h"

#include "core/bzip2/Bzip2BitWriter.h"
#include "core/bzip2/Bzip2Crc.h"
#include "core/bzip2/Bzip2MoveToFrontList.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace zipcore {
namespace {

constexpr std::uint16_t kRunA = 0;
constexpr std::uint16_t kRunB = 1;
constexpr std::uint32_t kSuffixSortFrom = 8192;
// Rounds of choosing tables per group and rebuilding the tables.
constexpr int kQuickRefinements = 2;
constexpr int kLibbz2Refinements = 4;

constexpr std::uint64_t kBlockMagic = 0x314159265359ull;
constexpr std::uint64_t kEndMagic = 0x177245385090ull;

std::uint64_t Load64(const std::uint8_t* at) {
  std::uint64_t word;
  std::memcpy(&word, at, sizeof word);
  return word;
}

// The first position from `from` on where four equal bytes begin, or `length`.
std::size_t NextFourEqual(const std::uint8_t* data, std::size_t from, std::size_t length) {
  static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "byte i of a word must be data[i]");
  constexpr std::uint64_t kLow7 = 0x7F7F7F7F7F7F7F7Full;
  std::size_t at = from;
  // Eight bytes at a time against the eight after them: byte j of `same` has its high bit set exactly
  // where data[at + j] == data[at + j + 1] (no borrow crosses bytes), so three such bytes in a row mark
  // four equal bytes; a word settles six starts.
  for (; at + 9 <= length; at += 6) {
    const std::uint64_t differ = Load64(data + at) ^ Load64(data + at + 1);
    const std::uint64_t same = ~(((differ & kLow7) + kLow7) | differ | kLow7);
    const std::uint64_t four = same & (same >> 8) & (same >> 16);
    if (four != 0) return at + static_cast<std::size_t>(__builtin_ctzll(four) >> 3);
  }
  for (; at + 4 <= length; ++at) {
    if (data[at] == data[at + 1] && data[at] == data[at + 2] && data[at] == data[at + 3]) return at;
  }
  return length;
}

// libbz2's choice of the number of tables by the number of symbols.
int TablesFor(std::size_t symbols) {
  return symbols < 200 ? 2 : symbols < 600 ? 3 : symbols < 1200 ? 4 : symbols < 2400 ? 5 : 6;
}

} // namespace

void Bzip2OwnBlockEncoder::Encode(const std::uint8_t* data, std::size_t length, int blockSize100k,
                                  std::vector<std::uint8_t>& stream, Tables tables) {
  if (length == 0 || blockSize100k < 1 || blockSize100k > 9) throw std::logic_error("bad bzip2 block");
  RunLengthEncode(data, length);
  if (block_.size() > 100000u * static_cast<unsigned>(blockSize100k))
    throw std::logic_error("the bzip2 block is larger than its level allows");
  const auto blockLength = static_cast<std::uint32_t>(block_.size());
  std::uint32_t origin;
  transformed_.resize(blockLength);
  if (blockLength >= kSuffixSortFrom) {
    origin = suffixSorter_.Transform(block_.data(), blockLength, transformed_.data());
  } else {
    origin = sorter_.Sort(block_.data(), blockLength);
    GatherTransform(sorter_.Order().data());
  }
  MoveToFront();
  ChooseTables(tables);
  WriteStream(blockSize100k, Bzip2BlockCrc(data, length), origin, stream);
}

void Bzip2OwnBlockEncoder::RunLengthEncode(const std::uint8_t* data, std::size_t length) {
  // Runs of 4 to 255 equal bytes become 4 bytes and the count of the rest; a longer run starts over.
  // The bytes up to the next four equal ones are copied as they are.
  block_.resize(length + length / 4 + 1);
  std::uint8_t* out = block_.data();
  for (std::size_t at = 0; at < length;) {
    const std::size_t runStart = NextFourEqual(data, at, length);
    std::memcpy(out, data + at, runStart - at);
    out += runStart - at;
    if (runStart == length) break;
    const std::uint8_t byte = data[runStart];
    std::size_t run = 4;
    while (run < 255 && runStart + run < length && data[runStart + run] == byte) ++run;
    out[0] = out[1] = out[2] = out[3] = byte;
    out[4] = static_cast<std::uint8_t>(run - 4);
    out += 5;
    at = runStart + run;
  }
  block_.resize(static_cast<std::size_t>(out - block_.data()));
  used_.fill(false);
  for (std::uint8_t byte : block_) used_[byte] = true;
}

void Bzip2OwnBlockEncoder::GatherTransform(const std::uint32_t* order) {
  std::array<std::uint8_t, 256> rank{};
  for (int b = 0, used = 0; b < 256; ++b) {
    if (used_[b]) rank[b] = static_cast<std::uint8_t>(used++);
  }
  const auto length = static_cast<std::uint32_t>(block_.size());
  for (std::uint32_t row = 0; row < length; ++row)
    transformed_[row] = rank[block_[order[row] == 0 ? length - 1 : order[row] - 1]];
}

void Bzip2OwnBlockEncoder::MoveToFront() {
  // The used byte values, numbered in increasing order, start the list in that order.
  usedCount_ = static_cast<int>(std::count(used_.begin(), used_.end(), true));
  alphabetSize_ = usedCount_ + 2;
  const auto length = static_cast<std::uint32_t>(block_.size());

  // At most one symbol per byte, and the end of block; each counted as it is written.
  symbols_.resize(length + 1);
  std::uint16_t* out = symbols_.data();
  std::fill(symbolCounts_.begin(), symbolCounts_.end(), 0);
  auto put = [&](std::uint16_t symbol) {
    *out++ = symbol;
    ++symbolCounts_[symbol];
  };
  // A run of z zeros (front hits) is written as z in bijective base 2, RUNA = 1 and RUNB = 2 digits.
  std::uint32_t zeros = 0;
  auto putZeros = [&] {
    for (std::uint32_t z = zeros - 1;; z = (z - 2) / 2) {
      put((z & 1) ? kRunB : kRunA);
      if (z < 2) break;
    }
    zeros = 0;
  };
  Bzip2MoveToFrontList list;
  for (std::uint32_t row = 0; row < length; ++row) {
    const std::uint8_t value = transformed_[row];
    if (list.Front() == value) {
      ++zeros;
      continue;
    }
    if (zeros != 0) putZeros();
    put(static_cast<std::uint16_t>(list.MoveToFront(value) + 1));
  }
  if (zeros != 0) putZeros();
  put(static_cast<std::uint16_t>(usedCount_ + 1)); // end of block
  symbols_.resize(static_cast<std::size_t>(out - symbols_.data()));
}

void Bzip2OwnBlockEncoder::ChooseTables(Tables tables) {
  tableCount_ = TablesFor(symbols_.size());
  // Start as libbz2 does: each table cheap for one slice of the alphabet holding about an equal
  // share of the symbols, expensive for the rest.
  std::array<std::array<std::uint8_t, Bzip2HuffmanCode::kMaxSymbols>, kMaxTables> lengths;
  std::uint32_t remaining = static_cast<std::uint32_t>(symbols_.size());
  int first = 0;
  for (int parts = tableCount_; parts > 0; --parts) {
    std::uint32_t target = remaining / static_cast<std::uint32_t>(parts);
    int last = first - 1;
    std::uint32_t taken = 0;
    while (taken < target && last < alphabetSize_ - 1) taken += symbolCounts_[++last];
    if (last > first && parts != tableCount_ && parts != 1 && (tableCount_ - parts) % 2 == 1)
      taken -= symbolCounts_[last--];
    for (int s = 0; s < alphabetSize_; ++s) lengths[parts - 1][s] = (s >= first && s <= last) ? 0 : 15;
    first = last + 1;
    remaining -= taken;
  }
  std::array<std::array<std::uint32_t, Bzip2HuffmanCode::kMaxSymbols>, kMaxTables> frequencies;
  const int rounds = tables == Tables::AsLibbz2 ? kLibbz2Refinements : kQuickRefinements;
  for (int round = 0; round < rounds; ++round) {
    AssignSelectors(round == 0 ? lengths.data() : nullptr, frequencies);
    for (int t = 0; t < tableCount_; ++t) {
      if (tables == Tables::AsLibbz2) {
        tables_[t].BuildAsLibbz2(frequencies[t].data(), alphabetSize_);
      } else {
        tables_[t].Build(frequencies[t].data(), alphabetSize_);
      }
    }
  }
}

void Bzip2OwnBlockEncoder::AssignSelectors(
    const std::array<std::uint8_t, Bzip2HuffmanCode::kMaxSymbols>* lengths,
    std::array<std::array<std::uint32_t, Bzip2HuffmanCode::kMaxSymbols>, kMaxTables>& frequencies) {
  // Each symbol's length in every table, 10 bits per table: a group's costs in all tables add up in
  // one word (50 symbols of at most 17 bits stay below 1024).
  std::array<std::uint64_t, Bzip2HuffmanCode::kMaxSymbols> packed{};
  for (int t = 0; t < tableCount_; ++t) {
    const auto& tableLengths = lengths ? lengths[t] : tables_[t].Lengths();
    for (int s = 0; s < alphabetSize_; ++s) packed[s] |= static_cast<std::uint64_t>(tableLengths[s]) << (10 * t);
  }
  for (int t = 0; t < tableCount_; ++t) std::fill_n(frequencies[t].begin(), alphabetSize_, 0);
  selectors_.clear();
  const std::size_t count = symbols_.size();
  for (std::size_t begin = 0; begin < count; begin += kGroupSize) {
    std::size_t end = std::min(begin + kGroupSize, count);
    std::uint64_t costs = 0;
    for (std::size_t i = begin; i < end; ++i) costs += packed[symbols_[i]];
    int best = 0;
    std::uint32_t bestCost = costs & 0x3FF;
    for (int t = 1; t < tableCount_; ++t) {
      std::uint32_t cost = (costs >> (10 * t)) & 0x3FF;
      if (cost < bestCost) {
        bestCost = cost;
        best = t;
      }
    }
    selectors_.push_back(static_cast<std::uint8_t>(best));
    for (std::size_t i = begin; i < end; ++i) ++frequencies[best][symbols_[i]];
  }
}

void Bzip2OwnBlockEncoder::WriteStream(int blockSize100k, std::uint32_t crc, std::uint32_t origin,
                                       std::vector<std::uint8_t>& stream) const {
  stream.clear();
  stream.reserve(block_.size() + block_.size() / 8 + 1024);
  Bzip2BitWriter bits(stream);
  bits.Put('B', 8);
  bits.Put('Z', 8);
  bits.Put('h', 8);
  bits.Put(static_cast<std::uint32_t>('0' + blockSize100k), 8);
  bits.Put48(kBlockMagic);
  bits.Put(crc, 32);
  bits.Put(0, 1); // not randomised
  bits.Put(origin, 24);

  // Which byte values occur: a bit per range of 16, then a bit per value of each range that occurs.
  std::uint32_t ranges = 0;
  for (int r = 0; r < 16; ++r) {
    if (std::any_of(used_.begin() + 16 * r, used_.begin() + 16 * r + 16, [](bool u) { return u; }))
      ranges |= 0x8000u >> r;
  }
  bits.Put(ranges, 16);
  for (int r = 0; r < 16; ++r) {
    if (!(ranges & (0x8000u >> r))) continue;
    std::uint32_t values = 0;
    for (int v = 0; v < 16; ++v) values |= used_[16 * r + v] ? 0x8000u >> v : 0;
    bits.Put(values, 16);
  }

  // Selectors by move-to-front, each a position in unary.
  bits.Put(static_cast<std::uint32_t>(tableCount_), 3);
  bits.Put(static_cast<std::uint32_t>(selectors_.size()), 15);
  std::array<std::uint8_t, kMaxTables> recent = {0, 1, 2, 3, 4, 5};
  for (std::uint8_t selector : selectors_) {
    int position = 0;
    while (recent[position] != selector) ++position;
    std::rotate(recent.begin(), recent.begin() + position, recent.begin() + position + 1);
    bits.Put((1u << (position + 1)) - 2, position + 1);
  }

  // Code lengths as differences from the previous symbol's: "10" one longer, "11" one shorter, "0" done.
  for (int t = 0; t < tableCount_; ++t) {
    const auto& lengths = tables_[t].Lengths();
    int current = lengths[0];
    bits.Put(static_cast<std::uint32_t>(current), 5);
    for (int s = 0; s < alphabetSize_; ++s) {
      for (; current < lengths[s]; ++current) bits.Put(2, 2);
      for (; current > lengths[s]; --current) bits.Put(3, 2);
      bits.Put(0, 1);
    }
  }

  for (std::size_t group = 0; group < selectors_.size(); ++group) {
    const Bzip2HuffmanCode& table = tables_[selectors_[group]];
    std::size_t end = std::min((group + 1) * kGroupSize, symbols_.size());
    for (std::size_t i = group * kGroupSize; i < end; ++i)
      bits.Put(table.Code(symbols_[i]), table.Lengths()[symbols_[i]]);
  }

  // One block: the stream's combined CRC is the block's.
  bits.Put48(kEndMagic);
  bits.Put(crc, 32);
  bits.Finish();
}

} // namespace zipcore
