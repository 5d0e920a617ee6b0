// Reads a zip archive: its central directory at construction, then entry data on demand.
//
// Opening refuses, with a ZipError naming the problem, any archive that:
//  - is not a zip archive, is truncated, or has records pointing outside the file (BadArchive);
//  - is split into volumes and its directory does not lie whole in this file, its last (Unsupported);
//  - has entries whose data overlap one another (BadArchive), the trick of "overlapping" zip bombs.
// Names are never refused: each entry gets a diskName, its name made safe to write below a folder on
// Windows and unique in the archive (DiskNames.h); extraction writes there. Bytes that are not UTF-8
// in a name said to be UTF-8 become "_". Names without the UTF-8 flag (bit 11) are decoded from code page 437, except that names made on
// Unix that are valid UTF-8 are taken as UTF-8 (Unix zip tools store them so without the flag), and an
// Info-ZIP Unicode path field (0x7075) made for the name is preferred.
//
// Supported data: methods stored, deflate, deflate64, bzip2, LZMA, Zstandard and XZ; data descriptors;
// zip64; leading bytes (for example a self-extractor stub) and trailing bytes. Encrypted entries
// under traditional PKWARE encryption or WinZip AES (AE-1, AE-2), with any of those methods inside,
// given a password (SetPasswords). Other methods and encryptions fail clearly when their data is
// tested or extracted (Unsupported); they never produce output.
#pragma once

#include "core/methods/Codec.h"
#include "core/FileAccess.h"
#include "core/ZipEntry.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

namespace zipcore {

class AesKeysAhead;
class DecodeAhead;
class VerifiedSpool;
class WorkerPool;

// Told how many more bytes of compressed data have been read.
using ReadProgress = std::function<void(std::uint64_t bytes)>;

class ZipReader {
public:
  ZipReader(FileAccess& files, const std::string& archivePath);
  ZipReader(FileAccess& files, std::unique_ptr<InputFile> archive);
  ZipReader(const ZipReader&) = delete;
  ZipReader& operator=(const ZipReader&) = delete;
  // At any point, after any entry or failure: work queued for entries decoded ahead is cancelled,
  // running work is finished and dropped, and a spool file is removed. Nothing is kept.
  ~ZipReader();   // the passwords are wiped

  std::size_t Count() const { return entries_.size(); }
  const ZipEntry& Entry(std::size_t index) const;
  const std::vector<ZipEntry>& Entries() const { return entries_; }

  // Empty when Extract can write the entry, otherwise why it cannot, in a few words: "encrypted",
  // "compression method PPMd not supported", "part of a split archive" (its data lie in another
  // volume), "no name is left once made safe". A caller unpacking everything skips these entries.
  std::string WhyNotExtractable(std::size_t index) const;

  void SetProgress(ReadProgress progress) { progress_ = std::move(progress); }

  // True when the entry is encrypted in a way this reader decrypts, given its password.
  bool NeedsPassword(std::size_t index) const;
  // The byte forms of the one password to try on encrypted entries (for example its UTF-8 and its
  // Windows code page forms), tried in order; the form that fits an entry is tried first from then
  // on. Replaces (and wipes) the forms given before; none: no password. Wiped by the destructor.
  void SetPasswords(std::vector<std::string> forms);

  // Decompresses entry `index` into `out`, checking its sizes and CRC-32 at the end (the data
  // delivered before a failure is not yet verified). Corrupt data throws CorruptEntry; an unknown
  // method or encryption throws Unsupported; read failures throw Io. An encrypted entry whose
  // password fails the check of its header throws WrongPassword before anything is delivered.
  void ReadData(std::size_t index, ByteSink& out, std::size_t bufferSize);

  // True when the entry's data decompress to the recorded size and CRC-32; false for corrupt
  // data. Throws for everything that is not about the entry's data (I/O, unsupported method).
  // An encrypted entry is tested with each password form in turn; none fitting throws
  // WrongPassword. A traditionally encrypted entry that fails its CRC-32 or its decompression counts
  // as under a wrong password (its check byte lets a wrong one through 1 time in 256); a WinZip AES
  // entry that fails its authentication code counts as damaged.
  // Small entries are decoded ahead on worker threads (DecodeAhead), and the verified data of the
  // entry tested last are kept (in memory, or for a large entry in a temporary file beside the
  // archive, see VerifiedSpool), so that extracting it next does not decompress it again.
  bool Test(std::size_t index, std::size_t bufferSize);

  // Writes entry `index` below `targetFolder` under its diskName, creating the folder and (with
  // fullPath) the entry's folders. fullPath false keeps only the last component of the name. A
  // non-empty `newName` replaces it and must be safe as it stands (UnsafeName otherwise). The file is written under a temporary name in
  // its folder and renamed when complete and verified, so a failure never leaves a partial file under
  // the entry's name; its modification time is restored. Folder entries create folders. Links are
  // never created. Throws ZipError (CorruptEntry for damaged data).
  void Extract(std::size_t index, const std::string& targetFolder, bool fullPath,
               const std::string& newName, std::size_t bufferSize);

private:
  // Bzip2 entries this large are decoded block by block on worker threads (ParallelBzip2Decompressor).
  static constexpr std::uint64_t kParallelDecodeFrom = 1u << 20;
  // `password`: for an encrypted entry, the byte form to decrypt it with.
  void Decode(std::size_t index, ByteSink& out, std::size_t bufferSize, bool parallel,
              const std::string* password = nullptr);
  // Decrypts and decodes with the first password form that passes the entry's header check.
  void DecodeEncrypted(std::size_t index, ByteSink& out, std::size_t bufferSize);
  // Test of an encrypted entry: each form in turn, `restart` emptying `out` between attempts.
  bool TestEncrypted(std::size_t index, ByteSink& out, std::size_t bufferSize, const std::function<void()>& restart);
  bool DecodesInParallel(const ZipEntry& entry) const;
  // Decodes on worker threads; false when the data seem damaged (the serial decoder then decides).
  bool TryParallel(std::size_t index, ByteSink& out, std::size_t bufferSize);
  std::shared_ptr<WorkerPool> Pool();
  // Copies the spooled data of `index` into `output`; false when there are none to copy.
  bool CopySpool(std::size_t index, OutputFile& output);
  void MakeFolders(const std::string& path);

  FileAccess& files_;
  std::string archivePath_; // empty when opened from an InputFile: then nothing is spooled
  std::unique_ptr<InputFile> archive_;
  std::vector<ZipEntry> entries_;
  ReadProgress progress_;
  std::shared_ptr<WorkerPool> pool_;    // made when first needed; outlives all that uses it
  std::unique_ptr<DecodeAhead> ahead_; // made by the first Test
  std::unique_ptr<AesKeysAhead> keysAhead_; // made by the first AES entry decrypted
  std::unique_ptr<VerifiedSpool> spool_;
  std::size_t spoolIndex_ = 0;
  std::unordered_set<std::string> madeFolders_;
  std::vector<std::string> passwords_;
};

} // namespace zipcore
