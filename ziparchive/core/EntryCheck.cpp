#include "core/EntryCheck.h"

#include "core/EntryName.h"
#include "core/ZipError.h"
#include "core/ZipFormat.h"

#include <zlib.h>

namespace zipcore {

CheckingSink::CheckingSink(const ZipEntry& entry, ByteSink* out)
    : entry_(entry), out_(out), crc_(static_cast<std::uint32_t>(crc32(0, nullptr, 0))) {}

void CheckingSink::Put(const std::uint8_t* data, std::size_t length) {
  if (length > entry_.uncompressedSize - total_)
    throw ZipError(ZipErrorKind::CorruptEntry,
                   "the entry " + Quoted(entry_.name) + " holds more data than its recorded size");
  total_ += length;
  crc_ = static_cast<std::uint32_t>(crc32(crc_, data, static_cast<uInt>(length)));
  if (out_) out_->Put(data, length);
}

void CheckEntryEnd(const ZipEntry& entry, bool finished, const CheckingSink& checked) {
  if (entry.method != kMethodStored && !finished)
    throw ZipError(ZipErrorKind::CorruptEntry, "the compressed data of " + Quoted(entry.name) + " end too early");
  if (checked.Total() != entry.uncompressedSize)
    throw ZipError(ZipErrorKind::CorruptEntry,
                   "the entry " + Quoted(entry.name) + " is shorter than its recorded size");
  // AE-2 entries record no CRC-32: their authentication code stands for it.
  if (checked.Crc() != entry.crc32 && entry.aesVersion != 2)
    throw ZipError(ZipErrorKind::CorruptEntry, "the entry " + Quoted(entry.name) + " fails its CRC-32 check");
}

} // namespace zipcore
