// Conversions between the facade's wide (UTF-16) text and the core's UTF-8 text.
//
// Windows file names are sequences of 16-bit units that need not be valid UTF-16: a lone surrogate
// is a legal file name character. So paths travel as "generalized UTF-8" (a lone surrogate becomes
// its own 3-byte sequence), which converts back to exactly the same units. In an entry name such a
// sequence is not valid UTF-8, so the core refuses to store it.
#pragma once

#include <string>

namespace zipfacade {

std::string WideToUtf8(const std::wstring& text);
// Decodes what WideToUtf8 produces; bytes that are not UTF-8 become U+FFFD.
std::wstring Utf8ToWide(const std::string& text);

} // namespace zipfacade
