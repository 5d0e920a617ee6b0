#include "core/ZipWriter.h"

#include "core/parallel/Bzip2EncoderPool.h"
#include "core/methods/Codec.h"
#include "core/methods/CompressibilityGuess.h"
#include "core/EntryName.h"
#include "core/TextEncoding.h"
#include "core/ZipError.h"
#include "core/ZipFormat.h"
#include "core/ZipRecords.h"

#include <algorithm>

namespace zipcore {
namespace {

// Bzip2 files up to this size are read whole and compressed in the background.
constexpr std::uint64_t kBackgroundLimit = 1u << 20;

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

bool ZipWriter::IsOwnArchive(const std::string& diskPath, const FileStatus& status, InputFile& file) {
  if (!ownFilesKnown_) {
    ownTemporary_ = files_.Stat(output_->TemporaryPath());
    ownArchive_ = files_.Stat(archivePath_);
    ownFilesKnown_ = true;
  }
  auto same = [&](const FileStatus& other, const std::string& path) {
    if (!other.exists) return false;
    if (other.fileId != 0 && status.fileId != 0)
      return other.fileId == status.fileId &&
             other.volumeId == (status.volumeId != 0 ? status.volumeId : file.VolumeId());
    return path == diskPath; // a seam that cannot identify files: compare the names at least
  };
  return same(ownTemporary_, output_->TemporaryPath()) || same(ownArchive_, archivePath_);
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
  FileStatus status = file->Status();
  if (!status.exists) status = files_.Stat(diskPath);
  if (status.isDirectory)
    throw ZipError(ZipErrorKind::Usage, "the folder " + Quoted(diskPath) + " cannot be added as a file", 0, diskPath);
  if ((smartFlags & kSmartRefuseOwnArchive) && IsOwnArchive(diskPath, status, *file))
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
