// Passwords leave memory by being overwritten, not just freed.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace zipcore {

// Overwrites the whole of the string's buffer and empties it.
void Wipe(std::string& secret);
void Wipe(std::vector<std::string>& secrets);
// Overwrites `size` bytes at `data` (keys, hash states, their scratch copies).
void Wipe(void* data, std::size_t size);

} // namespace zipcore
