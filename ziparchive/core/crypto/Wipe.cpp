#include "core/crypto/Wipe.h"

#include <mbedtls/platform_util.h>

namespace zipcore {

void Wipe(std::string& secret) {
  secret.resize(secret.capacity()); // the bytes past the end may hold an earlier, longer secret
  mbedtls_platform_zeroize(&secret[0], secret.size());
  secret.clear();
}

void Wipe(std::vector<std::string>& secrets) {
  for (std::string& secret : secrets) Wipe(secret);
  secrets.clear();
}

void Wipe(void* data, std::size_t size) { mbedtls_platform_zeroize(data, size); }

} // namespace zipcore
