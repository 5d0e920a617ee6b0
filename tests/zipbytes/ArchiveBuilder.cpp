#include "ArchiveBuilder.h"

#include "core/ByteOrder.h"
#include "core/ZipFormat.h"
#include "core/methods/Codec.h"

#include <zlib.h>

#include <algorithm>

namespace ziptest {
namespace {

using zipcore::ByteWriter;

class StringSink : public zipcore::ByteSink {
public:
  void Put(const std::uint8_t* data, std::size_t length) override {
    text.append(reinterpret_cast<const char*>(data), length);
  }
  std::string text;
};

std::string Zip64Extra(std::uint64_t uncompressed, std::uint64_t compressed, std::optional<std::uint64_t> offset) {
  Bytes bytes;
  ByteWriter w(bytes);
  w.U16(1);
  w.U16(offset ? 24 : 16);
  w.U64(uncompressed);
  w.U64(compressed);
  if (offset) w.U64(*offset);
  return std::string(bytes.begin(), bytes.end());
}

std::string TimestampExtra(std::int64_t time) {
  Bytes bytes;
  ByteWriter w(bytes);
  w.U16(0x5455);
  w.U16(5);
  bytes.push_back(1);
  w.U32(static_cast<std::uint32_t>(time));
  return std::string(bytes.begin(), bytes.end());
}

} // namespace

std::uint32_t Crc(const std::string& data) {
  return static_cast<std::uint32_t>(
      crc32(0, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size())));
}

std::string Compress(std::uint16_t method, const std::string& data) {
  auto compressor = zipcore::MakeCompressor(method, -1);
  StringSink sink;
  compressor->Write(reinterpret_cast<const std::uint8_t*>(data.data()), data.size(), sink);
  compressor->Finish(sink);
  return sink.text;
}

Bytes Build(const TestArchive& archive) {
  Bytes out(archive.prefix.begin(), archive.prefix.end());
  const std::uint64_t base = archive.offsetsIncludePrefix ? 0 : archive.prefix.size();
  Bytes central;
  for (const TestEntry& e : archive.entries) {
    const std::string packed = e.rawData ? e.data : Compress(e.method, e.data);
    const std::uint32_t crc = e.crc.value_or(Crc(e.data));
    const std::uint64_t usize = e.uncompressedSize.value_or(e.data.size());
    const std::uint64_t csize = e.compressedSize.value_or(packed.size());
    const std::uint64_t offset = e.recordedOffset.value_or(out.size() - base);
    const std::uint16_t flags = e.flags | (e.dataDescriptor ? zipcore::kFlagDataDescriptor : 0);
    std::string timeExtra = e.timestamp ? TimestampExtra(*e.timestamp) : "";

    ByteWriter local(out);
    std::string localExtra =
        (e.zip64 ? Zip64Extra(e.dataDescriptor ? 0 : usize, e.dataDescriptor ? 0 : csize, {}) : "") + timeExtra;
    local.U32(0x04034b50);
    local.U16(e.zip64 ? 45 : 20);
    local.U16(flags);
    local.U16(e.method);
    local.U16(e.dosTime);
    local.U16(e.dosDate);
    local.U32(e.dataDescriptor ? 0 : crc);
    local.U32(e.zip64 ? 0xFFFFFFFF : e.dataDescriptor ? 0 : static_cast<std::uint32_t>(csize));
    local.U32(e.zip64 ? 0xFFFFFFFF : e.dataDescriptor ? 0 : static_cast<std::uint32_t>(usize));
    local.U16(static_cast<std::uint16_t>(e.name.size()));
    local.U16(static_cast<std::uint16_t>(localExtra.size()));
    local.Bytes(e.name);
    local.Bytes(localExtra);
    local.Bytes(packed);
    if (e.dataDescriptor) {
      if (e.descriptorSignature) local.U32(0x08074b50);
      local.U32(crc);
      if (e.zip64) {
        local.U64(csize);
        local.U64(usize);
      } else {
        local.U32(static_cast<std::uint32_t>(csize));
        local.U32(static_cast<std::uint32_t>(usize));
      }
    }

    std::string centralExtra = (e.zip64 ? Zip64Extra(usize, csize, offset) : "") + timeExtra + e.extra;
    ByteWriter c(central);
    c.U32(0x02014b50);
    c.U16(e.madeBy);
    c.U16(e.zip64 ? 45 : 20);
    c.U16(flags);
    c.U16(e.method);
    c.U16(e.dosTime);
    c.U16(e.dosDate);
    c.U32(crc);
    c.U32(e.zip64 ? 0xFFFFFFFF : static_cast<std::uint32_t>(csize));
    c.U32(e.zip64 ? 0xFFFFFFFF : static_cast<std::uint32_t>(usize));
    c.U16(static_cast<std::uint16_t>(e.name.size()));
    c.U16(static_cast<std::uint16_t>(centralExtra.size()));
    c.U16(0);
    c.U16(0);
    c.U16(0);
    const bool folder = !e.name.empty() && e.name.back() == '/';
    c.U32(e.externalAttributes.value_or(folder ? 0x10 : 0x20));
    c.U32(e.zip64 ? 0xFFFFFFFF : static_cast<std::uint32_t>(offset));
    c.Bytes(e.name);
    c.Bytes(centralExtra);
  }
  const std::uint64_t directoryOffset = out.size() - base;
  out.insert(out.end(), central.begin(), central.end());
  ByteWriter w(out);
  const std::uint64_t count = archive.entries.size();
  if (archive.zip64End) {
    const std::uint64_t recordOffset = out.size() - base;
    w.U32(0x06064b50);
    w.U64(44);
    w.U16(45);
    w.U16(45);
    w.U32(0);
    w.U32(0);
    w.U64(count);
    w.U64(count);
    w.U64(central.size());
    w.U64(directoryOffset);
    w.U32(0x07064b50);
    w.U32(0);
    w.U64(recordOffset);
    w.U32(1);
  }
  const std::uint16_t count16 = archive.countOverride.value_or(
      archive.zip64End ? 0xFFFF : static_cast<std::uint16_t>(std::min<std::uint64_t>(count, 0xFFFF)));
  w.U32(0x06054b50);
  w.U16(0);
  w.U16(0);
  w.U16(count16);
  w.U16(count16);
  w.U32(archive.zip64End ? 0xFFFFFFFF : static_cast<std::uint32_t>(central.size()));
  w.U32(archive.zip64End ? 0xFFFFFFFF : static_cast<std::uint32_t>(directoryOffset));
  w.U16(static_cast<std::uint16_t>(archive.comment.size()));
  w.Bytes(archive.comment);
  w.Bytes(archive.trailing);
  return out;
}

std::size_t Find(const Bytes& bytes, const std::string& needle, std::size_t from) {
  auto it = std::search(bytes.begin() + static_cast<std::ptrdiff_t>(from), bytes.end(), needle.begin(), needle.end());
  return it == bytes.end() ? std::string::npos : static_cast<std::size_t>(it - bytes.begin());
}

} // namespace ziptest
