#include "core/crypto/WinZipAes.h"

#include "core/crypto/Pbkdf2Sha1.h"
#include "core/crypto/Wipe.h"
#include "core/ZipError.h"

#include <mbedtls/aes.h>
#include <mbedtls/md.h>
#include <mbedtls/platform_util.h>

#include <algorithm>
#include <cstring>

namespace zipcore {
namespace {

constexpr unsigned kKeyDerivationRounds = 1000;
constexpr std::size_t kBlock = 16;
// Key stream made ahead, so that AES is called for runs of blocks rather than per byte.
constexpr std::size_t kStreamBlocks = 32;

void Require(int result, const char* what) {
  if (result != 0) throw ZipError(ZipErrorKind::Usage, std::string("AES decryption could not ") + what);
}

} // namespace

std::size_t AesSaltSize(int strength) {
  switch (strength) {
  case 1: return 8;
  case 2: return 12;
  case 3: return 16;
  default: return 0;
  }
}

struct WinZipAesDecryptor::State {
  mbedtls_aes_context aes;
  mbedtls_md_context_t hmac;
  std::uint8_t verifier[kAesVerifierSize] = {};
  std::uint8_t counter[kBlock] = {};
  std::uint8_t stream[kBlock * kStreamBlocks] = {};
  std::size_t streamUsed = sizeof stream; // nothing made yet

  State() {
    mbedtls_aes_init(&aes);
    mbedtls_md_init(&hmac);
  }
  ~State() {
    mbedtls_aes_free(&aes); // both wipe their keys
    mbedtls_md_free(&hmac);
    mbedtls_platform_zeroize(stream, sizeof stream);
    mbedtls_platform_zeroize(verifier, sizeof verifier);
  }

  // The next run of key stream: the counter, little-endian from 1, encrypted block by block.
  void MakeStream() {
    for (std::size_t block = 0; block < kStreamBlocks; ++block) {
      for (std::size_t i = 0; i < kBlock && ++counter[i] == 0; ++i) {
      }
      mbedtls_aes_crypt_ecb(&aes, MBEDTLS_AES_ENCRYPT, counter, stream + block * kBlock);
    }
    streamUsed = 0;
  }
};

AesKeys::AesKeys(const AesKeys& other) : keySize(other.keySize) { std::memcpy(bytes, other.bytes, sizeof bytes); }

AesKeys& AesKeys::operator=(const AesKeys& other) {
  keySize = other.keySize;
  std::memcpy(bytes, other.bytes, sizeof bytes);
  return *this;
}

AesKeys::~AesKeys() { Wipe(bytes, sizeof bytes); }

void DeriveAesKeys(const Pbkdf2Sha1& password, int strength, const std::uint8_t* salt, AesKeys& keys) {
  const std::size_t saltSize = AesSaltSize(strength);
  if (saltSize == 0) throw ZipError(ZipErrorKind::Unsupported, "unknown AES key strength " + std::to_string(strength));
  keys.keySize = saltSize * 2;
  password.Derive(salt, saltSize, kKeyDerivationRounds, keys.bytes, 2 * keys.keySize + kAesVerifierSize);
}

void DeriveAesKeys(const std::string& password, int strength, const std::uint8_t* salt, AesKeys& keys) {
  DeriveAesKeys(Pbkdf2Sha1(password), strength, salt, keys);
}

WinZipAesDecryptor::WinZipAesDecryptor(const std::string& password, int strength, const std::uint8_t* salt)
    : WinZipAesDecryptor([&] {
        AesKeys keys;
        DeriveAesKeys(password, strength, salt, keys);
        return keys;
      }()) {}

WinZipAesDecryptor::WinZipAesDecryptor(const AesKeys& keys) : state_(std::make_unique<State>()) {
  State& s = *state_;
  Require(mbedtls_md_setup(&s.hmac, mbedtls_md_info_from_type(MBEDTLS_MD_SHA1), 1), "set up HMAC-SHA1");
  Require(mbedtls_aes_setkey_enc(&s.aes, keys.bytes, static_cast<unsigned>(keys.keySize * 8)), "set its key");
  Require(mbedtls_md_hmac_starts(&s.hmac, keys.bytes + keys.keySize, keys.keySize), "set its authentication key");
  std::memcpy(s.verifier, keys.bytes + 2 * keys.keySize, kAesVerifierSize);
}

WinZipAesDecryptor::~WinZipAesDecryptor() = default;

bool WinZipAesDecryptor::VerifierMatches(const std::uint8_t (&verifier)[kAesVerifierSize]) const {
  return std::memcmp(verifier, state_->verifier, kAesVerifierSize) == 0;
}

void WinZipAesDecryptor::Decrypt(std::uint8_t* data, std::size_t length) {
  State& s = *state_;
  Require(mbedtls_md_hmac_update(&s.hmac, data, length), "authenticate the data");
  std::size_t done = 0;
  while (done < length) {
    if (s.streamUsed == sizeof s.stream) s.MakeStream();
    const std::size_t run = std::min(length - done, sizeof s.stream - s.streamUsed);
    const std::uint8_t* key = s.stream + s.streamUsed;
    for (std::size_t i = 0; i < run; ++i) data[done + i] ^= key[i];
    done += run;
    s.streamUsed += run;
  }
}

bool WinZipAesDecryptor::Authentic(const std::uint8_t (&code)[kAesAuthenticationSize]) {
  std::uint8_t mac[20];
  Require(mbedtls_md_hmac_finish(&state_->hmac, mac), "finish the authentication code");
  // Not secret, but compared without an early exit all the same.
  std::uint8_t difference = 0;
  for (std::size_t i = 0; i < kAesAuthenticationSize; ++i) difference |= static_cast<std::uint8_t>(mac[i] ^ code[i]);
  return difference == 0;
}

} // namespace zipcore
