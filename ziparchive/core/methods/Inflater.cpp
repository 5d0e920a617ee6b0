#include "core/methods/Inflater.h"

#include "core/ZipError.h"

#include <algorithm>
#include <iterator>
#include <cstring>

namespace zipcore {
namespace {

constexpr std::size_t kHistory = 64 * 1024;
constexpr std::size_t kLongestMatch = 3 + 65535; // Deflate64's length code 285
constexpr std::size_t kWindowBuffer = 4 * kHistory;

constexpr std::uint16_t kLengthBase[29] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                           31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr std::uint8_t kLengthExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                           2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr std::uint16_t kDistanceBase[32] = {1,    2,    3,    4,    5,    7,     9,     13,    17,    25,   33,
                                             49,   65,   97,   129,  193,  257,   385,   513,   769,   1025, 1537,
                                             2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577, 32769, 49153};
constexpr std::uint8_t kDistanceExtra[32] = {0, 0, 0, 0, 1, 1, 2,  2,  3,  3,  4,  4,  5,  5,  6,  6,
                                             7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13, 14, 14};
// The order in which a dynamic block sends the lengths of the code-length code.
constexpr std::uint8_t kCodeLengthOrder[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};

ZipError Damaged(const char* what) {
  return ZipError(ZipErrorKind::CorruptEntry, std::string("the deflate data are damaged: ") + what);
}

// The codes of blocks of type 1 (RFC 1951, 3.2.6).
struct FixedCodes {
  InflateHuffman literals, distances;
  FixedCodes() {
    std::uint8_t lengths[InflateHuffman::kMaxSymbols];
    std::fill(lengths, lengths + 144, std::uint8_t{8});
    std::fill(lengths + 144, lengths + 256, std::uint8_t{9});
    std::fill(lengths + 256, lengths + 280, std::uint8_t{7});
    std::fill(lengths + 280, lengths + 288, std::uint8_t{8});
    literals.Build(lengths, 288, InflateHuffman::Kind::Symbols);
    std::fill(lengths, lengths + 32, std::uint8_t{5});
    distances.Build(lengths, 32, InflateHuffman::Kind::Symbols);
  }
};

const FixedCodes& Fixed() {
  static const FixedCodes codes;
  return codes;
}

} // namespace

Inflater::Inflater(Variant variant) : deflate64_(variant == Variant::Deflate64), window_(kWindowBuffer) {}

bool Inflater::Write(const std::uint8_t* data, std::size_t length, ByteSink& out) {
  if (state_ == State::Done) return true;
  input_.insert(input_.end(), data, data + length);
  out_ = &out;
  Step step = Step::Done;
  while (state_ != State::Done && step == Step::Done) {
    switch (state_) {
    case State::BlockHeader: step = ReadBlockHeader(); break;
    case State::Stored: step = CopyStored(); break;
    case State::Codes: step = DecodeCodes(); break;
    case State::Done: break;
    }
  }
  Flush();
  input_.erase(input_.begin(), input_.begin() + static_cast<std::ptrdiff_t>(bitPosition_ / 8));
  bitPosition_ %= 8;
  return state_ == State::Done;
}

std::uint32_t Inflater::PeekBits() const {
  const std::size_t byte = bitPosition_ / 8;
  std::uint64_t bits = 0;
  for (std::size_t i = 0; i < 5 && byte + i < input_.size(); ++i) bits |= std::uint64_t{input_[byte + i]} << (8 * i);
  return static_cast<std::uint32_t>(bits >> (bitPosition_ % 8));
}

bool Inflater::TakeBits(int count, std::uint32_t& value) {
  if (AvailableBits() < static_cast<std::size_t>(count)) return false;
  value = PeekBits() & ((std::uint32_t{1} << count) - 1);
  bitPosition_ += static_cast<std::size_t>(count);
  return true;
}

int Inflater::DecodeSymbol(const InflateHuffman& code) {
  int used = 0;
  const int symbol = code.Decode(PeekBits(), static_cast<int>(std::min<std::size_t>(AvailableBits(), 32)), used);
  if (symbol >= 0) bitPosition_ += static_cast<std::size_t>(used);
  return symbol;
}

Inflater::Step Inflater::ReadBlockHeader() {
  const std::size_t mark = bitPosition_;
  std::uint32_t header = 0;
  if (!TakeBits(3, header)) return Step::NeedInput;
  lastBlock_ = (header & 1) != 0;
  switch (header >> 1) {
  case 0: {
    bitPosition_ = (bitPosition_ + 7) / 8 * 8;
    std::uint32_t size = 0, complement = 0;
    if (!TakeBits(16, size) || !TakeBits(16, complement)) {
      bitPosition_ = mark;
      return Step::NeedInput;
    }
    if ((size ^ complement) != 0xFFFF) throw Damaged("a stored block's length fails its check");
    storedLeft_ = size;
    state_ = State::Stored;
    return Step::Done;
  }
  case 1:
    literalCode_ = &Fixed().literals;
    distanceCode_ = &Fixed().distances;
    state_ = State::Codes;
    return Step::Done;
  case 2:
    if (ReadCodeTables() == Step::NeedInput) {
      bitPosition_ = mark;
      return Step::NeedInput;
    }
    literalCode_ = &literals_;
    distanceCode_ = &distances_;
    state_ = State::Codes;
    return Step::Done;
  default: throw Damaged("a block has the reserved type 3");
  }
}

Inflater::Step Inflater::ReadCodeTables() {
  std::uint32_t counts = 0;
  if (!TakeBits(14, counts)) return Step::NeedInput;
  const unsigned literalCount = 257 + (counts & 31), distanceCount = 1 + ((counts >> 5) & 31);
  const unsigned lengthCodeCount = 4 + (counts >> 10);
  if (literalCount > 286 || distanceCount > (deflate64_ ? 32u : 30u)) throw Damaged("too many codes");

  std::uint8_t lengths[286 + 32] = {};
  for (unsigned i = 0; i < lengthCodeCount; ++i) {
    std::uint32_t length = 0;
    if (!TakeBits(3, length)) return Step::NeedInput;
    lengths[kCodeLengthOrder[i]] = static_cast<std::uint8_t>(length);
  }
  InflateHuffman lengthCode;
  if (!lengthCode.Build(lengths, 19, InflateHuffman::Kind::CodeLengths)) throw Damaged("a bad code-length code");

  const unsigned total = literalCount + distanceCount;
  std::fill(std::begin(lengths), std::end(lengths), std::uint8_t{0});
  for (unsigned i = 0; i < total;) {
    const int symbol = DecodeSymbol(lengthCode);
    if (symbol == InflateHuffman::kNeedBits) return Step::NeedInput;
    if (symbol < 0) throw Damaged("an invalid code-length code");
    if (symbol < 16) {
      lengths[i++] = static_cast<std::uint8_t>(symbol);
      continue;
    }
    // 16 repeats the previous length 3 to 6 times; 17 and 18 give 3 to 10 and 11 to 138 zeros.
    const int extraBits = symbol == 16 ? 2 : symbol == 17 ? 3 : 7;
    std::uint32_t extra = 0;
    if (!TakeBits(extraBits, extra)) return Step::NeedInput;
    const unsigned repeat = (symbol == 18 ? 11 : 3) + extra;
    if (symbol == 16 && i == 0) throw Damaged("a repeat without a previous length");
    if (i + repeat > total) throw Damaged("code lengths beyond the last code");
    const std::uint8_t value = symbol == 16 ? lengths[i - 1] : 0;
    std::fill(lengths + i, lengths + i + repeat, value);
    i += repeat;
  }
  if (lengths[256] == 0) throw Damaged("a block without an end code");
  if (!literals_.Build(lengths, static_cast<int>(literalCount), InflateHuffman::Kind::Symbols) ||
      !distances_.Build(lengths + literalCount, static_cast<int>(distanceCount), InflateHuffman::Kind::Symbols))
    throw Damaged("bad code lengths");
  return Step::Done;
}

Inflater::Step Inflater::CopyStored() {
  while (storedLeft_ > 0) {
    MakeRoom();
    const std::size_t byte = bitPosition_ / 8;
    const std::size_t piece = std::min({std::size_t{storedLeft_}, input_.size() - byte, window_.size() - end_});
    if (piece == 0) return Step::NeedInput;
    std::memcpy(window_.data() + end_, input_.data() + byte, piece);
    end_ += piece;
    total_ += piece;
    bitPosition_ += 8 * piece;
    storedLeft_ -= static_cast<std::uint32_t>(piece);
  }
  state_ = lastBlock_ ? State::Done : State::BlockHeader;
  return Step::Done;
}

Inflater::Step Inflater::DecodeCodes() {
  for (;;) {
    MakeRoom();
    const std::size_t mark = bitPosition_;
    const int symbol = DecodeSymbol(*literalCode_);
    if (symbol == InflateHuffman::kNeedBits) return Step::NeedInput;
    if (symbol < 0 || symbol > 285) throw Damaged("an invalid literal or length code");
    if (symbol < 256) {
      window_.data()[end_++] = static_cast<std::uint8_t>(symbol);
      ++total_;
      continue;
    }
    if (symbol == 256) break;

    const int lengthCode = symbol - 257;
    const bool long64 = deflate64_ && symbol == 285;
    std::uint32_t lengthExtra = 0, distanceExtra = 0;
    if (!TakeBits(long64 ? 16 : kLengthExtra[lengthCode], lengthExtra)) {
      bitPosition_ = mark;
      return Step::NeedInput;
    }
    const int distanceCode = DecodeSymbol(*distanceCode_);
    if (distanceCode == InflateHuffman::kNeedBits) {
      bitPosition_ = mark;
      return Step::NeedInput;
    }
    if (distanceCode < 0 || distanceCode >= (deflate64_ ? 32 : 30)) throw Damaged("an invalid distance code");
    if (!TakeBits(kDistanceExtra[distanceCode], distanceExtra)) {
      bitPosition_ = mark;
      return Step::NeedInput;
    }
    const std::size_t length = (long64 ? 3 : kLengthBase[lengthCode]) + lengthExtra;
    const std::size_t distance = kDistanceBase[distanceCode] + distanceExtra;
    if (distance > total_) throw Damaged("a distance reaches back before the first byte");

    std::uint8_t* to = window_.data() + end_;
    const std::uint8_t* from = to - distance;
    if (distance >= length) {
      std::memcpy(to, from, length);
    } else {
      for (std::size_t i = 0; i < length; ++i) to[i] = from[i]; // overlapping: repeats the last bytes
    }
    end_ += length;
    total_ += length;
  }
  state_ = lastBlock_ ? State::Done : State::BlockHeader;
  return Step::Done;
}

// Keeps room for the longest match: what is new goes to the sink, the last 64 KiB move to the front.
void Inflater::MakeRoom() {
  if (window_.size() - end_ >= kLongestMatch) return;
  Flush();
  std::memmove(window_.data(), window_.data() + end_ - kHistory, kHistory);
  end_ = flushed_ = kHistory;
}

void Inflater::Flush() {
  if (end_ > flushed_) out_->Put(window_.data() + flushed_, end_ - flushed_);
  flushed_ = end_;
}

} // namespace zipcore
