// msvcrt's start-up, termination, errno and locale functions.
#include <array>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "Shim.h"

namespace pe::msvcrt {
namespace {

// The data import __mb_cur_max: the "C" locale's one byte per character.
int mbCurMax = 1;

// msvcrt's internal locks (_lock and _unlock), by number; msvcrt has fewer.
constexpr int kLockCount = 64;

std::array<std::recursive_mutex, kLockCount>& locks() {
    static std::array<std::recursive_mutex, kLockCount> table;
    return table;
}

[[noreturn]] void fail(const char* message) {
    std::fprintf(stderr, "peloader: %s\n", message);
    std::fflush(stderr);
    std::abort();
}

using Initializer = void(__attribute__((cdecl)) *)();

// Runs the DLL's static initializers (and the like) from its own tables.
[[gnu::cdecl, gnu::force_align_arg_pointer]] void _initterm(Initializer* first, Initializer* end) {
    for (Initializer* entry = first; entry < end; ++entry) {
        if (*entry != nullptr) (*entry)();
    }
}

// A fatal runtime error ("R6xxx"): msvcrt reports it and ends the process.
[[gnu::cdecl, gnu::force_align_arg_pointer]] void _amsg_exit(int code) {
    std::fprintf(stderr, "peloader: runtime error R60%02d in DLL code\n", code);
    std::fflush(stderr);
    std::_Exit(255);
}

[[gnu::cdecl, gnu::force_align_arg_pointer]] void abort() {
    fail("DLL code called abort");
}

// The host's errno: msvcrt's codes agree with Linux for the ones the DLL
// code sets and tests (EDOM, ERANGE, EINVAL, ENOMEM, EILSEQ differs but is
// only passed through).
[[gnu::cdecl, gnu::force_align_arg_pointer]] int* _errno() {
    return &errno;
}

[[gnu::cdecl, gnu::force_align_arg_pointer]] void _lock(int number) {
    if (number < 0 || number >= kLockCount) fail("DLL code asked for an unknown msvcrt lock");
    locks()[static_cast<std::size_t>(number)].lock();
}

[[gnu::cdecl, gnu::force_align_arg_pointer]] void _unlock(int number) {
    if (number < 0 || number >= kLockCount) fail("DLL code released an unknown msvcrt lock");
    locks()[static_cast<std::size_t>(number)].unlock();
}

[[gnu::cdecl, gnu::force_align_arg_pointer]] int atoi(const char* text) {
    return std::atoi(text);
}

// The "C" locale is the only one: queries and requests for "C" (or the
// default, "") answer "C", any other locale is unavailable. The host's own
// locale is never touched; msvcrt numbers the categories differently anyway
// (LC_ALL 0 to LC_TIME 5).
constexpr int kLastCategory = 5;

[[gnu::cdecl, gnu::force_align_arg_pointer]] const char* setlocale(int category,
                                                                   const char* locale) {
    if (category < 0 || category > kLastCategory) return nullptr;
    if (locale == nullptr || std::strcmp(locale, "C") == 0 || locale[0] == '\0') return "C";
    return nullptr;
}

// struct lconv of msvcrt.
struct MsvcrtLconv {
    const char* decimalPoint;           // "."
    const char* thousandsSeparator;     // ""
    const char* grouping;               // ""
    const char* internationalCurrency;  // ""
    const char* currencySymbol;         // ""
    const char* monetaryDecimalPoint;   // ""
    const char* monetaryThousands;      // ""
    const char* monetaryGrouping;       // ""
    const char* positiveSign;           // ""
    const char* negativeSign;           // ""
    char internationalFractionDigits;   // CHAR_MAX: not available
    char fractionDigits;                // CHAR_MAX
    char positiveCurrencyPrecedes;      // CHAR_MAX
    char positiveSeparatedBySpace;      // CHAR_MAX
    char negativeCurrencyPrecedes;      // CHAR_MAX
    char negativeSeparatedBySpace;      // CHAR_MAX
    char positiveSignPosition;          // CHAR_MAX
    char negativeSignPosition;          // CHAR_MAX
};
static_assert(sizeof(MsvcrtLconv) == 48);

const MsvcrtLconv cLocaleConventions{".",      "",       "",       "",       "",       "",
                                     "",       "",       "",       "",       CHAR_MAX, CHAR_MAX,
                                     CHAR_MAX, CHAR_MAX, CHAR_MAX, CHAR_MAX, CHAR_MAX, CHAR_MAX};

[[gnu::cdecl, gnu::force_align_arg_pointer]] const MsvcrtLconv* localeconv() {
    return &cLocaleConventions;
}

// msvcrt's error numbers up to ERANGE are Linux's; its texts differ a little.
[[gnu::cdecl, gnu::force_align_arg_pointer]] const char* strerror(int number) {
    constexpr int kLastSharedNumber = ERANGE;
    if (number < 0 || number > kLastSharedNumber) return "Unknown error";
    return std::strerror(number);
}

const Shim kShims[] = {
    {"msvcrt.dll", "__mb_cur_max", shimAddress(&mbCurMax)},
    {"msvcrt.dll", "_amsg_exit", shimAddress(_amsg_exit)},
    {"msvcrt.dll", "_errno", shimAddress(_errno)},
    {"msvcrt.dll", "_initterm", shimAddress(_initterm)},
    {"msvcrt.dll", "_lock", shimAddress(_lock)},
    {"msvcrt.dll", "_unlock", shimAddress(_unlock)},
    {"msvcrt.dll", "abort", shimAddress(abort)},
    {"msvcrt.dll", "atoi", shimAddress(atoi)},
    {"msvcrt.dll", "localeconv", shimAddress(localeconv)},
    {"msvcrt.dll", "setlocale", shimAddress(setlocale)},
    {"msvcrt.dll", "strerror", shimAddress(strerror)},
};

}  // namespace
}  // namespace pe::msvcrt

std::span<const pe::Shim> pe::msvcrtRuntimeShims() {
    return msvcrt::kShims;
}
