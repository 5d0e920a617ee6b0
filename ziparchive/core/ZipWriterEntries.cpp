// How ZipWriter writes an entry: its local header, then its data streamed through a compressor or
// ready as they are.
#include "core/ZipWriter.h"

#include "core/EntryName.h"
#include "core/ZipError.h"
#include "core/ZipFormat.h"
#include "core/ZipRecords.h"
#include "core/methods/Codec.h"

#include <zlib.h>

#include <algorithm>

namespace zipcore {
namespace {

// Files this large get zip64 sizes in their local header up front: their compressed form might
// not fit 32 bits, and the header's length cannot change once data follow it.
constexpr std::uint64_t kReserveZip64From = 0xF0000000u;

// Writes compressed bytes into the archive file through a buffer.
class ArchiveSink : public ByteSink {
public:
  ArchiveSink(OutputFile& file, std::uint64_t start) : file_(file), position_(start) {}
  void Put(const std::uint8_t* data, std::size_t length) override {
    if (buffer_.size() + length > kFlushAt) Flush();
    if (length >= kFlushAt) {
      file_.WriteAt(position_, data, length);
      position_ += length;
      written_ += length;
    } else {
      buffer_.insert(buffer_.end(), data, data + length);
    }
  }
  void Flush() {
    if (buffer_.empty()) return;
    file_.WriteAt(position_, buffer_.data(), buffer_.size());
    position_ += buffer_.size();
    written_ += buffer_.size();
    buffer_.clear();
  }
  std::uint64_t Written() const { return written_; }

private:
  static constexpr std::size_t kFlushAt = 256 * 1024;
  OutputFile& file_;
  std::uint64_t position_;
  std::uint64_t written_ = 0;
  std::vector<std::uint8_t> buffer_;
};

std::uint16_t VersionNeeded(std::uint16_t method, bool zip64) {
  if (method == kMethodBzip2) return kVersionBzip2;
  if (zip64) return kVersionZip64;
  return method == kMethodDeflate ? kVersionDefault : 10;
}

} // namespace

void ZipWriter::WriteEntry(InputFile& file, ZipEntry& entry, int level, bool failIfChanged, std::size_t bufferSize,
                           const CompressorMaker& make) {
  const std::uint64_t expected = file.Size();
  const bool zip64 = expected >= kReserveZip64From;
  entry.versionNeeded = VersionNeeded(entry.method, zip64 || entry.localHeaderOffset >= kZip64Marker32);
  entry.crc32 = 0;
  entry.compressedSize = entry.uncompressedSize = 0;
  std::vector<std::uint8_t> header = BuildLocalHeader(entry, zip64);
  entry.dataOffset = entry.localHeaderOffset + header.size();

  std::unique_ptr<Compressor> compressor = make ? make(entry.method, level) : MakeCompressor(entry.method, level);
  ArchiveSink sink(*output_, entry.dataOffset);
  // No bigger than the file needs: small files are the common case.
  const std::size_t bufferLength = static_cast<std::size_t>(std::min<std::uint64_t>(
      std::clamp<std::size_t>(bufferSize, 4096, 16 * 1024 * 1024), std::max<std::uint64_t>(expected + 1, 4096)));
  std::vector<std::uint8_t> buffer(bufferLength);
  uLong crc = crc32(0, nullptr, 0);
  std::uint64_t total = 0;
  for (;;) {
    std::size_t got = file.ReadAt(total, buffer.data(), buffer.size());
    if (got == 0) break;
    crc = crc32(crc, buffer.data(), static_cast<uInt>(got));
    total += got;
    compressor->Write(buffer.data(), got, sink);
    if (progress_) progress_(got);
  }
  compressor->Finish(sink);
  sink.Flush();

  if (failIfChanged && total != expected)
    throw ZipError(ZipErrorKind::SourceChanged, "the file " + Quoted(entry.name) + " changed size while it was read");
  entry.crc32 = static_cast<std::uint32_t>(crc);
  entry.uncompressedSize = total;
  entry.compressedSize = sink.Written();
  if (!zip64 && (entry.uncompressedSize >= kZip64Marker32 || entry.compressedSize >= kZip64Marker32))
    throw ZipError(ZipErrorKind::SourceChanged,
                   "the file " + Quoted(entry.name) + " grew past 4 GiB while it was read");
  header = BuildLocalHeader(entry, zip64);
  output_->WriteAt(entry.localHeaderOffset, header.data(), header.size());
}

void ZipWriter::WriteStreamed(InputFile& file, ZipEntry entry, int level, bool failIfChanged, bool storeIfNotSmaller,
                              std::size_t bufferSize, const CompressorMaker& make) {
  if (!output_) throw ZipError(ZipErrorKind::Usage, "the archive is not open for writing");
  entry.localHeaderOffset = position_;
  const std::uint64_t start = position_;
  try {
    WriteEntry(file, entry, level, failIfChanged, bufferSize, make);
    if (storeIfNotSmaller && entry.method != kMethodStored && entry.compressedSize >= entry.uncompressedSize) {
      entry.method = kMethodStored;
      WriteEntry(file, entry, level, failIfChanged, bufferSize, make);
    }
  } catch (...) {
    position_ = start; // what was written of the entry is overwritten by the next one
    throw;
  }
  position_ = entry.dataOffset + entry.compressedSize;
  entries_.push_back(std::move(entry));
}

void ZipWriter::WritePrepared(ZipEntry entry, const std::vector<std::uint8_t>& data) {
  if (!output_) throw ZipError(ZipErrorKind::Usage, "the archive is not open for writing");
  entry.localHeaderOffset = position_;
  entry.versionNeeded = VersionNeeded(entry.method, entry.localHeaderOffset >= kZip64Marker32);
  std::vector<std::uint8_t> header = BuildLocalHeader(entry, false);
  entry.dataOffset = entry.localHeaderOffset + header.size();
  header.insert(header.end(), data.begin(), data.end());
  output_->WriteAt(entry.localHeaderOffset, header.data(), header.size());
  position_ = entry.dataOffset + entry.compressedSize;
  entries_.push_back(std::move(entry));
}

} // namespace zipcore
