// Both plug-ins through many whole lives of their instances, as a host that
// runs for a long time drives them: create, open or pin-changed notices,
// close, over and over, on both sides of both plug-ins, through the exports
// and the records only. Every allocation a cycle makes must be freed by its
// close. QK_SOAK_CYCLES sets the number of cycles (100000 by default).
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "AllocationControl.h"
#include "DspInstanceRecord.h"
#include "GuiInstanceRecord.h"
#include "InterfaceCalls.h"
#include "LoadedPlugin.h"
#include "PinDescription.h"
#include "RecordingHost.h"

namespace {

constexpr long kDefaultCycles = 100000;
// What one cycle allocates in each plug-in: the DSP instance, its pin array
// and the GUI instance. Notices, descriptions and closes allocate nothing.
constexpr std::size_t kAllocationsPerCycle = 3;
// What one cycle sends to the host: pin count and "opened" from the DSP
// open, then three reads and one write for each of three notices.
constexpr std::size_t kRequestsPerCycle = 2 + 3 * 4;

long soakCycles() {
    const char* configured = std::getenv("QK_SOAK_CYCLES");
    return configured != nullptr ? std::strtol(configured, nullptr, 10) : kDefaultCycles;
}

struct SoakedPlugin {
    explicit SoakedPlugin(const char* name) : plugin(pluginPath(name)) { host.setPinCount(3); }

    // One whole life of a DSP and of a GUI instance. The pin values vary
    // with the cycle, so the notices take every branch of the conversion.
    void cycle(long n) {
        auto* dsp = static_cast<DspInstanceRecord*>(
            plugin.makeModule(0, 1, RecordingHost::callback(), host.hostValue()));
        ASSERT_NE(dsp, nullptr);
        ASSERT_EQ(callDspDispatcher(dsp, 0, 0, 0, nullptr, 0.0f), 0);
        callDspDispatcher(dsp, 2, 0, 0, nullptr, 48000.0f);
        callDspDispatcher(dsp, 3, 0, 256, nullptr, 0.0f);
        callDspDispatcher(dsp, 8, 1, 0, nullptr, 0.0f);
        PinDescription description{};
        ASSERT_EQ(
            callDspDispatcher(dsp, 6, static_cast<std::int32_t>(n % 3), 0, &description, 0.0f), 1);
        ASSERT_EQ(callDspDispatcher(dsp, 1, 0, 0, nullptr, 0.0f), 1);

        auto* gui = static_cast<GuiInstanceRecord*>(
            plugin.makeModule(0, 2, RecordingHost::callback(), host.hostValue()));
        ASSERT_NE(gui, nullptr);
        host.setPin(0, static_cast<std::int32_t>(n & 1));
        host.setPin(1, static_cast<std::int32_t>((n >> 1) & 1));
        for (std::int32_t pin = 0; pin < 3; ++pin) {
            ASSERT_EQ(callGuiDispatcher(gui, 7, pin, 0, nullptr, 0.0f), 0);
        }
        ASSERT_EQ(callGuiDispatcher(gui, 1, 0, 0, nullptr, 0.0f), 1);

        ASSERT_EQ(host.calls().size(), kRequestsPerCycle) << "cycle " << n;
        host.clearCalls();  // keeps the host's storage: it allocates nothing more
    }

    LoadedPlugin plugin;
    RecordingHost host;
};

TEST(PluginSoakTest, ManyCyclesOfBothSidesOfBothPluginsLeaveNoAllocationBehind) {
    SoakedPlugin plugins[] = {SoakedPlugin("Tarvolane"), SoakedPlugin("Morvessa")};
    for (SoakedPlugin& soaked : plugins) {
        ASSERT_TRUE(soaked.plugin.loaded()) << soaked.plugin.error();
        soaked.cycle(0);  // the host's own storage grows once, here
    }
    ASSERT_FALSE(::testing::Test::HasFatalFailure());

    const long cycles = soakCycles();
    const std::size_t liveAtStart = allocations::live();
    const std::size_t madeAtStart = allocations::made();
    const auto start = std::chrono::steady_clock::now();
    for (long n = 1; n <= cycles; ++n) {
        for (SoakedPlugin& soaked : plugins) {
            soaked.cycle(n);
            if (::testing::Test::HasFatalFailure()) return;
        }
    }
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    const std::size_t made = allocations::made() - madeAtStart;

    EXPECT_EQ(allocations::live(), liveAtStart) << "allocations left behind";
    EXPECT_EQ(made, static_cast<std::size_t>(cycles) * kAllocationsPerCycle * 2)
        << "the plug-ins' allocations all go through this program's operator new";
    std::printf(
        "soak: %ld cycles of both plug-ins in %.2f s, %zu allocations, %zu live before "
        "and %zu after\n",
        cycles, elapsed.count(), made, liveAtStart, allocations::live());
}

}  // namespace
