// Entry-name text: UTF-8 validation and the code page 437 of names stored without the UTF-8 flag.
#pragma once

#include <string>

namespace zipcore {

bool IsAscii(const std::string& text);
// Strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF.
bool IsValidUtf8(const std::string& text);
std::string Cp437ToUtf8(const std::string& text);

} // namespace zipcore
