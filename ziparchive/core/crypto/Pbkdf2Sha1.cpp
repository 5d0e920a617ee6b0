#include "core/crypto/Pbkdf2Sha1.h"

#include "core/crypto/Wipe.h"
#include "core/ZipError.h"

#include <algorithm>
#include <cstring>

namespace zipcore {
namespace {

constexpr std::size_t kBlock = 64;  // SHA-1's block
constexpr std::size_t kDigest = 20; // and its digest

void Require(int result) {
  if (result != 0) throw ZipError(ZipErrorKind::Usage, "SHA-1 failed while deriving keys from a password");
}

// The state as the digest's bytes (big-endian words).
void StoreState(const mbedtls_sha1_context& context, std::uint8_t* digest) {
  for (std::size_t word = 0; word < 5; ++word) {
    const std::uint32_t value = context.state[word]; // written out byte by byte: compilers make one store of it
    digest[4 * word] = static_cast<std::uint8_t>(value >> 24);
    digest[4 * word + 1] = static_cast<std::uint8_t>(value >> 16);
    digest[4 * word + 2] = static_cast<std::uint8_t>(value >> 8);
    digest[4 * word + 3] = static_cast<std::uint8_t>(value);
  }
}

// A 20-byte message that follows a 64-byte key block, padded as SHA-1 pads it: one block to
// compress. The message goes in its first 20 bytes.
void PrepareShortMessageBlock(std::uint8_t (&block)[kBlock]) {
  std::memset(block, 0, sizeof block);
  block[kDigest] = 0x80;
  const unsigned bits = (kBlock + kDigest) * 8;
  block[kBlock - 2] = static_cast<std::uint8_t>(bits >> 8);
  block[kBlock - 1] = static_cast<std::uint8_t>(bits);
}

void StartKeyed(mbedtls_sha1_context& context, const std::uint8_t (&key)[kBlock], std::uint8_t pad) {
  std::uint8_t padded[kBlock];
  for (std::size_t i = 0; i < kBlock; ++i) padded[i] = static_cast<std::uint8_t>(key[i] ^ pad);
  mbedtls_sha1_init(&context);
  Require(mbedtls_sha1_starts_ret(&context));
  Require(mbedtls_sha1_update_ret(&context, padded, sizeof padded));
  Wipe(padded, sizeof padded);
}

} // namespace

Pbkdf2Sha1::Pbkdf2Sha1(const std::string& password) {
  // HMAC's key: the password, or its SHA-1 when longer than a block, padded with zeros.
  std::uint8_t key[kBlock] = {};
  const auto* bytes = reinterpret_cast<const unsigned char*>(password.data());
  if (password.size() > kBlock) Require(mbedtls_sha1_ret(bytes, password.size(), key));
  else std::memcpy(key, bytes, password.size());
  StartKeyed(inner_, key, 0x36);
  StartKeyed(outer_, key, 0x5C);
  Wipe(key, sizeof key);
}

Pbkdf2Sha1::~Pbkdf2Sha1() {
  mbedtls_sha1_free(&inner_); // zeroizes
  mbedtls_sha1_free(&outer_);
}

// What one derivation works on, wiped at its end.
struct Pbkdf2Sha1::Scratch {
  mbedtls_sha1_context context;
  // Rounds after the first: U = HMAC(U), the inner hash over innerBlock (U in its first bytes) and
  // the outer one over outerBlock (the inner digest there), each a single compression.
  std::uint8_t innerBlock[kBlock], outerBlock[kBlock];
  std::uint8_t sum[kDigest] = {};
  Scratch() {
    mbedtls_sha1_init(&context);
    PrepareShortMessageBlock(innerBlock);
    PrepareShortMessageBlock(outerBlock);
  }
  ~Scratch() {
    mbedtls_sha1_free(&context);
    Wipe(innerBlock, sizeof innerBlock);
    Wipe(outerBlock, sizeof outerBlock);
    Wipe(sum, sizeof sum);
  }
};

void Pbkdf2Sha1::Derive(const std::uint8_t* salt, std::size_t saltSize, unsigned rounds, std::uint8_t* output,
                        std::size_t outputSize) const {
  Scratch s;
  for (std::uint32_t index = 1; outputSize > 0; ++index) {
    // U1 = HMAC(salt || index as 4 big-endian bytes).
    const std::uint8_t counter[4] = {static_cast<std::uint8_t>(index >> 24), static_cast<std::uint8_t>(index >> 16),
                                     static_cast<std::uint8_t>(index >> 8), static_cast<std::uint8_t>(index)};
    mbedtls_sha1_clone(&s.context, &inner_);
    Require(mbedtls_sha1_update_ret(&s.context, salt, saltSize));
    Require(mbedtls_sha1_update_ret(&s.context, counter, sizeof counter));
    Require(mbedtls_sha1_finish_ret(&s.context, s.outerBlock));
    mbedtls_sha1_clone(&s.context, &outer_);
    Require(mbedtls_sha1_update_ret(&s.context, s.outerBlock, kDigest));
    Require(mbedtls_sha1_finish_ret(&s.context, s.innerBlock));
    std::memcpy(s.sum, s.innerBlock, kDigest);
    for (unsigned round = 1; round < rounds; ++round) {
      std::memcpy(s.context.state, inner_.state, sizeof s.context.state);
      Require(mbedtls_internal_sha1_process(&s.context, s.innerBlock));
      StoreState(s.context, s.outerBlock);
      std::memcpy(s.context.state, outer_.state, sizeof s.context.state);
      Require(mbedtls_internal_sha1_process(&s.context, s.outerBlock));
      StoreState(s.context, s.innerBlock);
      for (std::size_t i = 0; i < kDigest; ++i) s.sum[i] ^= s.innerBlock[i];
    }
    const std::size_t used = std::min(outputSize, kDigest);
    std::memcpy(output, s.sum, used);
    output += used;
    outputSize -= used;
  }
}

} // namespace zipcore
