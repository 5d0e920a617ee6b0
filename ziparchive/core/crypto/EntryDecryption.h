// The encryption layer under an entry's compressed data: reads the entry's encryption header,
// checks the password against it, decrypts the data as they are read, and (WinZip AES) checks the
// authentication code at their end. Nothing decrypted leaves before the password passed its check.
#pragma once

#include "core/FileAccess.h"
#include "core/ZipEntry.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace zipcore {

struct AesKeys;
class TraditionalCipher;
class WinZipAesDecryptor;

class EntryDecryption {
public:
  // Reads the header of `entry` (EntryEncryption Traditional or WinZipAes) from `archive`. Throws
  // ZipError WrongPassword when `password` fails the header's check, CorruptEntry when the entry is
  // too short to hold one, Io when it cannot be read. `derived`, when given, holds the WinZip AES
  // keys already derived from `password` and the entry's salt.
  EntryDecryption(const ZipEntry& entry, InputFile& archive, const std::string& password,
                  const AesKeys* derived = nullptr);
  ~EntryDecryption();
  EntryDecryption(const EntryDecryption&) = delete;
  EntryDecryption& operator=(const EntryDecryption&) = delete;

  // Where the encrypted compressed data lie, between the header and (AES) the authentication code.
  std::uint64_t DataOffset() const { return dataOffset_; }
  std::uint64_t DataSize() const { return dataSize_; }
  void Decrypt(std::uint8_t* data, std::size_t length);
  // After the last byte: throws CorruptEntry when a WinZip AES entry's authentication code differs.
  void Finish();

  // The bytes encryption adds to an entry's compressed size (its header and trailer).
  static std::uint64_t Overhead(const ZipEntry& entry);

private:
  const ZipEntry& entry_;
  InputFile& archive_;
  std::uint64_t dataOffset_ = 0, dataSize_ = 0;
  std::unique_ptr<TraditionalCipher> traditional_;
  std::unique_ptr<WinZipAesDecryptor> aes_;
};

} // namespace zipcore
