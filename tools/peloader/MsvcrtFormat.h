#pragma once

#include <cstdarg>
#include <string>

namespace pe::msvcrt {

// Formats as msvcrt's printf family does, into UTF-8 for the host's
// streams. It follows msvcrt, not the host's C library, where they differ:
// the I64 and I32 size prefixes; "long double" the size of double; %S and
// %C for the other width's string and character; in the wide functions %s
// and %c take 16-bit text; wide text is 16-bit; %p as eight hex digits.
// %n is ignored (it would let a format write to memory). A conversion it
// does not know is copied as it stands.
std::string formatNarrow(const char* format, va_list args);
std::string formatWide(const char16_t* format, va_list args);

}  // namespace pe::msvcrt
