// Packs files from disk into a new zip archive the way the zip job does, file after file, over the
// container (ZipWriter), which builds the archive in a temporary file and moves it into place when
// finished; a packer destroyed (or abandoned) without finishing removes it.
//
// Entries carry the file's modification time as DOS time plus the extended-timestamp field
// (0x5455). Names are relative with "/" separators ("\" is converted); names beyond ASCII are
// stored as UTF-8 with the language-encoding flag (bit 11). File data are streamed through a buffer
// of the size given to AddFile, so memory stays bounded whatever the size of a file.
//
// Bzip2 entries are compressed on worker threads (ParallelBzip2Compressor), with the same bytes
// whatever the number of threads. With kSmartStoreIfNotSmaller, files whose data look already
// compressed (CompressibilityGuess) are stored without a trial. Small files are read whole and
// compressed in the background while the next files are read (BackgroundEntries), and their entries
// are written in the order they were added. A failure that shows only then (the disk filling up
// while an earlier entry is written) is thrown by the call that meets it, and the packer then
// refuses to go on (Usage): an archive is never finished without an entry whose AddFile returned.
#pragma once

#include "core/pack/BackgroundEntries.h"
#include "core/FileAccess.h"
#include "core/ZipEntry.h"
#include "core/ZipWriter.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

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

class ArchivePacker {
public:
  // Starts a new archive that will replace `archivePath` when finished (its folder must exist).
  ArchivePacker(FileAccess& files, const std::string& archivePath);
  ArchivePacker(const ArchivePacker&) = delete;
  ArchivePacker& operator=(const ArchivePacker&) = delete;
  ~ArchivePacker();

  // Method of the entries added from now on: 0 stored, 8 deflate, 12 bzip2 (the default).
  // Other values throw Unsupported and leave the method unchanged.
  void SetMethod(std::uint16_t method);
  std::uint16_t Method() const { return method_; }

  void SetProgress(WriteProgress progress);

  // Adds the file at `diskPath` as `entryName`. level: -1 the library's default, 0 store, 1-9.
  // smartFlags: a combination of SmartFlags. bufferSize: bytes read from the file at a time.
  // A failed add leaves the archive as it was before the call; the packer stays usable.
  void AddFile(const std::string& diskPath, const std::string& entryName, int level, int smartFlags,
               std::size_t bufferSize);

  // Writes the entries still in the background, the central directory, and moves the archive into place.
  void Finish();
  // Gives the archive up now and removes its temporary file.
  void Abandon() noexcept;

  bool IsOpen() const { return writer_.IsOpen(); }
  std::size_t Count() const { return writer_.Count() + background_.Count(); }
  const std::string& ArchivePath() const { return writer_.ArchivePath(); }

private:
  // `status` is what `file` (the file at diskPath) tells of itself; its volume is asked only when needed.
  bool IsOwnArchive(const std::string& diskPath, const FileStatus& status, InputFile& file);
  // Reads a small file whole and hands it to the workers; false when the file turned out larger.
  bool AddInBackground(InputFile& file, ZipEntry& entry, const std::string& diskPath, int level, int smartFlags,
                       std::size_t bufferSize);
  // Writes the oldest background entries: those already compressed, or (all) every one.
  void WritePending(bool all);
  void WriteOldestPending();
  void CheckUsable() const;
  std::shared_ptr<Bzip2EncoderPool> Pool();

  FileAccess& files_;
  ZipWriter writer_;
  // The temporary file and the archive as they were when the first file was added: neither changes
  // before the archive is closed, and looking them up for every file costs two file-system calls.
  bool ownFilesKnown_ = false;
  FileStatus ownTemporary_, ownArchive_;
  std::uint16_t method_ = kMethodBzip2;
  WriteProgress progress_;
  std::shared_ptr<Bzip2EncoderPool> pool_;
  BackgroundEntries background_;
  bool broken_ = false; // a background entry could not be written
};

} // namespace zipcore
