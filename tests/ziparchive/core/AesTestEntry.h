// WinZip AES entries (AE-2) made in the test itself, for passwords the archiving tools here do not
// take. Written with Mbed TLS's own PBKDF2, AES and HMAC, not the archive core's code.
#pragma once

#include "ArchiveBuilder.h"

#include <cstdint>
#include <string>

namespace ziptest {

// An AE-2 entry under `password` (its bytes as given) with AES-256, `content` stored (method 0) or
// deflated (method 8) inside, and the salt made from `saltSeed`.
TestEntry AesEntry(const std::string& name, const std::string& content, const std::string& password,
                   std::uint16_t method, std::uint8_t saltSeed = 1);

} // namespace ziptest
