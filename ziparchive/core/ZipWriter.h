// Writes a new zip archive. The archive is built in a temporary file beside its final path and moved
// into place by Finish() only; a writer destroyed (or abandoned) without finishing removes its
// temporary file, so an existing file of the final name is only ever replaced by a complete archive.
//
// Entries carry the file's modification time as DOS time plus the extended-timestamp field
// (0x5455). Names are relative with "/" separators ("\" is converted); names beyond ASCII are
// stored as UTF-8 with the language-encoding flag (bit 11). Zip64 records are written wherever
// sizes, offsets or the entry count need them. File data are streamed through a buffer of the size
// given to AddFile, so memory stays bounded whatever the size of a file.
//
// Bzip2 entries are compressed on worker threads (ParallelBzip2Compressor), with the same bytes
// whatever the number of threads. With kSmartStoreIfNotSmaller, files whose data look already
// compressed (CompressibilityGuess) are stored without a trial. Small files are read whole and
// compressed in the background while the next files are read, and their entries are written in the
// order they were added. A failure that shows only then (the disk filling up while an earlier entry
// is written) is thrown by the call that meets it, and the writer then refuses to go on (Usage): an
// archive is never finished without an entry whose AddFile returned.
#pragma once

#include "core/parallel/BackgroundEntries.h"
#include "core/FileAccess.h"
#include "core/ZipEntry.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace zipcore {

// Smartness flags of AddFile; 7 = all three.
enum SmartFlags : int {
  // Store the entry (method 0) when its compressed form would not be smaller than the file; data that
  // look already compressed are stored without trying.
  kSmartStoreIfNotSmaller = 1,
  // Fail the add (SourceChanged) when the file's size changed while it was read, instead of
  // writing an entry that no longer matches the file.
  kSmartFailIfChanged = 2,
  // Refuse (Usage) to add the archive's own file: its final path or its temporary file.
  kSmartRefuseOwnArchive = 4,
  kSmartAll = 7,
};

class Bzip2EncoderPool;

// Told how many more bytes of the file being added have been read.
using WriteProgress = std::function<void(std::uint64_t bytes)>;

class ZipWriter {
public:
  // Starts a new archive that will replace `archivePath` when finished (its folder must exist).
  ZipWriter(FileAccess& files, const std::string& archivePath);
  ZipWriter(const ZipWriter&) = delete;
  ZipWriter& operator=(const ZipWriter&) = delete;
  ~ZipWriter();

  // Method of the entries added from now on: 0 stored, 8 deflate, 12 bzip2 (the default).
  // Other values throw Unsupported and leave the method unchanged.
  void SetMethod(std::uint16_t method);
  std::uint16_t Method() const { return method_; }

  void SetProgress(WriteProgress progress) { progress_ = std::move(progress); }

  // Adds the file at `diskPath` as `entryName`. level: -1 the library's default, 0 store, 1-9.
  // smartFlags: a combination of SmartFlags. bufferSize: bytes read from the file at a time.
  // A failed add leaves the archive as it was before the call; the writer stays usable.
  void AddFile(const std::string& diskPath, const std::string& entryName, int level, int smartFlags,
               std::size_t bufferSize);

  // Writes the central directory and moves the archive into place.
  void Finish();
  // Gives the archive up now and removes its temporary file.
  void Abandon() noexcept;

  bool IsOpen() const { return output_ != nullptr; }
  std::size_t Count() const { return entries_.size() + background_.Count(); }
  const std::string& ArchivePath() const { return archivePath_; }

private:
  // Writes the data of `entry` at the end of the archive; fills in its sizes and CRC-32.
  void WriteEntry(InputFile& file, ZipEntry& entry, int level, bool failIfChanged, std::size_t bufferSize);
  // `status` is what `file` (the file at diskPath) tells of itself; its volume is asked only when needed.
  bool IsOwnArchive(const std::string& diskPath, const FileStatus& status, InputFile& file);
  // Reads a small file whole and hands it to the workers; false when the file turned out larger.
  bool AddInBackground(InputFile& file, ZipEntry& entry, const std::string& diskPath, int level,
                       int smartFlags, std::size_t bufferSize);
  // Writes the oldest background entries: those already compressed, or (all) every one.
  void WritePending(bool all);
  void WriteOldestPending();
  void CheckUsable() const;
  std::shared_ptr<Bzip2EncoderPool> Pool();

  FileAccess& files_;
  std::string archivePath_;
  std::unique_ptr<OutputFile> output_;
  // The temporary file and the archive as they were when the first file was added: neither changes
  // before the archive is closed, and looking them up for every file costs two file-system calls.
  bool ownFilesKnown_ = false;
  FileStatus ownTemporary_, ownArchive_;
  std::uint64_t position_ = 0; // end of the archive written so far
  std::uint16_t method_ = kMethodBzip2;
  std::vector<ZipEntry> entries_;
  WriteProgress progress_;
  std::shared_ptr<Bzip2EncoderPool> pool_;
  BackgroundEntries background_;
  bool broken_ = false; // a background entry could not be written
};

} // namespace zipcore
