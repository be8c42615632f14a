#pragma once

#include <string>

// Wide text is the host's 16-bit code units on every build. Windows' wchar_t
// is 16-bit but Linux's is 32-bit, so the layer uses char16_t throughout.
using WideChar = char16_t;
using WideString = std::u16string;

static_assert(sizeof(WideChar) == 2, "wide text is 16-bit code units");
