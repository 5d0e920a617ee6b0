// The traditional PKWARE encryption of zip entries (APPNOTE 6.1, "ZipCrypto"): a stream cipher of
// three 32-bit keys stirred by CRC-32, and its 12-byte header whose last byte checks the password.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace zipcore {

constexpr std::size_t kTraditionalHeaderSize = 12;

class TraditionalCipher {
public:
  explicit TraditionalCipher(const std::string& password);
  ~TraditionalCipher(); // the keys are wiped
  TraditionalCipher(const TraditionalCipher&) = delete;
  TraditionalCipher& operator=(const TraditionalCipher&) = delete;

  void Decrypt(std::uint8_t* data, std::size_t length);
  // Decrypts the entry's header and gives its check byte (its last one).
  std::uint8_t CheckByte(const std::uint8_t (&header)[kTraditionalHeaderSize]);

private:
  void Update(std::uint8_t plain);

  std::uint32_t keys_[3];
};

} // namespace zipcore
