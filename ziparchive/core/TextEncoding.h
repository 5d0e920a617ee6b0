// Text of entry names and paths: UTF-8 validation, the code page 437 of names stored without the
// UTF-8 flag, and the conversions between Windows' wide text and the core's UTF-8.
#pragma once

#include <string>

namespace zipcore {

bool IsAscii(const std::string& text);
// Strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF.
bool IsValidUtf8(const std::string& text);
// Every byte that does not belong to a valid UTF-8 sequence becomes "_".
std::string ReplaceInvalidUtf8(const std::string& text);
std::string Cp437ToUtf8(const std::string& text);

// Wide text as Windows holds it (16-bit units, which need not be valid UTF-16: a lone surrogate is
// a legal file name character) travels as "generalized UTF-8": a lone surrogate becomes its own
// 3-byte sequence, which converts back to exactly the same units. In an entry name such a sequence
// is not valid UTF-8, so the writer refuses to store it.
std::string WideToUtf8(const std::wstring& text);
// Decodes what WideToUtf8 produces; bytes that are not UTF-8 become U+FFFD.
std::wstring Utf8ToWide(const std::string& text);

} // namespace zipcore
