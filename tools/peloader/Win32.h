#pragma once

#include <cstdint>

// The Windows types, constants and thread state that the KERNEL32 shims
// share. Sizes are those of 32-bit Windows.
namespace pe::win32 {

using Bool = std::int32_t;
using Dword = std::uint32_t;
using Handle = void*;
using WideChar = char16_t;  // Windows' 16-bit wchar_t

inline constexpr Bool kFalse = 0;
inline constexpr Bool kTrue = 1;

// GetLastError codes the shims set.
enum class ErrorCode : Dword {
    Success = 0,
    InvalidHandle = 6,
    NotEnoughMemory = 8,
    BadLength = 24,
    NotSupported = 50,
    InvalidParameter = 87,
    InsufficientBuffer = 122,
    TooManyPosts = 298,
    ModuleNotFound = 126,
    ProcedureNotFound = 127,
    InvalidAddress = 487,
    NoUnicodeTranslation = 1113,
};

// The calling thread's last error, as GetLastError answers it.
void setLastError(ErrorCode code);

}  // namespace pe::win32

namespace pe::win32 {

// Page protections (PAGE_*), as VirtualProtect and VirtualQuery use them.
enum class PageProtection : Dword {
    NoAccess = 0x01,
    ReadOnly = 0x02,
    ReadWrite = 0x04,
    WriteCopy = 0x08,
    Execute = 0x10,
    ExecuteRead = 0x20,
    ExecuteReadWrite = 0x40,
    ExecuteWriteCopy = 0x80,
};

// The mprotect flags for a protection; -1 for a value that is none of them.
int posixProtection(Dword protection);

}  // namespace pe::win32
