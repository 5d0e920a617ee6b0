// Reads a zip archive: its central directory at construction, then entry data on demand.
//
// Opening refuses, with a ZipError naming the problem, any archive that:
//  - is not a zip archive, is truncated, or has records pointing outside the file (BadArchive);
//  - is split into volumes and its directory does not lie whole in this file, its last (Unsupported);
//  - has entries whose data overlap one another (BadArchive), the trick of "overlapping" zip bombs.
// Names are never refused (an unpacker makes them safe to write, see extract/DiskNames.h). Bytes that are not UTF-8
// in a name said to be UTF-8 become "_". Names without the UTF-8 flag (bit 11) are decoded from code page 437, except
// that names made on Unix that are valid UTF-8 are taken as UTF-8 (Unix zip tools store them so without the flag), and
// an Info-ZIP Unicode path field (0x7075) made for the name is preferred.
//
// Supported data: methods stored, deflate, deflate64, bzip2, LZMA, Zstandard and XZ; data descriptors;
// zip64; leading bytes (for example a self-extractor stub) and trailing bytes. Encrypted entries
// under traditional PKWARE encryption or WinZip AES (AE-1, AE-2), with any of those methods inside,
// given a password (SetPasswords). Other methods and encryptions fail clearly when their data is
// tested or read (Unsupported); they never produce output.
//
// This is the container only: entries are read as verified streams through the method registry
// (methods/Codec.h) and decrypted by crypto/. Unpacking into a folder, with its threads and caches,
// is the extraction layer's (extract/ArchiveExtractor.h).
#pragma once

#include "core/crypto/WinZipAes.h"
#include "core/methods/Codec.h"
#include "core/FileAccess.h"
#include "core/ZipEntry.h"
#include "core/ZipError.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace zipcore {

// Told how many more bytes of compressed data have been read.
using ReadProgress = std::function<void(std::uint64_t bytes)>;

// Makes the decompressor an entry's data go through, instead of the method registry's.
using DecompressorMaker = std::function<std::unique_ptr<Decompressor>()>;

// What keeps the data of an entry from being read: in a few words (`reason`, as WhyNotReadable gives
// it) and as the Unsupported error reading throws.
struct ReadRefusal {
  std::string reason;
  ZipError error;
};

// The one rule for which entries can be read: nothing when the data of `entry` can be; a refusal when
// they lie in another volume, are encrypted in a way not decrypted here (or at all, when no password
// is given), or use a method the registry cannot read.
std::optional<ReadRefusal> RefusalToRead(const ZipEntry& entry, bool passwordGiven);

// Keys of WinZip AES entries derived before the reader needs them (for example on other threads).
class AesKeySource {
public:
  virtual ~AesKeySource() = default;
  // The keys of entry `index` under `password` when they were prepared (may wait for them); false:
  // the reader derives them itself.
  virtual bool Take(std::size_t index, const std::string& password, AesKeys& keys) = 0;
  // Told that entry `index` is being decrypted under `password`, before its data are read.
  virtual void Decrypting(std::size_t index, const std::string& password) = 0;
};

class ZipReader {
public:
  ZipReader(FileAccess& files, const std::string& archivePath);
  ZipReader(FileAccess& files, std::unique_ptr<InputFile> archive);
  ZipReader(const ZipReader&) = delete;
  ZipReader& operator=(const ZipReader&) = delete;
  ~ZipReader(); // the passwords are wiped

  std::size_t Count() const { return entries_.size(); }
  const ZipEntry& Entry(std::size_t index) const;
  const std::vector<ZipEntry>& Entries() const { return entries_; }

  // The files the archive was opened through, its path (empty when opened from an InputFile) and
  // the archive file itself (read with ReadAt, which may be called from any thread).
  FileAccess& Files() const { return files_; }
  const std::string& ArchivePath() const { return archivePath_; }
  InputFile& Archive() const { return *archive_; }

  // Empty when the entry's data can be read, otherwise why not, in a few words: "encrypted",
  // "compression method PPMd not supported", "part of a split archive" (its data lie in another
  // volume).
  std::string WhyNotReadable(std::size_t index) const;

  void SetProgress(ReadProgress progress) { progress_ = std::move(progress); }
  // Tells the progress callback, if any, that `bytes` more compressed bytes have been dealt with.
  void ReportProgress(std::uint64_t bytes) const {
    if (progress_) progress_(bytes);
  }

  // True when the entry is encrypted in a way this reader decrypts, given its password.
  bool NeedsPassword(std::size_t index) const;
  // The byte forms of the one password to try on encrypted entries (for example its UTF-8 and its
  // Windows code page forms), tried in order; the form that fits an entry is tried first from then
  // on. Replaces (and wipes) the forms given before; none: no password. Wiped by the destructor.
  void SetPasswords(std::vector<std::string> forms);
  // Where WinZip AES keys prepared ahead come from; none (the default): each is derived when needed.
  // The source must outlive its use by this reader.
  void SetAesKeySource(AesKeySource* source) { keySource_ = source; }

  // Decompresses entry `index` into `out`, checking its sizes and CRC-32 at the end (the data
  // delivered before a failure is not yet verified). Corrupt data throws CorruptEntry; an unknown
  // method or encryption throws Unsupported; read failures throw Io. An encrypted entry whose
  // password fails the check of its header throws WrongPassword before anything is delivered.
  void ReadData(std::size_t index, ByteSink& out, std::size_t bufferSize);
  // ReadData of an entry that is not encrypted, through the decompressor `make` returns.
  void ReadData(std::size_t index, ByteSink& out, std::size_t bufferSize, const DecompressorMaker& make);

  // True when the entry's data decompress to the recorded size and CRC-32; false for corrupt
  // data. Throws for everything that is not about the entry's data (I/O, unsupported method).
  // An encrypted entry is tested with each password form in turn; none fitting throws
  // WrongPassword. A traditionally encrypted entry that fails its CRC-32 or its decompression counts
  // as under a wrong password (its check byte lets a wrong one through 1 time in 256); a WinZip AES
  // entry that fails its authentication code counts as damaged.
  // The data are delivered into `out` (unverified until the end, as with ReadData); `restart` is
  // called to empty `out` before an encrypted entry is tried again under the next password form.
  bool Test(std::size_t index, ByteSink& out, std::size_t bufferSize, const std::function<void()>& restart);

private:
  // `password`: for an encrypted entry, the byte form to decrypt it with. `make`: the decompressor
  // to use instead of the registry's, or none.
  void Decode(std::size_t index, ByteSink& out, std::size_t bufferSize, const DecompressorMaker* make,
              const std::string* password = nullptr);
  // Decrypts and decodes with the first password form that passes the entry's header check.
  void DecodeEncrypted(std::size_t index, ByteSink& out, std::size_t bufferSize);
  // Test of an encrypted entry: each form in turn, `restart` emptying `out` between attempts.
  bool TestEncrypted(std::size_t index, ByteSink& out, std::size_t bufferSize, const std::function<void()>& restart);

  FileAccess& files_;
  std::string archivePath_; // empty when opened from an InputFile
  std::unique_ptr<InputFile> archive_;
  std::vector<ZipEntry> entries_;
  ReadProgress progress_;
  AesKeySource* keySource_ = nullptr;
  std::vector<std::string> passwords_;
};

} // namespace zipcore
