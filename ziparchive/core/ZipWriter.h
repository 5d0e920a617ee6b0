// Writes a new zip archive. The archive is built in a temporary file beside its final path and moved
// into place by Finish() only; a writer destroyed (or abandoned) without finishing removes its
// temporary file, so an existing file of the final name is only ever replaced by a complete archive.
//
// Entries are written one after another, each complete before the next: either streamed from a
// file through a compressor (WriteStreamed), or from data already in their final form
// (WritePrepared). Zip64 records are written wherever sizes, offsets or the entry count need them.
// A failed entry leaves the archive as it was before it; the writer stays usable.
//
// This is the container only: packing files from disk, with its threads and guesses, is the pack
// layer's (pack/ArchivePacker.h).
#pragma once

#include "core/methods/Codec.h"
#include "core/FileAccess.h"
#include "core/ZipEntry.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace zipcore {

// Told how many more bytes of the file being added have been read.
using WriteProgress = std::function<void(std::uint64_t bytes)>;

// Makes the compressor for an entry's method and level, instead of the method registry's.
using CompressorMaker = std::function<std::unique_ptr<Compressor>(std::uint16_t method, int level)>;

class ZipWriter {
public:
  // Starts a new archive that will replace `archivePath` when finished (its folder must exist).
  ZipWriter(FileAccess& files, const std::string& archivePath);
  ZipWriter(const ZipWriter&) = delete;
  ZipWriter& operator=(const ZipWriter&) = delete;
  ~ZipWriter();

  void SetProgress(WriteProgress progress) { progress_ = std::move(progress); }

  // Writes an entry from `file`, streamed through a buffer of `bufferSize` bytes (memory stays
  // bounded whatever the file's size) and through the compressor of entry.method at `level`
  // (`make`'s when given). `entry` carries the name, flags, times and attributes; its sizes,
  // CRC-32 and offsets are filled in here. failIfChanged: throw SourceChanged when the file's size
  // changed while it was read. storeIfNotSmaller: when the compressed data are not smaller than
  // the file, the entry is written again stored.
  void WriteStreamed(InputFile& file, ZipEntry entry, int level, bool failIfChanged, bool storeIfNotSmaller,
                     std::size_t bufferSize, const CompressorMaker& make = {});
  // Writes an entry whose data are ready as they go into the archive (compressed, or the file
  // itself when stored), its method, sizes and CRC-32 set; its offsets are filled in here.
  void WritePrepared(ZipEntry entry, const std::vector<std::uint8_t>& data);

  // Writes the central directory and moves the archive into place.
  void Finish();
  // Gives the archive up now and removes its temporary file.
  void Abandon() noexcept;

  bool IsOpen() const { return output_ != nullptr; }
  std::size_t Count() const { return entries_.size(); }
  const std::string& ArchivePath() const { return archivePath_; }
  // The temporary file the archive is written in (while open).
  const std::string& TemporaryPath() const { return output_->TemporaryPath(); }

private:
  // Writes the data of `entry` at the end of the archive; fills in its sizes and CRC-32.
  void WriteEntry(InputFile& file, ZipEntry& entry, int level, bool failIfChanged, std::size_t bufferSize,
                  const CompressorMaker& make);

  std::string archivePath_;
  std::unique_ptr<OutputFile> output_;
  std::uint64_t position_ = 0; // end of the archive written so far
  std::vector<ZipEntry> entries_;
  WriteProgress progress_;
};

} // namespace zipcore
