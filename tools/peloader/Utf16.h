#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

// Conversions between the 16-bit text of Windows code and the host's UTF-8.
// Windows' wchar_t is 16 bits wide, Linux's 32: DLL text never goes through
// the host's wide functions.
namespace pe::utf16 {

// Units before the terminating zero.
std::size_t length(const char16_t* text);

// UTF-8 for UTF-16; an unpaired surrogate becomes U+FFFD.
std::string toUtf8(std::u16string_view text);

// Whether every surrogate in the text is part of a pair.
bool isWellFormed(std::u16string_view text);

// UTF-16 for UTF-8; an invalid sequence becomes U+FFFD, or, when `strict`,
// makes the whole conversion fail.
std::optional<std::u16string> fromUtf8(std::string_view text, bool strict);

// UTF-8 for one code point (U+FFFD for a surrogate or a value past U+10FFFF).
void appendUtf8(std::string& out, char32_t codePoint);

// UTF-16 units needed for the UTF-8 text.
std::size_t unitsForUtf8(std::string_view text);

}  // namespace pe::utf16
