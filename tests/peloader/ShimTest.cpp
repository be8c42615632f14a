// Shims whose behaviour differs from the host's C library and is easy to
// get wrong: msvcrt's printf conversions, code page conversion, TLS slots,
// semaphores. They are called through the shim table, with the calling
// convention DLL code uses.
#include <gtest/gtest.h>

#include <cstdarg>
#include <cstdint>
#include <string>

#include "MsvcrtFormat.h"
#include "Shim.h"

namespace {

std::string narrow(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::string text = pe::msvcrt::formatNarrow(format, args);
    va_end(args);
    return text;
}

std::string wide(const char16_t* format, ...) {
    va_list args;
    va_start(args, format);
    std::string text = pe::msvcrt::formatWide(format, args);
    va_end(args);
    return text;
}

TEST(MsvcrtFormat, FollowsMsvcrtConversions) {
    const char16_t wideText[] = u"w\u00e9";
    EXPECT_EQ(narrow("%d|%5d|%-5d|%05d|%x|%X", -3, 42, 42, 42, 255, 255),
              "-3|   42|42   |00042|ff|FF");
    EXPECT_EQ(narrow("%I64d %lld %I32d %hd", std::int64_t{-5000000000}, 7LL, 9, 70000),
              "-5000000000 7 9 4464");
    EXPECT_EQ(narrow("%s|%S|%ls|%.2s|%6s|%-4s|", "abc", wideText, wideText, "abc", "ab", "ab"),
              "abc|w\u00e9|w\u00e9|ab|    ab|ab  |");
    EXPECT_EQ(narrow("%c%C%lc", 'a', u'\u00e9', u'b'), "a\u00e9b");
    EXPECT_EQ(narrow("%p", reinterpret_cast<void*>(0xABCD)), "0000ABCD");
    EXPECT_EQ(narrow("%.2f %e %Lf", 1.25, 1.5, 2.0), "1.25 1.500000e+00 2.000000");
    EXPECT_EQ(narrow("%*d|%-*d|%.*s", 4, 1, 3, 2, 1, "xyz"), "   1|2  |x");
    EXPECT_EQ(narrow("%s %S", static_cast<char*>(nullptr), static_cast<char16_t*>(nullptr)),
              "(null) (null)");
    EXPECT_EQ(narrow("100%% %q %"), "100% %q %");
}

TEST(MsvcrtFormat, IgnoresPercentN) {
    int written = 12345;
    EXPECT_EQ(narrow("ab%ncd", &written), "abcd");
    EXPECT_EQ(written, 12345);
}

TEST(MsvcrtFormat, WideFormatsTakeWideTextForS) {
    EXPECT_EQ(wide(u"%s=%d %hs %S %c", u"x\u00e9", 5, "narrow", "also", u'\u00fc'),
              "x\u00e9=5 narrow also \u00fc");
    EXPECT_EQ(wide(u"\U0001F600%d", 1),
              "\U0001F600"
              "1");
}

template <typename Function>
Function shim(const char* library, const char* name) {
    const pe::Shim* found = pe::findShim(library, name);
    EXPECT_NE(found, nullptr) << name;
    return found == nullptr ? nullptr : reinterpret_cast<Function>(found->address);
}

using Stdcall0 = std::uint32_t(__attribute__((stdcall)) *)();
using Stdcall1 = std::uint32_t(__attribute__((stdcall)) *)(std::uint32_t);

struct CodePageCase {
    std::string utf8;
    std::u16string utf16;
};

TEST(Kernel32Text, ConvertsBetweenUtf8AndUtf16) {
    using ToWide = std::int32_t(__attribute__((stdcall))*)(
        std::uint32_t, std::uint32_t, const char*, std::int32_t, char16_t*, std::int32_t);
    using ToNarrow = std::int32_t(__attribute__((stdcall))*)(
        std::uint32_t, std::uint32_t, const char16_t*, std::int32_t, char*, std::int32_t,
        const char*, std::int32_t*);
    const auto toWide = shim<ToWide>("KERNEL32.dll", "MultiByteToWideChar");
    const auto toNarrow = shim<ToNarrow>("KERNEL32.dll", "WideCharToMultiByte");
    constexpr std::uint32_t kUtf8 = 65001;
    const CodePageCase cases[] = {
        {"", u""},
        {"plain", u"plain"},
        {"\u00e9\u20ac", u"\u00e9\u20ac"},
        {"\U0001F600", u"\U0001F600"},
    };
    for (const CodePageCase& c : cases) {
        char16_t units[16] = {};
        const auto size = static_cast<std::int32_t>(c.utf8.size());
        if (size > 0) {
            EXPECT_EQ(toWide(kUtf8, 0, c.utf8.data(), size, nullptr, 0),
                      static_cast<std::int32_t>(c.utf16.size()));
            ASSERT_EQ(toWide(kUtf8, 0, c.utf8.data(), size, units, 16),
                      static_cast<std::int32_t>(c.utf16.size()));
            EXPECT_EQ(std::u16string(units, c.utf16.size()), c.utf16);
        }
        char bytes[16] = {};
        // -1: the text with its terminating zero.
        ASSERT_EQ(toNarrow(0, 0, c.utf16.c_str(), -1, bytes, 16, nullptr, nullptr),
                  static_cast<std::int32_t>(c.utf8.size() + 1));
        EXPECT_EQ(std::string(bytes), c.utf8);
    }
    char16_t small[2];
    EXPECT_EQ(toWide(kUtf8, 0, "abc", 3, small, 2), 0);       // too small
    EXPECT_EQ(toWide(kUtf8, 0x08, "a\xff", 2, small, 2), 0);  // strict: invalid
    EXPECT_EQ(toWide(kUtf8, 0, "\xff", 1, small, 2), 1);      // lenient: U+FFFD
    EXPECT_EQ(small[0], u'\uFFFD');
    EXPECT_EQ(toWide(1252, 0, "a", 1, small, 2), 0);  // code page refused
    EXPECT_EQ(shim<Stdcall0>("KERNEL32.dll", "GetLastError")(), 87u);
    const char16_t loneSurrogate[] = {0xD800, 0};
    char out[8];
    EXPECT_EQ(toNarrow(kUtf8, 0x80, loneSurrogate, -1, out, 8, nullptr, nullptr), 0);
    EXPECT_EQ(toNarrow(kUtf8, 0, loneSurrogate, -1, out, 8, nullptr, nullptr),
              4);  // U+FFFD and zero
}

TEST(Kernel32Tls, FreeingASlotClearsItsValue) {
    const auto alloc = shim<Stdcall0>("KERNEL32.dll", "TlsAlloc");
    const auto free = shim<Stdcall1>("KERNEL32.dll", "TlsFree");
    using Get = void*(__attribute__((stdcall))*)(std::uint32_t);
    using Set = std::int32_t(__attribute__((stdcall))*)(std::uint32_t, void*);
    const auto get = shim<Get>("KERNEL32.dll", "TlsGetValue");
    const auto set = shim<Set>("KERNEL32.dll", "TlsSetValue");

    const std::uint32_t slot = alloc();
    ASSERT_LT(slot, 1088u);
    int value = 0;
    EXPECT_EQ(get(slot), nullptr);
    ASSERT_EQ(set(slot, &value), 1);
    EXPECT_EQ(get(slot), &value);
    ASSERT_EQ(free(slot), 1u);
    EXPECT_EQ(free(slot), 0u);
    EXPECT_EQ(alloc(), slot);  // the lowest free slot again, and empty
    EXPECT_EQ(get(slot), nullptr);
    EXPECT_EQ(get(1088), nullptr);
    EXPECT_EQ(set(1088, &value), 0);
}

TEST(Kernel32Sync, SemaphoresCountWaitAndClose) {
    using Create =
        void*(__attribute__((stdcall))*)(void*, std::int32_t, std::int32_t, const char16_t*);
    using Release = std::int32_t(__attribute__((stdcall))*)(void*, std::int32_t, std::int32_t*);
    using Wait = std::uint32_t(__attribute__((stdcall))*)(void*, std::uint32_t);
    using Close = std::int32_t(__attribute__((stdcall))*)(void*);
    const auto create = shim<Create>("KERNEL32.dll", "CreateSemaphoreW");
    const auto release = shim<Release>("KERNEL32.dll", "ReleaseSemaphore");
    const auto wait = shim<Wait>("KERNEL32.dll", "WaitForSingleObject");
    const auto close = shim<Close>("KERNEL32.dll", "CloseHandle");
    constexpr std::uint32_t kSignalled = 0, kTimeout = 0x102, kFailed = 0xFFFFFFFF;

    void* semaphore = create(nullptr, 1, 2, nullptr);
    ASSERT_NE(semaphore, nullptr);
    EXPECT_EQ(wait(semaphore, 0), kSignalled);
    EXPECT_EQ(wait(semaphore, 10), kTimeout);
    std::int32_t previous = -1;
    EXPECT_EQ(release(semaphore, 2, &previous), 1);
    EXPECT_EQ(previous, 0);
    EXPECT_EQ(release(semaphore, 1, nullptr), 0);  // past the maximum
    EXPECT_EQ(wait(semaphore, 0), kSignalled);
    EXPECT_EQ(close(semaphore), 1);
    EXPECT_EQ(close(semaphore), 0);
    EXPECT_EQ(wait(semaphore, 0), kFailed);
    EXPECT_EQ(create(nullptr, 3, 2, nullptr), nullptr);
    EXPECT_EQ(create(nullptr, 0, 1, u"named"), nullptr);
}

}  // namespace
