#include "core/ZipRecords.h"

#include "core/ByteOrder.h"
#include "core/DosTime.h"
#include "core/ExtraFields.h"
#include "core/ZipFormat.h"

namespace zipcore {
namespace {

bool Fits32(std::uint64_t value) { return value < kZip64Marker32; }

void AppendDosTime(ByteWriter& out, std::int64_t modified) {
  DosDateTime dos = UnixToDos(modified);
  out.U16(dos.time);
  out.U16(dos.date);
}

} // namespace

std::vector<std::uint8_t> BuildLocalHeader(const ZipEntry& entry, bool zip64) {
  std::vector<std::uint8_t> extra;
  if (zip64) {
    Zip64Fields wide;
    wide.hasUncompressed = wide.hasCompressed = true;
    wide.uncompressed = entry.uncompressedSize;
    wide.compressed = entry.compressedSize;
    WriteZip64(extra, wide);
  }
  WriteTimestamp(extra, entry.modified);

  std::vector<std::uint8_t> header;
  ByteWriter out(header);
  out.U32(kLocalHeaderSignature);
  out.U16(entry.versionNeeded);
  out.U16(entry.flags);
  out.U16(entry.method);
  AppendDosTime(out, entry.modified);
  out.U32(entry.crc32);
  out.U32(zip64 ? kZip64Marker32 : static_cast<std::uint32_t>(entry.compressedSize));
  out.U32(zip64 ? kZip64Marker32 : static_cast<std::uint32_t>(entry.uncompressedSize));
  out.U16(static_cast<std::uint16_t>(entry.name.size()));
  out.U16(static_cast<std::uint16_t>(extra.size()));
  out.Bytes(entry.name);
  out.Bytes(extra);
  return header;
}

void AppendCentralHeader(std::vector<std::uint8_t>& out, const ZipEntry& entry) {
  Zip64Fields wide;
  wide.hasUncompressed = !Fits32(entry.uncompressedSize);
  wide.hasCompressed = !Fits32(entry.compressedSize);
  wide.hasOffset = !Fits32(entry.localHeaderOffset);
  wide.uncompressed = entry.uncompressedSize;
  wide.compressed = entry.compressedSize;
  wide.offset = entry.localHeaderOffset;
  std::vector<std::uint8_t> extra;
  WriteZip64(extra, wide);
  WriteTimestamp(extra, entry.modified);

  ByteWriter w(out);
  w.U32(kCentralHeaderSignature);
  w.U16(entry.versionMadeBy);
  w.U16(entry.versionNeeded);
  w.U16(entry.flags);
  w.U16(entry.method);
  AppendDosTime(w, entry.modified);
  w.U32(entry.crc32);
  w.U32(wide.hasCompressed ? kZip64Marker32 : static_cast<std::uint32_t>(entry.compressedSize));
  w.U32(wide.hasUncompressed ? kZip64Marker32 : static_cast<std::uint32_t>(entry.uncompressedSize));
  w.U16(static_cast<std::uint16_t>(entry.name.size()));
  w.U16(static_cast<std::uint16_t>(extra.size()));
  w.U16(0); // comment
  w.U16(0); // disk
  w.U16(0); // internal attributes
  w.U32(entry.externalAttributes);
  w.U32(wide.hasOffset ? kZip64Marker32 : static_cast<std::uint32_t>(entry.localHeaderOffset));
  w.Bytes(entry.name);
  w.Bytes(extra);
}

void AppendEndRecords(std::vector<std::uint8_t>& out, std::uint64_t entryCount, std::uint64_t directoryOffset,
                      std::uint64_t directorySize) {
  const bool zip64 = entryCount >= kZip64Marker16 || !Fits32(directoryOffset) || !Fits32(directorySize);
  ByteWriter w(out);
  if (zip64) {
    const std::uint64_t recordOffset = directoryOffset + directorySize;
    w.U32(kZip64EndOfCentralSignature);
    w.U64(kZip64EndOfCentralSize - 12); // size of the rest of the record
    w.U16(kVersionMadeBy);
    w.U16(kVersionZip64);
    w.U32(0); // this disk
    w.U32(0); // disk of the directory
    w.U64(entryCount);
    w.U64(entryCount);
    w.U64(directorySize);
    w.U64(directoryOffset);
    w.U32(kZip64LocatorSignature);
    w.U32(0);
    w.U64(recordOffset);
    w.U32(1); // total disks
  }
  const std::uint16_t count = entryCount >= kZip64Marker16 ? kZip64Marker16 : static_cast<std::uint16_t>(entryCount);
  w.U32(kEndOfCentralSignature);
  w.U16(0);
  w.U16(0);
  w.U16(count);
  w.U16(count);
  w.U32(Fits32(directorySize) ? static_cast<std::uint32_t>(directorySize) : kZip64Marker32);
  w.U32(Fits32(directoryOffset) ? static_cast<std::uint32_t>(directoryOffset) : kZip64Marker32);
  w.U16(0); // comment
}

} // namespace zipcore
