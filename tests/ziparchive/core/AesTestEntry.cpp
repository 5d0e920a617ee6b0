#include "AesTestEntry.h"

#include <mbedtls/aes.h>
#include <mbedtls/md.h>
#include <mbedtls/pkcs5.h>

#include <stdexcept>

namespace ziptest {
namespace {

constexpr std::size_t kKey = 32, kSalt = 16, kVerifier = 2, kCode = 10;

void Check(int result) {
  if (result != 0) throw std::runtime_error("Mbed TLS failed while making an AES test entry");
}

} // namespace

TestEntry AesEntry(const std::string& name, const std::string& content, const std::string& password,
                   std::uint16_t method, std::uint8_t saltSeed) {
  std::string salt(kSalt, '\0');
  for (std::size_t i = 0; i < kSalt; ++i) salt[i] = static_cast<char>(saltSeed * 37 + i * 11);
  const auto* saltBytes = reinterpret_cast<const unsigned char*>(salt.data());

  // Keys: AES key, authentication key, verifier.
  unsigned char keys[2 * kKey + kVerifier];
  mbedtls_md_context_t md;
  mbedtls_md_init(&md);
  Check(mbedtls_md_setup(&md, mbedtls_md_info_from_type(MBEDTLS_MD_SHA1), 1));
  Check(mbedtls_pkcs5_pbkdf2_hmac(&md, reinterpret_cast<const unsigned char*>(password.data()), password.size(),
                                  saltBytes, kSalt, 1000, sizeof keys, keys));

  // AES-256 in counter mode, the counter a little-endian number from 1.
  std::string data = method == 0 ? content : Compress(method, content);
  mbedtls_aes_context aes;
  mbedtls_aes_init(&aes);
  Check(mbedtls_aes_setkey_enc(&aes, keys, 256));
  unsigned char counter[16] = {}, stream[16];
  for (std::size_t at = 0; at < data.size(); ++at) {
    if (at % 16 == 0) {
      for (std::size_t i = 0; i < 16 && ++counter[i] == 0; ++i) {
      }
      Check(mbedtls_aes_crypt_ecb(&aes, MBEDTLS_AES_ENCRYPT, counter, stream));
    }
    data[at] = static_cast<char>(data[at] ^ stream[at % 16]);
  }
  mbedtls_aes_free(&aes);

  // The first 10 bytes of HMAC-SHA1 over the encrypted data.
  unsigned char code[20];
  Check(mbedtls_md_hmac_starts(&md, keys + kKey, kKey));
  Check(mbedtls_md_hmac_update(&md, reinterpret_cast<const unsigned char*>(data.data()), data.size()));
  Check(mbedtls_md_hmac_finish(&md, code));
  mbedtls_md_free(&md);

  TestEntry entry(name,
                  salt + std::string(reinterpret_cast<const char*>(keys + 2 * kKey), kVerifier) + data +
                      std::string(reinterpret_cast<const char*>(code), kCode),
                  99);
  entry.rawData = true;
  entry.flags = 0x0001;
  entry.crc = 0; // AE-2: the authentication code stands for the CRC-32
  entry.uncompressedSize = content.size();
  // WinZip's extra field: AE-2, vendor "AE", strength 3 (AES-256), the method inside.
  entry.extra = std::string(
                    "\x01\x99\x07\x00\x02\x00"
                    "AE\x03",
                    9) +
                static_cast<char>(method) + '\0';
  return entry;
}

} // namespace ziptest
