// How ZipWriter writes an entry's data: streamed through a compressor into the archive, or read
// whole, compressed in the background and written when its turn comes.
#include "core/ZipWriter.h"

#include "core/EntryName.h"
#include "core/ZipError.h"
#include "core/ZipFormat.h"
#include "core/ZipRecords.h"
#include "core/methods/Codec.h"
#include "core/methods/CompressibilityGuess.h"
#include "core/parallel/Bzip2EncoderPool.h"
#include "core/parallel/ParallelBzip2Compressor.h"

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
  if (background_.OverLimit(Pool()->Threads())) {
    // Waiting for an entry half-way along rather than for each oldest one lets the workers wake the
    // writer once for many small files instead of once for every file.
    background_.WaitUntilReady(background_.Count() / 2);
    WritePending(false);
    while (background_.OverLimit(Pool()->Threads())) WriteOldestPending();
  }
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

} // namespace zipcore
