#include "core/pack/ArchivePacker.h"

#include "core/pack/Bzip2EncoderPool.h"
#include "core/pack/CompressibilityGuess.h"
#include "core/pack/ParallelBzip2Compressor.h"
#include "core/methods/Codec.h"
#include "core/EntryName.h"
#include "core/TextEncoding.h"
#include "core/ZipError.h"
#include "core/ZipFormat.h"

#include <zlib.h>

#include <algorithm>

namespace zipcore {
namespace {

// Bzip2 files up to this size are read whole and compressed in the background.
constexpr std::uint64_t kBackgroundLimit = 1u << 20;

} // namespace

ArchivePacker::ArchivePacker(FileAccess& files, const std::string& archivePath)
    : files_(files), writer_(files, archivePath) {}

ArchivePacker::~ArchivePacker() { Abandon(); }

void ArchivePacker::SetProgress(WriteProgress progress) {
  writer_.SetProgress(progress);
  progress_ = std::move(progress);
}

std::shared_ptr<Bzip2EncoderPool> ArchivePacker::Pool() {
  if (!pool_) pool_ = std::make_shared<Bzip2EncoderPool>(Bzip2EncoderPool::DefaultThreads());
  return pool_;
}

void ArchivePacker::CheckUsable() const {
  if (!writer_.IsOpen()) throw ZipError(ZipErrorKind::Usage, "the archive is not open for writing");
  if (broken_)
    throw ZipError(ZipErrorKind::Usage, "an earlier file could not be written into the archive; it cannot be finished");
}

void ArchivePacker::SetMethod(std::uint16_t method) {
  if (!IsWritableMethod(method))
    throw ZipError(ZipErrorKind::Unsupported,
                   "compression method " + std::to_string(method) + " (" + MethodName(method) + ") is not supported");
  method_ = method;
}

bool ArchivePacker::IsOwnArchive(const std::string& diskPath, const FileStatus& status, InputFile& file) {
  if (!ownFilesKnown_) {
    ownTemporary_ = files_.Stat(writer_.TemporaryPath());
    ownArchive_ = files_.Stat(writer_.ArchivePath());
    ownFilesKnown_ = true;
  }
  auto same = [&](const FileStatus& other, const std::string& path) {
    if (!other.exists) return false;
    if (other.fileId != 0 && status.fileId != 0)
      return other.fileId == status.fileId &&
             other.volumeId == (status.volumeId != 0 ? status.volumeId : file.VolumeId());
    return path == diskPath; // a seam that cannot identify files: compare the names at least
  };
  return same(ownTemporary_, writer_.TemporaryPath()) || same(ownArchive_, writer_.ArchivePath());
}

void ArchivePacker::AddFile(const std::string& diskPath, const std::string& entryName, int level, int smartFlags,
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
  // Bzip2 on the workers, block by block.
  const CompressorMaker compressor = [this](std::uint16_t method, int compressionLevel) -> std::unique_ptr<Compressor> {
    if (method == kMethodBzip2) return std::make_unique<ParallelBzip2Compressor>(compressionLevel, Pool());
    return MakeCompressor(method, compressionLevel);
  };
  try {
    writer_.WriteStreamed(*file, std::move(entry), level, (smartFlags & kSmartFailIfChanged) != 0,
                          (smartFlags & kSmartStoreIfNotSmaller) != 0, bufferSize, compressor);
  } catch (const ZipError& e) {
    if (e.Path().empty()) throw ZipError(e.Kind(), e.what(), e.OsError(), diskPath);
    throw;
  }
}

bool ArchivePacker::AddInBackground(InputFile& file, ZipEntry& entry, const std::string& diskPath, int level,
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
      throw ZipError(ZipErrorKind::SourceChanged, "the file \"" + entry.name + "\" changed size while it was read", 0,
                     diskPath);
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
  if (background_.OverLimit(Pool()->Threads())) {
    // Waiting for an entry half-way along rather than for each oldest one lets the workers wake the
    // writer once for many small files instead of once for every file.
    background_.WaitUntilReady(background_.Count() / 2);
    WritePending(false);
    while (background_.OverLimit(Pool()->Threads())) WriteOldestPending();
  }
  return true;
}

void ArchivePacker::WritePending(bool all) {
  while (!background_.Empty() && (all || background_.OldestReady())) WriteOldestPending();
}

void ArchivePacker::WriteOldestPending() {
  const std::string diskPath = background_.OldestPath();
  try {
    BackgroundEntries::Finished finished = background_.TakeOldest();
    writer_.WritePrepared(std::move(finished.entry), finished.data);
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

void ArchivePacker::Finish() {
  CheckUsable();
  WritePending(true);
  writer_.Finish();
}

void ArchivePacker::Abandon() noexcept {
  background_.Clear();
  writer_.Abandon();
}

} // namespace zipcore
