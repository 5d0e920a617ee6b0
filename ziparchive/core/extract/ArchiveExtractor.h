// Unpacks a zip archive into a folder the way the unzip job does, entry after entry: Test, then
// Extract. Over the container (ZipReader), it adds what makes that fast on several cores:
//  - small entries are decoded ahead on worker threads (DecodeAhead) and their verified data kept
//    in memory until they are extracted;
//  - large bzip2 entries are decoded block by block on the workers (ParallelBzip2Decompressor);
//  - the verified data of a large entry tested last wait in a temporary file beside the archive
//    (VerifiedSpool), which becomes the extracted file or is copied into it;
//  - the keys of the next WinZip AES entries are derived on the workers (AesKeysAhead);
//  - each folder on disk is made once.
// Names are never refused: each entry gets a name on disk (DiskNames.h), made safe to write below a
// folder on Windows and unique in the archive, when the extractor is made.
// Which of these supplies an entry's data is chosen in one place: Test and SourceFor.
#pragma once

#include "core/FileAccess.h"
#include "core/ZipEntry.h"
#include "core/ZipReader.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

namespace zipcore {

class AesKeysAhead;
class DecodeAhead;
class VerifiedSpool;
class WorkerPool;

class ArchiveExtractor {
public:
  // `reader` must outlive the extractor; its progress callback is told of every byte dealt with.
  explicit ArchiveExtractor(ZipReader& reader);
  ArchiveExtractor(const ArchiveExtractor&) = delete;
  ArchiveExtractor& operator=(const ArchiveExtractor&) = delete;
  // At any point, after any entry or failure: work queued for entries decoded ahead is cancelled,
  // running work is finished and dropped, and a spool file is removed. Nothing is kept.
  ~ArchiveExtractor();

  // The name entry `index` is written under below a target folder ("/" separators, no trailing "/"):
  // its name made safe on Windows and unique in the archive (DiskNames.h). Empty: nowhere.
  const std::string& DiskName(std::size_t index) const;
  // Empty when Extract can write the entry, otherwise why it cannot, in a few words: "encrypted",
  // "compression method PPMd not supported", "part of a split archive" (its data lie in another
  // volume), "no name is left once made safe". A caller unpacking everything skips these entries.
  std::string WhyNotExtractable(std::size_t index) const;

  // ZipReader::Test, with the same verdicts and errors. The verified data of the entry tested last
  // are kept, so that extracting it next does not decompress it again.
  bool Test(std::size_t index, std::size_t bufferSize);

  // Writes entry `index` below `targetFolder` under its DiskName, creating the folder and (with
  // fullPath) the entry's folders. fullPath false keeps only the last component of the name. A
  // non-empty `newName` replaces it and must be safe as it stands (UnsafeName otherwise). The file is written under a
  // temporary name in its folder and renamed when complete and verified, so a failure never leaves a partial file under
  // the entry's name; its modification time is restored. Folder entries create folders. Links are
  // never created. Throws ZipError (CorruptEntry for damaged data).
  void Extract(std::size_t index, const std::string& targetFolder, bool fullPath, const std::string& newName,
               std::size_t bufferSize);

private:
  // Where Extract takes an entry's data from.
  enum class Source {
    DecodedAhead,  // verified by the last Test on a worker, in memory
    Spool,         // verified by the last Test, in the spool file: moved into place, else copied
    ParallelBzip2, // decoded now on the workers; serially when they find the data damaged
    Serial,        // decoded now
  };
  Source SourceFor(std::size_t index) const;

  // Bzip2 entries this large are decoded block by block on worker threads (ParallelBzip2Decompressor).
  static constexpr std::uint64_t kParallelDecodeFrom = 1u << 20;
  bool DecodesInParallel(const ZipEntry& entry) const;
  // Decodes on worker threads; false when the data seem damaged (the serial decoder then decides).
  bool TryParallel(std::size_t index, ByteSink& out, std::size_t bufferSize);
  // Decodes entry `index` into `output` now, on the workers or serially.
  void DecodeInto(std::size_t index, OutputFile& output, std::size_t bufferSize);
  // Copies the spooled data of `index` into `output`; false when they cannot be read back.
  bool CopySpool(std::size_t index, OutputFile& output);
  std::shared_ptr<WorkerPool> Pool();
  void MakeFolders(const std::string& path);

  class KeysAhead;

  ZipReader& reader_;
  std::vector<std::string> diskNames_;
  std::shared_ptr<WorkerPool> pool_;     // made when first needed; outlives all that uses it
  std::unique_ptr<DecodeAhead> ahead_;   // made by the first Test
  std::unique_ptr<KeysAhead> keysAhead_; // derives keys once the first AES entry is decrypted
  std::unique_ptr<VerifiedSpool> spool_;
  std::size_t spoolIndex_ = 0;
  std::unordered_set<std::string> madeFolders_;
};

} // namespace zipcore
