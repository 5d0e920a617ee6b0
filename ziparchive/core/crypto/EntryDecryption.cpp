#include "core/crypto/EntryDecryption.h"

#include "core/crypto/TraditionalCipher.h"
#include "core/crypto/WinZipAes.h"
#include "core/EntryName.h"
#include "core/ZipError.h"
#include "core/ZipFormat.h"

namespace zipcore {
namespace {

[[noreturn]] void TooShort(const ZipEntry& entry) {
  throw ZipError(ZipErrorKind::CorruptEntry, "the encrypted entry " + Quoted(entry.name) + " is too short");
}

[[noreturn]] void Wrong(const ZipEntry& entry) {
  throw ZipError(ZipErrorKind::WrongPassword, "the password does not fit the entry " + Quoted(entry.name));
}

void ReadExactly(InputFile& archive, const ZipEntry& entry, std::uint64_t offset, std::uint8_t* data,
                 std::size_t size) {
  if (archive.ReadAt(offset, data, size) != size)
    throw ZipError(ZipErrorKind::CorruptEntry, "the archive ends inside the entry " + Quoted(entry.name));
}

} // namespace

std::uint64_t EntryDecryption::Overhead(const ZipEntry& entry) {
  switch (entry.Encryption()) {
  case EntryEncryption::Traditional: return kTraditionalHeaderSize;
  case EntryEncryption::WinZipAes: return AesSaltSize(entry.aesStrength) + kAesVerifierSize + kAesAuthenticationSize;
  default: return 0;
  }
}

EntryDecryption::EntryDecryption(const ZipEntry& entry, InputFile& archive, const std::string& password,
                                 const AesKeys* derived)
    : entry_(entry), archive_(archive) {
  const std::uint64_t overhead = Overhead(entry);
  if (overhead == 0)
    throw ZipError(ZipErrorKind::Unsupported,
                   "the entry " + Quoted(entry.name) + " is encrypted in a way not supported");
  if (entry.compressedSize < overhead) TooShort(entry);
  dataSize_ = entry.compressedSize - overhead;

  if (entry.Encryption() == EntryEncryption::Traditional) {
    std::uint8_t header[kTraditionalHeaderSize];
    ReadExactly(archive, entry, entry.dataOffset, header, sizeof header);
    traditional_ = std::make_unique<TraditionalCipher>(password);
    const std::uint8_t check = traditional_->CheckByte(header);
    // With a data descriptor the writer may not have known the CRC-32 yet and checks with the
    // time instead; some writers use the CRC-32 all the same, so either is taken then.
    const bool crcCheck = check == static_cast<std::uint8_t>(entry.crc32 >> 24);
    const bool timeCheck =
        (entry.flags & kFlagDataDescriptor) && check == static_cast<std::uint8_t>(entry.dosTime >> 8);
    if (!crcCheck && !timeCheck) Wrong(entry);
    dataOffset_ = entry.dataOffset + kTraditionalHeaderSize;
    return;
  }

  const std::size_t saltSize = AesSaltSize(entry.aesStrength);
  std::uint8_t salt[16];
  std::uint8_t verifier[kAesVerifierSize];
  ReadExactly(archive, entry, entry.dataOffset, salt, saltSize);
  ReadExactly(archive, entry, entry.dataOffset + saltSize, verifier, sizeof verifier);
  aes_ = derived ? std::make_unique<WinZipAesDecryptor>(*derived)
                 : std::make_unique<WinZipAesDecryptor>(password, entry.aesStrength, salt);
  if (!aes_->VerifierMatches(verifier)) Wrong(entry);
  dataOffset_ = entry.dataOffset + saltSize + kAesVerifierSize;
}

EntryDecryption::~EntryDecryption() = default;

void EntryDecryption::Decrypt(std::uint8_t* data, std::size_t length) {
  if (traditional_) traditional_->Decrypt(data, length);
  else aes_->Decrypt(data, length);
}

void EntryDecryption::Finish() {
  if (!aes_) return;
  std::uint8_t code[kAesAuthenticationSize];
  ReadExactly(archive_, entry_, dataOffset_ + dataSize_, code, sizeof code);
  if (!aes_->Authentic(code))
    throw ZipError(ZipErrorKind::CorruptEntry, "the entry " + Quoted(entry_.name) + " fails its authentication check");
}

} // namespace zipcore
