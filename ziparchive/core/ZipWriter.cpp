#include "core/ZipWriter.h"

#include "core/Bzip2EncoderPool.h"
#include "core/Codec.h"
#include "core/CompressibilityGuess.h"
#include "core/EntryName.h"
#include "core/TextEncoding.h"
#include "core/ZipError.h"
#include "core/ZipFormat.h"
#include "core/ZipRecords.h"
#include "core/ParallelBzip2Compressor.h"

#include <zlib.h>

#include <algorithm>

namespace zipcore {
namespace {

// Files this large get zip64 sizes in their local header up front: their compressed form might
// not fit 32 bits, and the header's length cannot change once data follow it.
constexpr std::uint64_t kReserveZip64From = 0xF0000000u;

// Bzip2 files up to this size are read whole and compressed in the background.
constexpr std::uint64_t kBackgroundLimit = 1u << 20;

// A large file is judged by its start and three samples further in (a quarter, half and three
// quarters of the way): an archive or video inside which text follows is then still compressed.
constexpr std::size_t kGuessHead = 1u << 20;
constexpr std::size_t kGuessSample = 256u << 10;

std::string Quoted(const std::string& name) { return "\"" + name + "\""; }

bool FileLooksIncompressible(InputFile& file) {
  const std::uint64_t size = file.Size();
  std::vector<std::uint8_t> sample(kGuessHead);
  auto judge = [&](std::uint64_t offset, std::size_t length) {
    std::size_t got = file.ReadAt(offset, sample.data(), length);
    return LooksIncompressible(sample.data(), got);
  };
  if (!judge(0, kGuessHead)) return false;
  if (size < 2 * kGuessHead) return true;
  for (int quarter = 1; quarter <= 3; ++quarter)
    if (!judge(size / 4 * static_cast<std::uint64_t>(quarter), kGuessSample)) return false;
  return true;
}

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

std::shared_ptr<Bzip2EncoderPool> ZipWriter::Pool() {
  if (!pool_) pool_ = std::make_shared<Bzip2EncoderPool>(Bzip2EncoderPool::DefaultThreads());
  return pool_;
}

void ZipWriter::CheckUsable() const {
  if (!output_) throw ZipError(ZipErrorKind::Usage, "the archive is not open for writing");
  if (broken_)
    throw ZipError(ZipErrorKind::Usage, "an earlier file could not be written into the archive; it cannot be finished");
}

void ZipWriter::SetMethod(std::uint16_t method) {
  if (!IsWritableMethod(method))
    throw ZipError(ZipErrorKind::Unsupported, "compression method " + std::to_string(method) + " (" +
                                                  MethodName(method) + ") is not supported");
  method_ = method;
}

bool ZipWriter::IsOwnArchive(const std::string& diskPath, const FileStatus& status) {
  auto same = [&](const std::string& path) {
    FileStatus other = files_.Stat(path);
    if (!other.exists) return false;
    if (other.fileId != 0 && status.fileId != 0)
      return other.volumeId == status.volumeId && other.fileId == status.fileId;
    return path == diskPath; // a seam that cannot identify files: compare the names at least
  };
  return same(output_->TemporaryPath()) || same(archivePath_);
}

void ZipWriter::AddFile(const std::string& diskPath, const std::string& entryName, int level, int smartFlags,
                        std::size_t bufferSize) {
  CheckUsable();
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
  if ((smartFlags & kSmartRefuseOwnArchive) && IsOwnArchive(diskPath, status))
    throw ZipError(ZipErrorKind::Usage, "the archive cannot be added to itself", 0, diskPath);

  entry.flags = IsAscii(entry.name) ? 0 : kFlagUtf8;
  entry.modified = status.modified;
  entry.externalAttributes = kDosAttributeArchive;
  entry.versionMadeBy = kVersionMadeBy;
  entry.method = level == 0 ? std::uint16_t{kMethodStored} : method_;
  if (entry.method == kMethodBzip2 && file->Size() <= kBackgroundLimit &&
      AddInBackground(*file, entry, diskPath, level, smartFlags, bufferSize))
    return;

  // Already compressed data (archives, media) are stored without a costly trial.
  if ((smartFlags & kSmartStoreIfNotSmaller) && entry.method != kMethodStored && FileLooksIncompressible(*file))
    entry.method = kMethodStored;
  // Entries still compressing in the background come first.
  WritePending(true);
  entry.localHeaderOffset = position_;
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

  std::unique_ptr<Compressor> compressor;
  if (entry.method == kMethodBzip2) {
    compressor = std::make_unique<ParallelBzip2Compressor>(level, Pool());
  } else {
    compressor = MakeCompressor(entry.method, level);
  }
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

bool ZipWriter::AddInBackground(InputFile& file, ZipEntry& entry, const std::string& diskPath, int level,
                                int smartFlags, std::size_t bufferSize) {
  const std::uint64_t expected = file.Size();
  std::vector<std::uint8_t> data;
  data.resize(static_cast<std::size_t>(expected));
  const std::size_t piece = std::clamp<std::size_t>(bufferSize, 4096, 16 * 1024 * 1024);
  std::size_t total = 0;
  while (total < data.size()) {
    std::size_t got = file.ReadAt(total, data.data() + total, std::min(piece, data.size() - total));
    if (got == 0) break;
    total += got;
  }
  std::uint8_t probe;
  if (total == data.size() && file.ReadAt(total, &probe, 1) != 0) {
    // The file grew while it was read.
    if (smartFlags & kSmartFailIfChanged)
      throw ZipError(ZipErrorKind::SourceChanged, "the file \"" + entry.name + "\" changed size while it was read",
                     0, diskPath);
    return false; // streamed instead, as far as it goes
  }
  if ((smartFlags & kSmartFailIfChanged) && total != expected)
    throw ZipError(ZipErrorKind::SourceChanged, "the file \"" + entry.name + "\" changed size while it was read", 0,
                   diskPath);
  data.resize(total);
  if (progress_ && total) progress_(total);

  entry.crc32 = static_cast<std::uint32_t>(crc32(crc32(0, nullptr, 0), data.data(), static_cast<uInt>(total)));
  entry.uncompressedSize = total;
  const bool storeIfNotSmaller = (smartFlags & kSmartStoreIfNotSmaller) != 0;
  // Stored at once, without a trial: the workers are left to the files that do compress.
  if (storeIfNotSmaller && LooksIncompressible(data.data(), data.size())) entry.method = kMethodStored;
  background_.Add(std::move(entry), diskPath, std::move(data), level, storeIfNotSmaller, Pool());

  WritePending(false);
  while (background_.OverLimit(Pool()->Threads())) WriteOldestPending();
  return true;
}

void ZipWriter::WritePending(bool all) {
  while (!background_.Empty() && (all || background_.OldestReady())) WriteOldestPending();
}

void ZipWriter::WriteOldestPending() {
  const std::string diskPath = background_.OldestPath();
  try {
    BackgroundEntries::Finished finished = background_.TakeOldest();
    ZipEntry& entry = finished.entry;
    entry.localHeaderOffset = position_;
    entry.versionNeeded = VersionNeeded(entry.method, entry.localHeaderOffset >= kZip64Marker32);
    std::vector<std::uint8_t> header = BuildLocalHeader(entry, false);
    entry.dataOffset = entry.localHeaderOffset + header.size();
    header.insert(header.end(), finished.data.begin(), finished.data.end());
    output_->WriteAt(entry.localHeaderOffset, header.data(), header.size());
    position_ = entry.dataOffset + entry.compressedSize;
    entries_.push_back(std::move(entry));
  } catch (const ZipError& e) {
    broken_ = true;
    background_.Clear();
    if (e.Path().empty()) throw ZipError(e.Kind(), e.what(), e.OsError(), diskPath);
    throw;
  } catch (...) {
    broken_ = true;
    background_.Clear();
    throw;
  }
}

void ZipWriter::Finish() {
  CheckUsable();
  WritePending(true);
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
  background_.Clear();
  if (!output_) return;
  output_->Discard();
  output_.reset();
}

} // namespace zipcore
