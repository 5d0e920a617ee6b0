// WinZip's AES encryption of zip entries (AE-1 and AE-2): keys of 128, 192 or 256 bits derived from
// the password and the entry's salt by PBKDF2-HMAC-SHA1 (1000 rounds), a 2-byte password verifier,
// AES in counter mode with a little-endian counter starting at 1, and the first 10 bytes of an
// HMAC-SHA1 of the encrypted data as the authentication code. The primitives are Mbed TLS's.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace zipcore {

constexpr std::size_t kAesVerifierSize = 2;
constexpr std::size_t kAesAuthenticationSize = 10;
// Salt bytes for key strength 1, 2 or 3 (AES-128, -192, -256); 0 for any other strength.
std::size_t AesSaltSize(int strength);

// What PBKDF2 derives from a password and an entry's salt: the AES key, the authentication key and
// the verifier. The costly part (1000 rounds), so it may be made ahead on another thread. Wiped.
struct AesKeys {
  std::uint8_t bytes[2 * 32 + kAesVerifierSize] = {};
  std::size_t keySize = 0; // 16, 24 or 32
  AesKeys() = default;
  AesKeys(const AesKeys& other);
  AesKeys& operator=(const AesKeys& other);
  ~AesKeys();
};
class Pbkdf2Sha1;
// `salt` holds AesSaltSize(strength) bytes (strength 1 to 3); `password` is the password made ready
// for PBKDF2 once, for all the entries under it.
void DeriveAesKeys(const Pbkdf2Sha1& password, int strength, const std::uint8_t* salt, AesKeys& keys);
void DeriveAesKeys(const std::string& password, int strength, const std::uint8_t* salt, AesKeys& keys);

class WinZipAesDecryptor {
public:
  // Derives the keys; `salt` holds AesSaltSize(strength) bytes (strength 1 to 3).
  WinZipAesDecryptor(const std::string& password, int strength, const std::uint8_t* salt);
  explicit WinZipAesDecryptor(const AesKeys& keys);
  ~WinZipAesDecryptor(); // every key is wiped
  WinZipAesDecryptor(const WinZipAesDecryptor&) = delete;
  WinZipAesDecryptor& operator=(const WinZipAesDecryptor&) = delete;

  // True when the entry's verifier is the password's (a wrong one passes 1 time in 65,536).
  bool VerifierMatches(const std::uint8_t (&verifier)[kAesVerifierSize]) const;
  // Authenticates, then decrypts, the next bytes of the entry's data.
  void Decrypt(std::uint8_t* data, std::size_t length);
  // After the last byte: true when `code` is the authentication code of all the data.
  bool Authentic(const std::uint8_t (&code)[kAesAuthenticationSize]);

private:
  struct State;
  std::unique_ptr<State> state_;
};

} // namespace zipcore
