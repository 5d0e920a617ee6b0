// Passwords leave memory by being overwritten, not just freed.
#pragma once

#include <string>
#include <vector>

namespace zipcore {

// Overwrites the whole of the string's buffer and empties it.
void Wipe(std::string& secret);
void Wipe(std::vector<std::string>& secrets);

} // namespace zipcore
