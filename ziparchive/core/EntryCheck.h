// What every way of decoding an entry checks: its data never run past the recorded size while they
// come, and at the end the compressed stream finished, the size is the recorded one and so is the
// CRC-32.
#pragma once

#include "core/methods/Codec.h"
#include "core/ZipEntry.h"

#include <cstdint>

namespace zipcore {

// Counts and checksums what a decompressor produces, passing it on to `out` (when given), and stops
// it as soon as it produces more than the entry's recorded size (so a lying header cannot make it
// run on).
class CheckingSink : public ByteSink {
public:
  CheckingSink(const ZipEntry& entry, ByteSink* out);
  void Put(const std::uint8_t* data, std::size_t length) override;
  std::uint64_t Total() const { return total_; }
  std::uint32_t Crc() const { return crc_; }

private:
  const ZipEntry& entry_;
  ByteSink* out_;
  std::uint64_t total_ = 0;
  std::uint32_t crc_;
};

// Throws CorruptEntry unless the entry's data are whole: `finished`, the decompressor reached the end
// of its stream (stored data have none); `checked`, what came out.
void CheckEntryEnd(const ZipEntry& entry, bool finished, const CheckingSink& checked);

} // namespace zipcore
