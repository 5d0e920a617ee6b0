// PBKDF2 with HMAC-SHA1 as its pseudorandom function, for one password and any number of salts.
// The HMAC's two keyed SHA-1 states (the password padded and combined with ipad and with opad) are
// the same for every salt and every round, so they are hashed once here and copied for each use: a
// round then costs two SHA-1 compressions rather than the four of a plain HMAC. SHA-1 is Mbed TLS's.
#pragma once

#include <mbedtls/sha1.h>

#include <cstddef>
#include <cstdint>
#include <string>

namespace zipcore {

class Pbkdf2Sha1 {
public:
  explicit Pbkdf2Sha1(const std::string& password);
  ~Pbkdf2Sha1(); // both states are wiped
  Pbkdf2Sha1(const Pbkdf2Sha1&) = delete;
  Pbkdf2Sha1& operator=(const Pbkdf2Sha1&) = delete;

  // Fills `output` with `outputSize` bytes derived from the password and `salt` in `rounds` rounds
  // (at least 1). Safe to call from several threads at once.
  void Derive(const std::uint8_t* salt, std::size_t saltSize, unsigned rounds, std::uint8_t* output,
              std::size_t outputSize) const;

private:
  struct Scratch;
  mbedtls_sha1_context inner_; // after the 64 bytes of key ^ ipad
  mbedtls_sha1_context outer_; // after the 64 bytes of key ^ opad
};

} // namespace zipcore
