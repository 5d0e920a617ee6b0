#include "core/ZipReader.h"

#include "core/CentralDirectory.h"
#include "core/crypto/EntryDecryption.h"
#include "core/crypto/Wipe.h"
#include "core/EndOfCentral.h"
#include "core/EntryCheck.h"
#include "core/EntryName.h"
#include "core/ZipError.h"
#include "core/ZipFormat.h"

#include <algorithm>

namespace zipcore {
namespace {

// Buffers of the caller's size, within reason.
std::size_t ClampBuffer(std::size_t size) { return std::clamp<std::size_t>(size, 4096, 16 * 1024 * 1024); }

} // namespace

ZipReader::ZipReader(FileAccess& files, const std::string& archivePath)
    : files_(files), archivePath_(archivePath), archive_(files.OpenForReading(archivePath)) {
  try {
    entries_ = ReadCentralDirectory(*archive_, FindCentralDirectory(*archive_));
  } catch (const ZipError& e) {
    if (!e.Path().empty()) throw;
    throw ZipError(e.Kind(), e.what(), e.OsError(), archivePath);
  }
}

ZipReader::ZipReader(FileAccess& files, std::unique_ptr<InputFile> archive)
    : files_(files), archive_(std::move(archive)) {
  entries_ = ReadCentralDirectory(*archive_, FindCentralDirectory(*archive_));
}

ZipReader::~ZipReader() { Wipe(passwords_); }

const ZipEntry& ZipReader::Entry(std::size_t index) const {
  if (index >= entries_.size())
    throw ZipError(ZipErrorKind::Usage, "there is no entry " + std::to_string(index) + " (the archive has " +
                                            std::to_string(entries_.size()) + ")");
  return entries_[index];
}

void ZipReader::ReadData(std::size_t index, ByteSink& out, std::size_t bufferSize) {
  if (NeedsPassword(index)) DecodeEncrypted(index, out, bufferSize);
  else Decode(index, out, bufferSize, nullptr);
}

void ZipReader::ReadData(std::size_t index, ByteSink& out, std::size_t bufferSize, const DecompressorMaker& make) {
  Decode(index, out, bufferSize, &make);
}

bool ZipReader::NeedsPassword(std::size_t index) const {
  const EntryEncryption encryption = Entry(index).Encryption();
  return encryption == EntryEncryption::Traditional || encryption == EntryEncryption::WinZipAes;
}

void ZipReader::SetPasswords(std::vector<std::string> forms) {
  Wipe(passwords_);
  passwords_ = std::move(forms);
  Wipe(forms); // moved from: empty, but its buffer may have been kept
}

void ZipReader::DecodeEncrypted(std::size_t index, ByteSink& out, std::size_t bufferSize) {
  const ZipEntry& entry = Entry(index);
  for (std::size_t form = 0; form < passwords_.size(); ++form) {
    try {
      Decode(index, out, bufferSize, nullptr, &passwords_[form]);
      return;
    } catch (const ZipError& e) {
      // WrongPassword comes from the header's check, before anything was delivered: the next form
      // may fit. Data delivered already cannot be taken back, so a form that passed stays the last.
      if (e.Kind() == ZipErrorKind::WrongPassword && form + 1 < passwords_.size()) continue;
      // Traditional data that fail their checks were decrypted with a wrong password, most likely.
      if (e.Kind() == ZipErrorKind::CorruptEntry && entry.Encryption() == EntryEncryption::Traditional)
        throw ZipError(ZipErrorKind::WrongPassword, "the password does not fit the entry " + Quoted(entry.name));
      throw;
    }
  }
  throw ZipError(ZipErrorKind::WrongPassword, "no password was given for the entry " + Quoted(entry.name));
}

bool ZipReader::TestEncrypted(std::size_t index, ByteSink& out, std::size_t bufferSize,
                              const std::function<void()>& restart) {
  const ZipEntry& entry = Entry(index);
  for (std::size_t form = 0; form < passwords_.size(); ++form) {
    try {
      Decode(index, out, bufferSize, nullptr, &passwords_[form]);
      // The form that fits goes first: the next entries are most likely under the same one.
      std::rotate(passwords_.begin(), passwords_.begin() + static_cast<std::ptrdiff_t>(form),
                  passwords_.begin() + static_cast<std::ptrdiff_t>(form) + 1);
      return true;
    } catch (const ZipError& e) {
      if (e.Kind() == ZipErrorKind::WrongPassword) continue;
      if (e.Kind() != ZipErrorKind::CorruptEntry) throw;
      // AES data that fail their authentication code were changed; traditional data that fail
      // their CRC-32 were most likely decrypted with a wrong password that passed the check byte.
      if (entry.Encryption() == EntryEncryption::WinZipAes) return false;
      restart();
    }
  }
  throw ZipError(ZipErrorKind::WrongPassword, "no password given fits the entry " + Quoted(entry.name));
}

std::optional<ReadRefusal> RefusalToRead(const ZipEntry& entry, bool passwordGiven) {
  const auto refusal = [&](std::string reason, const std::string& error) {
    return ReadRefusal{std::move(reason),
                       ZipError(ZipErrorKind::Unsupported, "the entry " + Quoted(entry.name) + error)};
  };
  if (entry.inOtherVolume) return refusal("part of a split archive", " lies in another volume");
  const EntryEncryption encryption = entry.Encryption();
  if (encryption == EntryEncryption::Other || (encryption != EntryEncryption::None && !passwordGiven))
    return refusal("encrypted", " is encrypted");
  if (!IsReadableMethod(entry.method)) {
    const std::string name = MethodName(entry.method);
    return refusal(
        "compression method " + (name == "unknown" ? std::to_string(entry.method) : name) + " not supported",
        " uses compression method " + std::to_string(entry.method) + " (" + name + "), which is not supported");
  }
  return std::nullopt;
}

std::string ZipReader::WhyNotReadable(std::size_t index) const {
  // Passwords can be given: an entry encrypted in a way decrypted here is readable.
  const std::optional<ReadRefusal> refusal = RefusalToRead(Entry(index), true);
  return refusal ? refusal->reason : std::string();
}

void ZipReader::Decode(std::size_t index, ByteSink& out, std::size_t bufferSize, const DecompressorMaker* make,
                       const std::string* password) {
  const ZipEntry& entry = Entry(index);
  if (std::optional<ReadRefusal> refusal = RefusalToRead(entry, password != nullptr)) throw refusal->error;
  const EntryEncryption encryption = entry.Encryption();
  // Some writers record an empty file under a compression method without any compressed bytes.
  if (entry.compressedSize == 0 && entry.uncompressedSize == 0 && entry.crc32 == 0) return;

  // Throws WrongPassword here, before a byte is delivered.
  std::unique_ptr<EntryDecryption> decryption;
  if (encryption == EntryEncryption::WinZipAes) {
    AesKeys keys;
    const bool ready = keySource_ && keySource_->Take(index, *password, keys);
    if (keySource_) keySource_->Decrypting(index, *password);
    decryption = std::make_unique<EntryDecryption>(entry, *archive_, *password, ready ? &keys : nullptr);
  } else if (encryption != EntryEncryption::None) {
    decryption = std::make_unique<EntryDecryption>(entry, *archive_, *password);
  }
  const std::uint64_t dataSize = decryption ? decryption->DataSize() : entry.compressedSize;
  if (entry.method == kMethodStored && dataSize != entry.uncompressedSize)
    throw ZipError(ZipErrorKind::CorruptEntry, "the stored entry " + Quoted(entry.name) + " has two different sizes");

  std::unique_ptr<Decompressor> decompressor = make ? (*make)() : MakeDecompressor(entry);
  CheckingSink checked(entry, &out);
  std::vector<std::uint8_t> buffer(
      static_cast<std::size_t>(std::min<std::uint64_t>(ClampBuffer(bufferSize), std::max<std::uint64_t>(dataSize, 1))));
  std::uint64_t position = decryption ? decryption->DataOffset() : entry.dataOffset, remaining = dataSize;
  bool finished = false;
  // Encrypted data are read to their end even past the end of the compressed stream: the
  // authentication code covers all of them.
  while (remaining > 0 && (!finished || decryption)) {
    std::size_t piece = static_cast<std::size_t>(std::min<std::uint64_t>(remaining, buffer.size()));
    if (archive_->ReadAt(position, buffer.data(), piece) != piece)
      throw ZipError(ZipErrorKind::CorruptEntry, "the archive ends inside the entry " + Quoted(entry.name));
    if (decryption) decryption->Decrypt(buffer.data(), piece);
    if (!finished) finished = decompressor->Write(buffer.data(), piece, checked);
    position += piece;
    remaining -= piece;
    ReportProgress(piece);
  }
  if (decryption) decryption->Finish();
  CheckEntryEnd(entry, finished, checked);
}

bool ZipReader::Test(std::size_t index, ByteSink& out, std::size_t bufferSize, const std::function<void()>& restart) {
  if (NeedsPassword(index)) return TestEncrypted(index, out, bufferSize, restart);
  try {
    ReadData(index, out, bufferSize);
    return true;
  } catch (const ZipError& e) {
    if (e.Kind() != ZipErrorKind::CorruptEntry) throw;
    return false;
  }
}

} // namespace zipcore
