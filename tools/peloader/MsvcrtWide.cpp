// msvcrt's wide string functions. Windows' wchar_t is 16 bits wide and the
// host's 32, so these work on 16-bit units themselves: forwarding to the
// host's wcslen or wcstol would read two DLL characters as one.
#include <cerrno>
#include <cstdint>
#include <limits>

#include "Shim.h"
#include "Utf16.h"

namespace pe::msvcrt {
namespace {

using WideChar = char16_t;

bool isSpace(WideChar unit) {
    return unit == u' ' || (unit >= u'\t' && unit <= u'\r');
}

// The value of a digit in bases up to 36, or 36 for a non-digit.
int digitValue(WideChar unit) {
    if (unit >= u'0' && unit <= u'9') return unit - u'0';
    if (unit >= u'a' && unit <= u'z') return unit - u'a' + 10;
    if (unit >= u'A' && unit <= u'Z') return unit - u'A' + 10;
    return 36;
}

bool hasHexPrefix(const WideChar* text) {
    return text[0] == u'0' && (text[1] == u'x' || text[1] == u'X') && digitValue(text[2]) < 16;
}

// The digits from `text` on, saturated to the 32-bit range with ERANGE.
std::int32_t accumulate(const WideChar*& text, int base, bool negative) {
    constexpr std::int64_t kMax = std::numeric_limits<std::int32_t>::max();
    const std::int64_t limit = negative ? kMax + 1 : kMax;
    std::int64_t value = 0;
    bool overflow = false;
    for (int digit = digitValue(*text); digit < base; digit = digitValue(*++text)) {
        value = value * base + digit;
        if (value > limit) {
            overflow = true;
            value = limit;
        }
    }
    if (overflow) errno = ERANGE;
    return static_cast<std::int32_t>(negative ? -value : value);
}

[[gnu::cdecl, gnu::force_align_arg_pointer]] std::size_t wcslen(const WideChar* text) {
    return utf16::length(text);
}

// As the C library's strtol, on 16-bit text and with a 32-bit long: leading
// space, a sign, a "0x" prefix for base 16 (or 0), saturation with ERANGE;
// with no digits it answers 0 and points `end` at the start.
[[gnu::cdecl, gnu::force_align_arg_pointer]] std::int32_t wcstol(const WideChar* text,
                                                                 WideChar** end, int base) {
    const WideChar* at = text;
    if (base < 0 || base == 1 || base > 36) {
        errno = EINVAL;
        if (end != nullptr) *end = const_cast<WideChar*>(text);
        return 0;
    }
    while (isSpace(*at)) ++at;
    const bool negative = *at == u'-';
    if (*at == u'-' || *at == u'+') ++at;
    if ((base == 0 || base == 16) && hasHexPrefix(at)) {
        at += 2;
        base = 16;
    } else if (base == 0) {
        base = *at == u'0' ? 8 : 10;
    }
    const WideChar* digits = at;
    const std::int32_t value = accumulate(at, base, negative);
    if (end != nullptr) *end = const_cast<WideChar*>(at == digits ? text : at);
    return value;
}

const Shim kShims[] = {
    {"msvcrt.dll", "wcslen", shimAddress(wcslen)},
    {"msvcrt.dll", "wcstol", shimAddress(wcstol)},
};

}  // namespace
}  // namespace pe::msvcrt

std::span<const pe::Shim> pe::msvcrtWideShims() {
    return msvcrt::kShims;
}
