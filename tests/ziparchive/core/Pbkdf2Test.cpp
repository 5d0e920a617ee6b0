// The key derivation of WinZip AES: PBKDF2-HMAC-SHA1 from the password's keyed states made once,
// against RFC 6070's published values and against Mbed TLS's own PBKDF2 on the inputs where the
// shortcut could go wrong (long, block-sized, empty and non-ASCII passwords, several output blocks).
#include "core/crypto/Pbkdf2Sha1.h"

#include <gtest/gtest.h>

#include <mbedtls/md.h>
#include <mbedtls/pkcs5.h>

#include <cstdio>
#include <string>

namespace {

std::string Hex(const std::string& bytes) {
  std::string text;
  char digits[3];
  for (unsigned char c : bytes) {
    std::snprintf(digits, sizeof digits, "%02x", c);
    text += digits;
  }
  return text;
}

std::string MbedTlsPbkdf2(const std::string& password, const std::string& salt, unsigned rounds, std::size_t size) {
  std::string out(size, '\0');
  mbedtls_md_context_t md;
  mbedtls_md_init(&md);
  EXPECT_EQ(0, mbedtls_md_setup(&md, mbedtls_md_info_from_type(MBEDTLS_MD_SHA1), 1));
  EXPECT_EQ(0, mbedtls_pkcs5_pbkdf2_hmac(&md, reinterpret_cast<const unsigned char*>(password.data()), password.size(),
                                         reinterpret_cast<const unsigned char*>(salt.data()), salt.size(), rounds,
                                         static_cast<std::uint32_t>(size), reinterpret_cast<unsigned char*>(&out[0])));
  mbedtls_md_free(&md);
  return out;
}

struct Pbkdf2Case {
  std::string password, salt;
  unsigned rounds;
  std::size_t size;
  const char* expected; // RFC 6070's value, or nullptr: Mbed TLS's alone
};

TEST(Pbkdf2Sha1, MatchesRfc6070AndMbedTls) {
  const Pbkdf2Case cases[] = {
      {"password", "salt", 1, 20, "0c60c80f961f0e71f3a9b524af6012062fe037a6"},
      {"password", "salt", 2, 20, "ea6c014dc72d6f8ccd1ed92ace1d41f0d8de8957"},
      {"password", "salt", 4096, 20, "4b007901b765489abead49d926f721d065a429c1"},
      {"passwordPASSWORDpassword", "saltSALTsaltSALTsaltSALTsaltSALTsalt", 4096, 25,
       "3d2eec4fe41c849b80c8d83662c0e44a8b291a964cf2f07038"},
      {std::string("pass\0word", 9), std::string("sa\0lt", 5), 4096, 16, "56fa6aa75548099dcc37d7f03425e0c3"},
      // WinZip AES-256: 66 bytes (four blocks) from a 16-byte salt in 1000 rounds.
      {"benchmark password", "0123456789abcdef", 1000, 66, nullptr},
      {"", "12345678", 1000, 34, nullptr},
      {std::string(64, 'k'), "0123456789ab", 1000, 50, nullptr}, // a key of exactly one block
      {std::string(65, 'k'), "0123456789ab", 1000, 50, nullptr}, // one byte more: hashed first
      {std::string(200, 'x'), "0123456789abcdef", 3, 66, nullptr},
      {"P\xC3\xA4ssw\xC3\xB6rd \xE2\x82\xAC", "0123456789abcdef", 1000, 66, nullptr},
  };
  for (const Pbkdf2Case& c : cases) {
    SCOPED_TRACE(Hex(c.password) + " rounds " + std::to_string(c.rounds));
    std::string derived(c.size, '\0');
    zipcore::Pbkdf2Sha1(c.password)
        .Derive(reinterpret_cast<const std::uint8_t*>(c.salt.data()), c.salt.size(), c.rounds,
                reinterpret_cast<std::uint8_t*>(&derived[0]), derived.size());
    EXPECT_EQ(Hex(derived), Hex(MbedTlsPbkdf2(c.password, c.salt, c.rounds, c.size)));
    if (c.expected) {
      EXPECT_EQ(Hex(derived), c.expected);
    }
  }
}

} // namespace
