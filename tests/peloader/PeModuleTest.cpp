// The loader on a DLL built with mingw like the shipped plug-ins, and on the
// small synthetic image: loading, binding, calling in and back out,
// exceptions inside the DLL, 16-bit wide text, TLS callbacks, DllMain,
// relocation, stubs for missing imports, and bad files.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <malloc.h>

#include <bit>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "CallingConvention.h"
#include "PeError.h"
#include "PeModule.h"
#include "Shim.h"
#include "TestImage.h"

namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

constexpr const char* kFixtureDll = PE_FIXTURE_DLL;

using HostCallback = int(QK_CDECL*)(void* context, int code, float value);
using DetachNotice = void(QK_CDECL*)(int event);
using AddFunction = int(QK_CDECL*)(int, int);
using CallBackFunction = int(QK_CDECL*)(HostCallback, void*, int);
using DescribeNumberFunction = int(QK_CDECL*)(const char16_t*, char16_t*, int);
using ThrowCatchFunction = int(QK_CDECL*)(int times, int depth);
using IntFunction = int(QK_CDECL*)();
using SetDetachNoticeFunction = void(QK_CDECL*)(DetachNotice);

struct ReceivedCall {
    void* context;
    int code;
    std::uint32_t floatBits;
    bool alignedStack;  // a 16-byte aligned local really was aligned
};

// DLL code keeps only 4-byte stack alignment: a host callback realigns.
[[gnu::cdecl, gnu::force_align_arg_pointer]] int recordCall(void* context, int code, float value) {
    alignas(16) volatile std::uint8_t probe = 0;
    const bool aligned = reinterpret_cast<std::uintptr_t>(&probe) % 16 == 0;
    static_cast<std::vector<ReceivedCall>*>(context)->push_back(
        ReceivedCall{context, code, std::bit_cast<std::uint32_t>(value), aligned});
    return code * 2;
}

std::vector<int>& detachEvents() {
    static std::vector<int> events;
    return events;
}

[[gnu::cdecl, gnu::force_align_arg_pointer]] void recordDetach(int event) {
    detachEvents().push_back(event);
}

std::vector<std::uint8_t> fixtureBytes() {
    std::ifstream file(kFixtureDll, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

class FixtureDll : public ::testing::Test {
protected:
    void SetUp() override { module_ = pe::PeModule::load(kFixtureDll); }

    template <typename Function>
    Function exported(const char* name) {
        void* address = module_->findExport(name);
        EXPECT_NE(address, nullptr) << name;
        return reinterpret_cast<Function>(address);
    }

    std::unique_ptr<pe::PeModule> module_;
};

TEST_F(FixtureDll, BindsEveryImportToAShim) {
    EXPECT_THAT(module_->unboundImports(), IsEmpty());
    EXPECT_FALSE(module_->tables().imports.empty());
    EXPECT_EQ(module_->tables().exportName, "PeFixture.dll");
}

TEST_F(FixtureDll, FindsExportsByNameAndByOrdinal) {
    EXPECT_EQ(module_->findExport("fixtureAdd"), module_->findExport(1u));
    EXPECT_EQ(module_->findExport("fixtureAttachSequence"), module_->findExport(5u));
    void* ordinalOnly = module_->findExport(7u);
    ASSERT_NE(ordinalOnly, nullptr);
    EXPECT_EQ(reinterpret_cast<IntFunction>(ordinalOnly)(), 4242);
    EXPECT_EQ(module_->findExport("fixtureOrdinalOnly"), nullptr);
    EXPECT_EQ(module_->findExport("missing"), nullptr);
    EXPECT_EQ(module_->findExport(99u), nullptr);
}

TEST_F(FixtureDll, CallsCdeclExports) {
    const auto add = exported<AddFunction>("fixtureAdd");
    EXPECT_EQ(add(2, 40), 42);
    EXPECT_EQ(add(-5, 3), -2);
}

TEST_F(FixtureDll, CallbackGetsItsArgumentsOnARealignedStack) {
    std::vector<ReceivedCall> calls;
    const int sum = exported<CallBackFunction>("fixtureCallBack")(recordCall, &calls, 5);
    const std::uint32_t fiveAndAQuarter = std::bit_cast<std::uint32_t>(5.25f);
    ASSERT_EQ(calls.size(), 4u);
    for (std::size_t i = 0; i < calls.size(); ++i) {
        EXPECT_EQ(calls[i].context, &calls) << i;
        EXPECT_EQ(calls[i].code, 5 + 4 * static_cast<int>(i)) << i;
        EXPECT_EQ(calls[i].floatBits, fiveAndAQuarter) << i;
        EXPECT_TRUE(calls[i].alignedStack) << i;
    }
    EXPECT_EQ(sum, 2 * (5 + 9 + 13 + 17));
}

TEST_F(FixtureDll, ThrowsAndCatchesExceptionsInsideTheDll) {
    const auto throwCatch = exported<ThrowCatchFunction>("fixtureThrowCatch");
    EXPECT_EQ(throwCatch(1, 0), 6);   // "thrown"
    EXPECT_EQ(throwCatch(3, 4), 10);  // "thrown!!!!", through four frames
}

struct WideCase {
    std::u16string text;
    int value;
    std::u16string described;
};

TEST_F(FixtureDll, ParsesAndFormatsSixteenBitWideText) {
    const auto describe = exported<DescribeNumberFunction>("fixtureDescribeNumber");
    const WideCase cases[] = {
        {u"123", 123, u"[123]"},
        {u"  -42xyz", -42, u"[-42]xyz"},
        {u"+7", 7, u"[7]"},
        {u"2147483648", 2147483647, u"[2147483647]"},
        {u"-2147483649", -2147483647 - 1, u"[-2147483648]"},
        {u"abc", 0, u"[0]abc"},
        {u"12\u00e9", 12, u"[12]\u00e9"},
    };
    for (const WideCase& c : cases) {
        char16_t out[32] = {};
        EXPECT_EQ(describe(c.text.c_str(), out, 32), c.value);
        EXPECT_EQ(std::u16string(out), c.described);
    }
}

TEST_F(FixtureDll, RunsTheTlsCallbackBeforeDllMain) {
    EXPECT_EQ(exported<IntFunction>("fixtureAttachSequence")(), 12);
}

TEST_F(FixtureDll, UnloadRunsTheTlsCallbackThenDllMainForDetach) {
    exported<SetDetachNoticeFunction>("fixtureSetDetachNotice")(recordDetach);
    detachEvents().clear();
    module_.reset();
    EXPECT_THAT(detachEvents(), ElementsAre(1, 2));
}

TEST_F(FixtureDll, LoadsTwoIndependentCopiesTheSecondRelocated) {
    auto second = pe::PeModule::load(kFixtureDll);
    EXPECT_NE(second->base(), module_->base());
    EXPECT_NE(second->base(), second->headers().imageBase);
    const auto throwCatch = reinterpret_cast<ThrowCatchFunction>(second->findExport(4u));
    EXPECT_EQ(throwCatch(2, 3), 9);
    EXPECT_EQ(reinterpret_cast<IntFunction>(second->findExport(5u))(), 12);
    second.reset();
    EXPECT_EQ(exported<ThrowCatchFunction>("fixtureThrowCatch")(1, 1), 7);
}

// Each load takes a TLS block slot from the loader, and the DLL's libgcc
// takes a TLS slot it never frees (as on Windows): a host that reloads a
// plug-in must not run out after 64 loads.
TEST(FixtureDllReload, LoadsAndUnloadsMoreTimesThanTheMinimumOfTlsSlots) {
    for (int round = 0; round < 100; ++round) {
        auto module = pe::PeModule::load(kFixtureDll);
        ASSERT_EQ(reinterpret_cast<ThrowCatchFunction>(module->findExport(4u))(1, 1), 7)
            << "round " << round;
    }
}

// What VirtualQuery and VirtualProtect (which mingw's start-up uses) see is
// what the loader set from the section flags.
TEST_F(FixtureDll, ReportsAndChangesSectionProtections) {
    struct MemoryInfo {
        void* base;
        void* allocationBase;
        std::uint32_t allocationProtect;
        std::uint32_t size;
        std::uint32_t state;
        std::uint32_t protect;
        std::uint32_t type;
    };
    using Query = std::uint32_t(__attribute__((stdcall))*)(const void*, MemoryInfo*, std::uint32_t);
    using Protect = std::int32_t(__attribute__((stdcall))*)(void*, std::uint32_t, std::uint32_t,
                                                            std::uint32_t*);
    const auto query =
        reinterpret_cast<Query>(pe::findShim("kernel32.dll", "VirtualQuery")->address);
    const auto protect =
        reinterpret_cast<Protect>(pe::findShim("KERNEL32.dll", "VirtualProtect")->address);
    constexpr std::uint32_t kReadOnly = 0x02, kReadWrite = 0x04, kExecuteRead = 0x20;

    const auto protectionAt = [&](std::uintptr_t address) {
        MemoryInfo info{};
        EXPECT_EQ(query(reinterpret_cast<void*>(address), &info, sizeof info), sizeof info);
        EXPECT_EQ(info.allocationBase, reinterpret_cast<void*>(module_->base()));
        return info.protect;
    };
    const auto code = reinterpret_cast<std::uintptr_t>(module_->findExport(1u));
    EXPECT_EQ(protectionAt(module_->base()), kReadOnly);
    EXPECT_EQ(protectionAt(code), kExecuteRead);
    for (const pe::PeSection& section : module_->headers().sections) {
        if (section.name == ".data") {
            EXPECT_EQ(protectionAt(module_->base() + section.rva), kReadWrite);
        }
    }

    std::uint32_t old = 0;
    ASSERT_EQ(protect(reinterpret_cast<void*>(code), 4, kReadWrite, &old), 1);
    EXPECT_EQ(old, kExecuteRead);
    EXPECT_EQ(protectionAt(code), kReadWrite);
    ASSERT_EQ(protect(reinterpret_cast<void*>(code), 4, old, &old), 1);
    EXPECT_EQ(exported<AddFunction>("fixtureAdd")(1, 1), 2);

    MemoryInfo info{};
    int hostVariable = 0;
    EXPECT_EQ(query(&hostVariable, &info, sizeof info), 0u);
    EXPECT_EQ(protect(&hostVariable, 4, kReadWrite, &old), 0);
}

struct BadFile {
    const char* name;
    std::function<void(std::vector<std::uint8_t>&)> damage;
    const char* expected;
};

void PrintTo(const BadFile& bad, std::ostream* out) {
    *out << bad.name;
}

class FixtureDllDamaged : public ::testing::TestWithParam<BadFile> {};

std::uint32_t peOffset(const std::vector<std::uint8_t>& bytes) {
    std::uint32_t offset;
    std::memcpy(&offset, bytes.data() + 0x3C, sizeof offset);
    return offset;
}

TEST_P(FixtureDllDamaged, IsRefusedWithOneClearLine) {
    std::vector<std::uint8_t> bytes = fixtureBytes();
    ASSERT_GT(bytes.size(), 4096u);
    GetParam().damage(bytes);
    try {
        pe::PeModule::load(bytes, "damaged.dll");
        FAIL() << "loaded";
    } catch (const pe::PeError& error) {
        EXPECT_THAT(error.what(), HasSubstr(GetParam().expected));
        EXPECT_EQ(std::string(error.what()).find('\n'), std::string::npos);
    }
}

INSTANTIATE_TEST_SUITE_P(
    BadFiles, FixtureDllDamaged,
    ::testing::Values(BadFile{"Truncated", [](auto& b) { b.resize(b.size() / 2); }, "raw data at"},
                      BadFile{"WrongMachine",
                              [](auto& b) {
                                  b[peOffset(b) + 4] = 0xC4;
                                  b[peOffset(b) + 5] = 0x01;
                              },
                              "machine 0x1c4 is not i386"},
                      BadFile{"Pe32Plus",
                              [](auto& b) {
                                  b[peOffset(b) + 24] = 0x0B;
                                  b[peOffset(b) + 25] = 0x02;
                              },
                              "PE32+ (64-bit) image"},
                      BadFile{"Garbage",
                              [](auto& b) {
                                  std::mt19937 random(7);
                                  for (auto& byte : b) byte = static_cast<std::uint8_t>(random());
                              },
                              "not a PE image"},
                      BadFile{"Empty", [](auto& b) { b.clear(); }, "too short for a DOS header"}),
    [](const ::testing::TestParamInfo<BadFile>& param) { return param.param.name; });

TEST(PeModule, RefusesAMissingFile) {
    EXPECT_THROW(
        {
            try {
                pe::PeModule::load(std::string("/nonexistent/Missing.dll"));
            } catch (const pe::PeError& error) {
                EXPECT_STREQ(error.what(), "cannot open: No such file or directory");
                throw;
            }
        },
        pe::PeError);
}

void* importSlot(const pe::PeModule& module, std::size_t index) {
    void* target;
    std::memcpy(&target,
                reinterpret_cast<void*>(module.base() + module.tables().imports[index].slotRva),
                sizeof target);
    return target;
}

TEST(SyntheticImage, BindsMissingImportsToStubsAndRelocates) {
    const TestImage image;
    auto first = pe::PeModule::load(image.bytes, "test.dll");
    auto second = pe::PeModule::load(image.bytes, "test.dll");
    EXPECT_NE(first->base(), second->base());
    for (const auto* module : {first.get(), second.get()}) {
        EXPECT_THAT(module->unboundImports(),
                    ElementsAre("KERNEL32.dll!NoSuchFunction", "msvcrt.dll!#5"));
        EXPECT_EQ(importSlot(*module, 0), pe::findShim("KERNEL32.dll", "Sleep")->address);
        // "answer" reads the data word through an absolute address.
        EXPECT_EQ(reinterpret_cast<IntFunction>(module->findExport("answer"))(),
                  static_cast<int>(TestImage::kDataWord));
        EXPECT_EQ(reinterpret_cast<IntFunction>(module->findExport(2u))(), 7);
    }
}

std::size_t mappingCount() {
    std::ifstream maps("/proc/self/maps");
    std::size_t lines = 0;
    for (std::string line; std::getline(maps, line);) ++lines;
    return lines;
}

// The loader's own memory and mappings (tables, stubs, TLS blocks, the
// image) come back on unload. The image has no C runtime of its own to
// allocate anything.
TEST(SyntheticImage, UnloadReleasesWhatLoadingTook) {
    const TestImage image;
    for (int round = 0; round < 2; ++round) {  // warm-up: first-use allocations
        pe::PeModule::load(image.bytes, "test.dll");
    }
    const std::size_t mappingsBefore = mappingCount();
    const std::size_t heapBefore = mallinfo2().uordblks;
    for (int round = 0; round < 20; ++round) pe::PeModule::load(image.bytes, "test.dll");
    EXPECT_EQ(mallinfo2().uordblks, heapBefore);
    EXPECT_EQ(mappingCount(), mappingsBefore);
}

TEST(SyntheticImageDeathTest, CallingAMissingImportAbortsNamingIt) {
    const TestImage image;
    auto module = pe::PeModule::load(image.bytes, "test.dll");
    const auto stub = reinterpret_cast<void(QK_CDECL*)()>(importSlot(*module, 1));
    EXPECT_DEATH(stub(),
                 "DLL code called KERNEL32.dll!NoSuchFunction, which the loader does "
                 "not provide");
}

}  // namespace
