#include "core/EndOfCentral.h"

#include "core/ByteOrder.h"
#include "core/ZipError.h"
#include "core/ZipFormat.h"

#include <algorithm>
#include <vector>

namespace zipcore {
namespace {

[[noreturn]] void Bad(const std::string& why) {
  throw ZipError(ZipErrorKind::BadArchive, "the archive is damaged: " + why);
}

void ReadExactly(InputFile& file, std::uint64_t offset, std::uint8_t* buffer, std::size_t length) {
  if (file.ReadAt(offset, buffer, length) != length) Bad("it ends too early");
}

// The position of the end-of-central-directory record: of the signatures near the end of the file
// with their fixed fields whole, the last one that is not comment text. A signature in the comment
// of an earlier record is text when that comment runs to the end of the file (it holds all that
// follows), or when its own comment would run past the end. Any other record whose comment runs
// past the end is the end record, its comment cut at the end of the file, as Python's zipfile,
// Info-ZIP and libarchive read it: refusing it would lose archives those tools read, and passing
// over it for an earlier record would give a reading none of them gives.
std::uint64_t FindEndRecord(InputFile& file) {
  const std::uint64_t size = file.Size();
  if (size < kEndOfCentralSize) throw ZipError(ZipErrorKind::NotAnArchive, "the file is not a zip archive");
  // The record lies within a comment and 1024 bytes of the end; a comment holding it starts up to
  // one record and comment further back.
  constexpr std::size_t kSearch = kEndOfCentralSize + kMaxCommentSize + 1024;
  const std::size_t tailSize =
      static_cast<std::size_t>(std::min<std::uint64_t>(size, kSearch + kEndOfCentralSize + kMaxCommentSize));
  std::vector<std::uint8_t> tail(tailSize);
  const std::uint64_t tailStart = size - tailSize;
  ReadExactly(file, tailStart, tail.data(), tailSize);
  const std::size_t searchStart = tailSize - std::min(tailSize, kSearch);
  std::size_t found = tailSize;
  bool heldToTheEnd = false; // an earlier record's comment runs to the end of the file
  std::size_t heldUpTo = 0;  // where the furthest-reaching earlier record and comment end
  for (std::size_t i = 0; i + kEndOfCentralSize <= tailSize; ++i) {
    if (Load32(&tail[i]) != kEndOfCentralSignature) continue;
    const std::size_t commentEnd = i + kEndOfCentralSize + Load16(&tail[i + 20]);
    const bool fits = commentEnd <= tailSize;
    const bool text = heldToTheEnd || (!fits && i + kEndOfCentralSize <= heldUpTo);
    if (i >= searchStart && !text) found = i;
    if (fits) {
      heldToTheEnd = heldToTheEnd || commentEnd == tailSize;
      heldUpTo = std::max(heldUpTo, commentEnd);
    }
  }
  if (found == tailSize) throw ZipError(ZipErrorKind::NotAnArchive, "the file is not a zip archive");
  return tailStart + found;
}

bool StartsDirectory(InputFile& file, std::uint64_t offset) {
  std::uint8_t signature[4];
  return file.ReadAt(offset, signature, 4) == 4 && Load32(signature) == kCentralHeaderSignature;
}

const char kMissingVolume[] = "split archive: the volume holding its directory is missing";

struct Recorded {
  std::uint64_t offset, size, count;
  std::uint32_t disk;
};

// Reads the zip64 end record the locator before `eocd` points to; false when there is none.
bool ReadZip64End(InputFile& file, std::uint64_t eocd, Recorded& recorded, std::uint64_t& recordPos,
                  std::uint64_t& shift) {
  if (eocd < kZip64LocatorSize) return false;
  std::uint8_t locator[kZip64LocatorSize];
  ReadExactly(file, eocd - kZip64LocatorSize, locator, sizeof locator);
  if (Load32(locator) != kZip64LocatorSignature) return false;
  const std::uint64_t locatorPos = eocd - kZip64LocatorSize;
  const std::uint64_t stated = Load64(locator + 8);
  // Where the record lies when nothing was put in front of the archive, and where it lies when
  // bytes were (then the record sits right before its locator).
  std::uint8_t record[kZip64EndOfCentralSize];
  std::uint64_t candidates[2] = {stated,
                                 locatorPos >= kZip64EndOfCentralSize ? locatorPos - kZip64EndOfCentralSize : stated};
  for (std::uint64_t candidate : candidates) {
    if (candidate > locatorPos || locatorPos - candidate < kZip64EndOfCentralSize) continue;
    ReadExactly(file, candidate, record, sizeof record);
    if (Load32(record) != kZip64EndOfCentralSignature || candidate < stated) continue;
    if (Load32(record + 16) != Load32(record + 20) || Load64(record + 24) != Load64(record + 32))
      throw ZipError(ZipErrorKind::Unsupported, kMissingVolume);
    recorded.disk = Load32(record + 16);
    recorded.count = Load64(record + 32);
    recorded.size = Load64(record + 40);
    recorded.offset = Load64(record + 48);
    recordPos = candidate;
    shift = candidate - stated;
    return true;
  }
  Bad("its zip64 end record is missing");
}

} // namespace

DirectoryLocation FindCentralDirectory(InputFile& file) {
  const std::uint64_t eocd = FindEndRecord(file);
  std::uint8_t record[kEndOfCentralSize];
  ReadExactly(file, eocd, record, sizeof record);
  const std::uint16_t disk = Load16(record + 4), directoryDisk = Load16(record + 6);
  const std::uint16_t countHere = Load16(record + 8), count = Load16(record + 10);
  // Of a split archive only the last volume is at hand: it is read when it holds the whole directory.
  if (disk != directoryDisk || countHere != count) throw ZipError(ZipErrorKind::Unsupported, kMissingVolume);
  Recorded recorded{Load32(record + 16), Load32(record + 12), count, disk};
  std::uint64_t end = eocd, shift = 0;
  if (!ReadZip64End(file, eocd, recorded, end, shift)) {
    // Without zip64 the directory ends at the end record: what lies before its recorded start
    // was put in front of the archive.
    if (recorded.size > end) Bad("its central directory is larger than the file");
    const std::uint64_t actual = end - recorded.size;
    if (actual < recorded.offset) Bad("its central directory lies outside the file");
    shift = actual - recorded.offset;
  }

  DirectoryLocation location;
  location.size = recorded.size;
  location.entryCount = recorded.count;
  location.end = end;
  location.shift = shift;
  location.disk = recorded.disk;
  if (recorded.offset > end || shift > end - recorded.offset || recorded.size > end - recorded.offset - shift)
    Bad("its central directory lies outside the file");
  location.offset = recorded.offset + shift;
  // Some writers leave bytes between the directory and the end record; then the recorded offset
  // is right as it stands.
  if (shift != 0 && location.entryCount > 0 && !StartsDirectory(file, location.offset) &&
      StartsDirectory(file, recorded.offset)) {
    location.offset = recorded.offset;
    location.shift = 0;
  }
  // Every central record takes at least 46 bytes: a larger count cannot be true.
  if (location.entryCount > location.size / kCentralHeaderSize) Bad("it claims more entries than it holds");
  return location;
}

} // namespace zipcore
