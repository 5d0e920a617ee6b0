#include "core/ZipWriter.h"

#include "core/Codec.h"
#include "core/EntryName.h"
#include "core/TextEncoding.h"
#include "core/ZipError.h"
#include "core/ZipFormat.h"
#include "core/ZipRecords.h"

#include <zlib.h>

#include <algorithm>

namespace zipcore {
namespace {

// Files this large get zip64 sizes in their local header up front: their compressed form might
// not fit 32 bits, and the header's length cannot change once data follow it.
constexpr std::uint64_t kReserveZip64From = 0xF0000000u;

std::string Quoted(const std::string& name) { return "\"" + name + "\""; }

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

ZipWriter::ZipWriter(FileAccess& files, const std::string& archivePath)
    : files_(files), archivePath_(archivePath), output_(files.CreateBeside(archivePath)) {}

ZipWriter::~ZipWriter() { Abandon(); }

void ZipWriter::SetMethod(std::uint16_t method) {
  if (!IsSupportedMethod(method))
    throw ZipError(ZipErrorKind::Unsupported, "compression method " + std::to_string(method) + " (" +
                                                  MethodName(method) + ") is not supported");
  method_ = method;
}

bool ZipWriter::IsOwnArchive(const FileStatus& status) {
  auto same = [&](const std::string& path) {
    FileStatus other = files_.Stat(path);
    return other.exists && other.fileId != 0 && other.volumeId == status.volumeId && other.fileId == status.fileId;
  };
  return same(output_->TemporaryPath()) || same(archivePath_);
}

void ZipWriter::AddFile(const std::string& diskPath, const std::string& entryName, int level, int smartFlags,
                        std::size_t bufferSize) {
  if (!output_) throw ZipError(ZipErrorKind::Usage, "the archive is not open for writing");
  if (level < -1 || level > 9)
    throw ZipError(ZipErrorKind::Usage, "compression level " + std::to_string(level) + " is out of range (-1 to 9)");
  ZipEntry entry;
  entry.name = NormalizeEntryName(entryName);
  std::string reason = WhyUnsafe(entry.name);
  if (!reason.empty() || entry.IsFolder())
    throw ZipError(ZipErrorKind::UnsafeName, "the entry name " + Quoted(entryName) + " cannot be stored: " +
                                                 (reason.empty() ? "it names a folder" : reason));
  if (entry.name.size() > 0xFFFF)
    throw ZipError(ZipErrorKind::Usage, "the entry name " + Quoted(entryName) + " is too long");

  std::unique_ptr<InputFile> file = files_.OpenForReading(diskPath);
  FileStatus status = files_.Stat(diskPath);
  if (status.isDirectory)
    throw ZipError(ZipErrorKind::Usage, "the folder " + Quoted(diskPath) + " cannot be added as a file", 0, diskPath);
  if ((smartFlags & kSmartRefuseOwnArchive) && IsOwnArchive(status))
    throw ZipError(ZipErrorKind::Usage, "the archive cannot be added to itself", 0, diskPath);

  entry.flags = IsAscii(entry.name) ? 0 : kFlagUtf8;
  entry.modified = status.modified;
  entry.externalAttributes = kDosAttributeArchive;
  entry.versionMadeBy = kVersionMadeBy;
  entry.localHeaderOffset = position_;
  entry.method = level == 0 ? std::uint16_t{kMethodStored} : method_;

  const std::uint64_t start = position_;
  try {
    WriteEntry(*file, entry, level, (smartFlags & kSmartFailIfChanged) != 0, bufferSize);
    if ((smartFlags & kSmartStoreIfNotSmaller) && entry.method != kMethodStored &&
        entry.compressedSize >= entry.uncompressedSize) {
      entry.method = kMethodStored;
      WriteEntry(*file, entry, level, (smartFlags & kSmartFailIfChanged) != 0, bufferSize);
    }
  } catch (const ZipError& e) {
    position_ = start; // what was written of the entry is overwritten by the next one
    if (e.Path().empty()) throw ZipError(e.Kind(), e.what(), e.OsError(), diskPath);
    throw;
  } catch (...) {
    position_ = start;
    throw;
  }
  position_ = entry.dataOffset + entry.compressedSize;
  entries_.push_back(std::move(entry));
}

void ZipWriter::WriteEntry(InputFile& file, ZipEntry& entry, int level, bool failIfChanged, std::size_t bufferSize) {
  const std::uint64_t expected = file.Size();
  const bool zip64 = expected >= kReserveZip64From;
  entry.versionNeeded = VersionNeeded(entry.method, zip64 || entry.localHeaderOffset >= kZip64Marker32);
  entry.crc32 = 0;
  entry.compressedSize = entry.uncompressedSize = 0;
  std::vector<std::uint8_t> header = BuildLocalHeader(entry, zip64);
  entry.dataOffset = entry.localHeaderOffset + header.size();

  auto compressor = MakeCompressor(entry.method, level);
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
    throw ZipError(ZipErrorKind::SourceChanged, "the file " + Quoted(entry.name) + " grew past 4 GiB while it was read");
  header = BuildLocalHeader(entry, zip64);
  output_->WriteAt(entry.localHeaderOffset, header.data(), header.size());
}

void ZipWriter::Finish() {
  if (!output_) throw ZipError(ZipErrorKind::Usage, "the archive is not open for writing");
  std::vector<std::uint8_t> buffer;
  std::uint64_t position = position_;
  auto flush = [&] {
    output_->WriteAt(position, buffer.data(), buffer.size());
    position += buffer.size();
    buffer.clear();
  };
  for (const ZipEntry& entry : entries_) {
    AppendCentralHeader(buffer, entry);
    if (buffer.size() >= 256 * 1024) flush();
  }
  flush();
  AppendEndRecords(buffer, entries_.size(), position_, position - position_);
  flush();
  // A failed add or a stored rewrite may have left bytes past the new end.
  output_->Truncate(position);
  output_->Commit();
  output_.reset();
}

void ZipWriter::Abandon() noexcept {
  if (!output_) return;
  output_->Discard();
  output_.reset();
}

} // namespace zipcore
