// The shipped DLLs under the loader: every import bound to a shim (none to
// an aborting stub), both exports found by name and by ordinal, and host
// sessions through the exports that leave nothing on the heap.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <malloc.h>

#include <array>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>

#include "DspInstanceRecord.h"
#include "DspOpcode.h"
#include "GuiInstanceRecord.h"
#include "GuiOpcode.h"
#include "HostCallback.h"
#include "PeError.h"
#include "PeModule.h"
#include "PinDescription.h"
#include "PluginExports.h"

namespace {

using ::testing::IsEmpty;

constexpr const char* kShippedDllDir = QK_WIN32_PLUGIN_DIR;
constexpr std::int32_t kPinCount = 3;

// The GUI pins' values as the session's host holds them.
std::array<std::int32_t, kPinCount> guiPins{};

// A host that allocates nothing: it answers the pin count on the DSP side
// and reads and writes guiPins on the GUI side. It realigns the stack, as
// DLL code keeps only 4-byte alignment.
[[gnu::force_align_arg_pointer]] ResultWord QK_CDECL sessionHost(void* record, std::int32_t opcode,
                                                                 std::int32_t index,
                                                                 std::int32_t value, void* pointer,
                                                                 float /*floatValue*/) {
    std::uint32_t magic = 0;
    std::memcpy(&magic, record, sizeof magic);
    if (magic == DspInstanceRecord::kMagic) {
        return opcode == toWord(DspHostOpcode::PinCount) ? kPinCount : 0;
    }
    if (index < 0 || index >= kPinCount) return 0;
    const auto pin = static_cast<std::size_t>(index);
    if (opcode == toWord(GuiHostOpcode::ReadValue)) {
        std::memcpy(pointer, &guiPins[pin], sizeof guiPins[pin]);
    } else if (opcode == toWord(GuiHostOpcode::WriteValue)) {
        guiPins[pin] = value;
    }
    return 0;
}

ResultWord sendDsp(DspInstanceRecord* record, DspOpcode opcode, std::int32_t index = 0,
                   void* pointer = nullptr) {
    return record->dispatcherEntry(record, static_cast<std::int32_t>(opcode), index, 0, pointer,
                                   0.0f);
}

ResultWord sendGui(GuiInstanceRecord* record, GuiOpcode opcode, std::int32_t index = 0) {
    return record->dispatcherEntry(record, static_cast<std::int32_t>(opcode), index, 0, nullptr,
                                   0.0f);
}

std::size_t heapInUse() {
    return mallinfo2().uordblks;
}

class ShippedDll : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override {
        const std::string path = std::string(kShippedDllDir) + "/" + GetParam() + ".dll";
        if (!std::filesystem::exists(path)) {
            FAIL() << path << " is missing: build the win32 preset first "
                   << "(cmake --preset win32 && cmake --build --preset win32)";
        }
        try {
            module_ = pe::PeModule::load(path);
        } catch (const pe::PeError& error) {
            FAIL() << path << ": " << error.what();
        }
    }

    template <typename Function>
    Function exported(const char* name) const {
        return reinterpret_cast<Function>(module_->findExport(name));
    }

    // One session as a host runs it: the description, a DSP instance with
    // its pin table read and opened, a GUI instance told of a change of
    // every pin, both closed.
    void runSession() const {
        ModuleDescription description{};
        exported<GetModulePropertiesFunction>(kGetModulePropertiesName)(0, &description);
        const auto make = exported<MakeModuleFunction>(kMakeModuleName);
        auto* dsp = static_cast<DspInstanceRecord*>(make(0, 1, &sessionHost, 0));
        auto* gui = static_cast<GuiInstanceRecord*>(make(0, 2, &sessionHost, 0));
        for (std::int32_t index = 0; index < kPinCount; ++index) {
            PinDescription pin{};
            sendDsp(dsp, DspOpcode::DescribePin, index, &pin);
        }
        sendDsp(dsp, DspOpcode::Open);
        for (std::int32_t index = 0; index < kPinCount; ++index) {
            guiPins[static_cast<std::size_t>(index)] ^= 1;
            sendGui(gui, GuiOpcode::PinChanged, index);
        }
        sendDsp(dsp, DspOpcode::Close);
        sendGui(gui, GuiOpcode::Close);
    }

    std::unique_ptr<pe::PeModule> module_;
};

TEST_P(ShippedDll, BindsEveryImportToAShim) {
    EXPECT_THAT(module_->unboundImports(), IsEmpty());
    EXPECT_FALSE(module_->tables().imports.empty());
}

TEST_P(ShippedDll, FindsBothExportsByNameAndByOrdinal) {
    EXPECT_NE(module_->findExport(kGetModulePropertiesName), nullptr);
    EXPECT_EQ(module_->findExport(kGetModulePropertiesName), module_->findExport(1u));
    EXPECT_NE(module_->findExport(kMakeModuleName), nullptr);
    EXPECT_EQ(module_->findExport(kMakeModuleName), module_->findExport(2u));
}

// Within one load: the first session may set up what the DLL's runtime
// keeps for good; every later one must give back all it took. The DLL's
// allocations reach this process's heap through the msvcrt shims, so the
// heap's bytes in use count them. (Blocks freed into the allocator's
// per-thread cache still count as in use, so a balanced session leaves the
// figure exactly as it was, and a leak shows once the cache runs dry.)
TEST_P(ShippedDll, SessionsThroughTheExportsLeaveNothingOnTheHeap) {
    runSession();
    const std::size_t before = heapInUse();
    for (int round = 0; round < 100; ++round) {
        runSession();
        ASSERT_EQ(heapInUse(), before) << "bytes kept after round " << round;
    }

    // The figure does see what DLL code keeps: instances left open raise it.
    const auto make = exported<MakeModuleFunction>(kMakeModuleName);
    std::array<DspInstanceRecord*, 100> kept{};
    for (DspInstanceRecord*& record : kept) {
        record = static_cast<DspInstanceRecord*>(make(0, 1, &sessionHost, 0));
        sendDsp(record, DspOpcode::Open);
    }
    EXPECT_GT(heapInUse(), before);
    for (DspInstanceRecord* record : kept) sendDsp(record, DspOpcode::Close);
}

INSTANTIATE_TEST_SUITE_P(Shipped, ShippedDll, ::testing::Values("Tarvolane", "Morvessa"),
                         [](const auto& param) { return std::string(param.param); });

}  // namespace
