// Our own inflater, for Deflate64 (method 9), which zlib does not read: deflate (RFC 1951) with a
// 64 KiB window, length code 285 meaning 3 plus 16 extra bits, and distance codes 30 and 31 (14 extra
// bits, from 32769 and 49153). Variant::Deflate switches those three changes off, so that the same
// code can be checked against zlib on plain deflate streams.
//
// Input comes in pieces of any size: each symbol, block header or code table is decoded whole or, when
// the bytes so far end inside it, not at all and tried again once more bytes are in.
#pragma once

#include "core/methods/Codecs.h"
#include "core/methods/InflateHuffman.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace zipcore {

class Inflater {
public:
  enum class Variant { Deflate, Deflate64 };
  explicit Inflater(Variant variant);

  // Decodes what the bytes given so far allow and hands the output to `out`. True once the last block
  // has ended (bytes after it are ignored). Damaged data throw ZipError(CorruptEntry).
  bool Write(const std::uint8_t* data, std::size_t length, ByteSink& out);

private:
  enum class State { BlockHeader, Stored, Codes, Done };
  // How far a step got: done, or stopped because the input ends inside it (nothing consumed).
  enum class Step { Done, NeedInput };

  Step ReadBlockHeader();
  Step ReadCodeTables();
  Step CopyStored();
  Step DecodeCodes();

  std::size_t AvailableBits() const { return input_.size() * 8 - bitPosition_; }
  std::uint32_t PeekBits() const;
  bool TakeBits(int count, std::uint32_t& value);
  int DecodeSymbol(const InflateHuffman& code);
  void MakeRoom();
  void Flush();

  const bool deflate64_;
  State state_ = State::BlockHeader;
  bool lastBlock_ = false;
  std::uint32_t storedLeft_ = 0;
  std::vector<std::uint8_t> input_; // bytes not yet consumed, from the byte holding bitPosition_ on
  std::size_t bitPosition_ = 0;
  InflateHuffman literals_, distances_;
  const InflateHuffman* literalCode_ = &literals_;
  const InflateHuffman* distanceCode_ = &distances_;
  // Output: the last 64 KiB already handed on (the window of back references), then new bytes.
  CodecBuffer window_;
  std::size_t end_ = 0, flushed_ = 0;
  std::uint64_t total_ = 0; // bytes decoded so far: no back reference may reach before the first
  ByteSink* out_ = nullptr;
};

} // namespace zipcore
