#include "core/CentralDirectory.h"

#include "core/ByteOrder.h"
#include "core/DosTime.h"
#include "core/EntryName.h"
#include "core/ExtraFields.h"
#include "core/TextEncoding.h"
#include "core/ZipError.h"
#include "core/ZipFormat.h"

#include <algorithm>

namespace zipcore {
namespace {

[[noreturn]] void Bad(const std::string& why) {
  throw ZipError(ZipErrorKind::BadArchive, "the archive is damaged: " + why);
}

// Reads a byte range front to back through a buffer, one record at a time.
class RecordCursor {
public:
  RecordCursor(InputFile& file, std::uint64_t start, std::uint64_t end) : file_(file), position_(start), end_(end) {}

  // True when another central record starts here.
  bool AtRecord() {
    if (end_ - position_ < kCentralHeaderSize) return false;
    if (kCentralHeaderSize > buffered_ - used_) Refill(kCentralHeaderSize);
    return Load32(buffer_.data() + used_) == kCentralHeaderSignature;
  }

  // The next `length` bytes; nullptr when the range ends first.
  const std::uint8_t* Take(std::size_t length) {
    if (length > end_ - position_) return nullptr;
    if (length > buffered_ - used_) Refill(length);
    const std::uint8_t* data = buffer_.data() + used_;
    used_ += length;
    position_ += length;
    return data;
  }

private:
  void Refill(std::size_t length) {
    std::size_t keep = buffered_ - used_;
    std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(std::max(length, kChunk), end_ - position_));
    std::vector<std::uint8_t> next(want);
    std::copy(buffer_.begin() + used_, buffer_.begin() + buffered_, next.begin());
    std::size_t got = file_.ReadAt(position_ + keep, next.data() + keep, want - keep);
    if (got != want - keep) Bad("it ends too early");
    buffer_.swap(next);
    buffered_ = want;
    used_ = 0;
  }
  static constexpr std::size_t kChunk = 256 * 1024;
  InputFile& file_;
  std::uint64_t position_, end_;
  std::vector<std::uint8_t> buffer_;
  std::size_t buffered_ = 0, used_ = 0;
};

bool IsUnixHost(std::uint16_t versionMadeBy) {
  const int host = versionMadeBy >> 8;
  return host == 3 || host == 19; // Unix, OS X
}

ZipEntry ReadCentralRecord(RecordCursor& cursor, const DirectoryLocation& location) {
  const std::uint8_t* fixed = cursor.Take(kCentralHeaderSize);
  if (!fixed) Bad("its central directory is truncated");
  ByteReader in(fixed, kCentralHeaderSize);
  if (in.U32() != kCentralHeaderSignature) Bad("a central directory record is missing");
  ZipEntry entry;
  entry.versionMadeBy = in.U16();
  entry.versionNeeded = in.U16();
  entry.flags = in.U16();
  entry.method = in.U16();
  DosDateTime dos;
  dos.time = in.U16();
  dos.date = in.U16();
  entry.crc32 = in.U32();
  const std::uint32_t compressed = in.U32(), uncompressed = in.U32();
  const std::uint16_t nameLength = in.U16(), extraLength = in.U16(), commentLength = in.U16();
  const std::uint16_t disk = in.U16();
  in.U16(); // internal attributes
  entry.externalAttributes = in.U32();
  const std::uint32_t offset = in.U32();

  const std::uint8_t* variable = cursor.Take(std::size_t{nameLength} + extraLength + commentLength);
  if (!variable) Bad("its central directory is truncated");
  const std::string rawName(reinterpret_cast<const char*>(variable), nameLength);
  const std::uint8_t* extra = variable + nameLength;

  if (entry.flags & kFlagUtf8) {
    entry.name = ReplaceInvalidUtf8(rawName);
  } else if (auto unicode = ReadUnicodePath(extra, extraLength, rawName)) {
    entry.name = ReplaceInvalidUtf8(*unicode);
  } else if (IsUnixHost(entry.versionMadeBy) && IsValidUtf8(rawName)) {
    // Unix zip tools store the system's UTF-8 names as they are, without the flag.
    entry.name = rawName;
  } else {
    entry.name = Cp437ToUtf8(rawName);
  }
  // Some writers store "\" separators. Names Windows cannot hold are made safe by the unpacker (extract/DiskNames.h).
  entry.name = NormalizeEntryName(entry.name);

  Zip64Fields wide;
  wide.hasUncompressed = uncompressed == kZip64Marker32;
  wide.hasCompressed = compressed == kZip64Marker32;
  wide.hasOffset = offset == kZip64Marker32;
  wide.hasDisk = disk == kZip64Marker16;
  if (!ReadZip64(extra, extraLength, wide)) Bad("the zip64 field of " + Quoted(entry.name) + " is too short");
  entry.uncompressedSize = wide.hasUncompressed ? wide.uncompressed : uncompressed;
  entry.compressedSize = wide.hasCompressed ? wide.compressed : compressed;
  const std::uint64_t recordedOffset = wide.hasOffset ? wide.offset : offset;
  // Of a split archive only the last volume is read: entries kept in the others are skipped.
  entry.inOtherVolume = (wide.hasDisk ? wide.disk : disk) != location.disk;
  if (entry.inOtherVolume) return entry;
  if (recordedOffset > location.offset || location.shift > location.offset - recordedOffset)
    Bad("the entry " + Quoted(entry.name) + " lies outside the file");
  entry.localHeaderOffset = recordedOffset + location.shift;

  auto stamp = ReadTimestamp(extra, extraLength);
  entry.modified = stamp ? *stamp : DosToUnix(dos);
  entry.dosTime = dos.time;
  if (entry.method == kMethodWinZipAes) {
    entry.recordedAsAes = true;
    const auto aes = ReadWinZipAes(extra, extraLength);
    if (aes && (aes->version == 1 || aes->version == 2)) {
      entry.aesStrength = aes->strength;
      entry.aesVersion = aes->version;
      entry.method = aes->method;
    }
  }
  return entry;
}

// Finds where the entry's data start, and checks they end before the central directory.
void ReadLocalHeader(InputFile& file, ZipEntry& entry, std::uint64_t directoryOffset) {
  std::uint8_t header[kLocalHeaderSize];
  if (directoryOffset - entry.localHeaderOffset < kLocalHeaderSize ||
      file.ReadAt(entry.localHeaderOffset, header, sizeof header) != sizeof header ||
      Load32(header) != kLocalHeaderSignature)
    Bad("the local header of " + Quoted(entry.name) + " is missing");
  const std::uint64_t dataOffset =
      entry.localHeaderOffset + kLocalHeaderSize + Load16(header + 26) + Load16(header + 28);
  if (dataOffset > directoryOffset || entry.compressedSize > directoryOffset - dataOffset)
    Bad("the data of " + Quoted(entry.name) + " run past the end of the entries");
  entry.dataOffset = dataOffset;
}

// Two entries sharing data is the trick of overlapping zip bombs (and never a sound archive).
void RefuseOverlaps(const std::vector<ZipEntry>& entries) {
  std::vector<const ZipEntry*> byOffset;
  byOffset.reserve(entries.size());
  for (const ZipEntry& entry : entries)
    if (!entry.inOtherVolume) byOffset.push_back(&entry);
  std::sort(byOffset.begin(), byOffset.end(),
            [](const ZipEntry* a, const ZipEntry* b) { return a->localHeaderOffset < b->localHeaderOffset; });
  for (std::size_t i = 1; i < byOffset.size(); ++i) {
    const ZipEntry& before = *byOffset[i - 1];
    if (before.dataOffset + before.compressedSize > byOffset[i]->localHeaderOffset)
      Bad("the entries " + Quoted(before.name) + " and " + Quoted(byOffset[i]->name) + " overlap");
  }
}

} // namespace

std::vector<ZipEntry> ReadCentralDirectory(InputFile& file, const DirectoryLocation& location) {
  RecordCursor cursor(file, location.offset, location.offset + location.size);
  std::vector<ZipEntry> entries;
  entries.reserve(static_cast<std::size_t>(std::min<std::uint64_t>(location.entryCount, 1u << 20)));
  // Records past the count are read too: some writers store the count of an archive with more
  // than 65,535 entries modulo 65,536 instead of writing zip64 records.
  for (std::uint64_t i = 0; i < location.entryCount || cursor.AtRecord(); ++i) {
    entries.push_back(ReadCentralRecord(cursor, location));
    if (!entries.back().inOtherVolume) ReadLocalHeader(file, entries.back(), location.offset);
  }
  RefuseOverlaps(entries);
  return entries;
}

} // namespace zipcore
