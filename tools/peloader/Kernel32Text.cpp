// KERNEL32's code page conversions. The emulated system's ANSI and OEM code
// pages are UTF-8 (a setting Windows offers too), which is what the host's
// terminal and files use; other code pages are refused.
#include <cstdint>
#include <cstring>

#include "Shim.h"
#include "Utf16.h"
#include "Win32.h"

namespace pe {
namespace {

using namespace win32;

constexpr Dword kCodePageAnsi = 0;
constexpr Dword kCodePageOem = 1;
constexpr Dword kCodePageThreadAnsi = 3;
constexpr Dword kCodePageUtf8 = 65001;
constexpr Dword kMultiByteStrict = 0x08;  // MB_ERR_INVALID_CHARS
constexpr Dword kWideCharStrict = 0x80;   // WC_ERR_INVALID_CHARS

bool isUtf8(Dword codePage) {
    return codePage == kCodePageAnsi || codePage == kCodePageOem ||
           codePage == kCodePageThreadAnsi || codePage == kCodePageUtf8;
}

// Both directions: a length of -1 takes the text up to and with its zero; a
// target length of 0 asks for the length needed.
template <typename Unit>
bool validArguments(Dword codePage, const void* source, std::int32_t sourceLength, Unit* target,
                    std::int32_t targetLength) {
    return isUtf8(codePage) && source != nullptr && sourceLength != 0 && sourceLength >= -1 &&
           targetLength >= 0 && (targetLength == 0 || target != nullptr);
}

template <typename Unit>
std::int32_t deliver(const std::basic_string<Unit>& converted, Unit* target,
                     std::int32_t targetLength) {
    const auto needed = static_cast<std::int32_t>(converted.size());
    if (targetLength == 0) return needed;
    if (needed > targetLength) {
        setLastError(ErrorCode::InsufficientBuffer);
        return 0;
    }
    std::memcpy(target, converted.data(), converted.size() * sizeof(Unit));
    return needed;
}

[[gnu::stdcall, gnu::force_align_arg_pointer]] std::int32_t MultiByteToWideChar(
    Dword codePage, Dword flags, const char* source, std::int32_t sourceLength, WideChar* target,
    std::int32_t targetLength) {
    if (!validArguments(codePage, source, sourceLength, target, targetLength)) {
        setLastError(ErrorCode::InvalidParameter);
        return 0;
    }
    const std::size_t length =
        sourceLength == -1 ? std::strlen(source) + 1 : static_cast<std::size_t>(sourceLength);
    const auto converted =
        utf16::fromUtf8(std::string_view(source, length), (flags & kMultiByteStrict) != 0);
    if (!converted) {
        setLastError(ErrorCode::NoUnicodeTranslation);
        return 0;
    }
    return deliver(*converted, target, targetLength);
}

// UTF-8 has no default character: Windows refuses one for it.
[[gnu::stdcall, gnu::force_align_arg_pointer]] std::int32_t WideCharToMultiByte(
    Dword codePage, Dword flags, const WideChar* source, std::int32_t sourceLength, char* target,
    std::int32_t targetLength, const char* defaultChar, Bool* usedDefaultChar) {
    if (!validArguments(codePage, source, sourceLength, target, targetLength) ||
        defaultChar != nullptr || usedDefaultChar != nullptr) {
        setLastError(ErrorCode::InvalidParameter);
        return 0;
    }
    const std::size_t length =
        sourceLength == -1 ? utf16::length(source) + 1 : static_cast<std::size_t>(sourceLength);
    const std::u16string_view text(source, length);
    if ((flags & kWideCharStrict) != 0 && !utf16::isWellFormed(text)) {
        setLastError(ErrorCode::NoUnicodeTranslation);
        return 0;
    }
    return deliver(utf16::toUtf8(text), target, targetLength);
}

// UTF-8 is no double-byte code page: no byte leads a two-byte character.
[[gnu::stdcall, gnu::force_align_arg_pointer]] Bool IsDBCSLeadByteEx(Dword codePage,
                                                                     std::uint8_t /*byte*/) {
    if (!isUtf8(codePage)) setLastError(ErrorCode::InvalidParameter);
    return kFalse;
}

const Shim kShims[] = {
    {"KERNEL32.dll", "IsDBCSLeadByteEx", shimAddress(IsDBCSLeadByteEx)},
    {"KERNEL32.dll", "MultiByteToWideChar", shimAddress(MultiByteToWideChar)},
    {"KERNEL32.dll", "WideCharToMultiByte", shimAddress(WideCharToMultiByte)},
};

}  // namespace

std::span<const Shim> kernel32TextShims() {
    return kShims;
}

}  // namespace pe
