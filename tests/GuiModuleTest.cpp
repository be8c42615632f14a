// The ON/OFF converter, driven the way the host drives it: pin values in the
// host, a pin-changed notice through the record's dispatcher entry.
#include <gtest/gtest.h>

#include <climits>
#include <optional>
#include <vector>

#include "GuiModule.h"
#include "OnOffConversion.h"
#include "RecordingHost.h"

namespace {

constexpr std::int32_t kTwo24 = 16777216;

struct ConversionCase {
    const char* what;
    std::int32_t changed;  // the pin the notice names
    std::int32_t invert;   // I, pin 1
    std::int32_t mode;     // M, pin 0
    std::int32_t out;      // O, pin 2
    std::optional<onoff::PinWrite> write;
};

const std::vector<ConversionCase>& conversionCases() {
    static const std::vector<ConversionCase> cases = {
        // A change of "Mode": Out = M xor I, 0 for anything outside 0 and 1.
        {"Mode ON, Invert 0", 0, 0, 1, 0, onoff::PinWrite{2, 1}},
        {"Mode OFF, Invert 0", 0, 0, 0, 1, onoff::PinWrite{2, 0}},
        {"Mode ON, Invert 1", 0, 1, 1, 1, onoff::PinWrite{2, 0}},
        {"Mode OFF, Invert 1", 0, 1, 0, 0, onoff::PinWrite{2, 1}},
        {"Mode 2", 0, 0, 2, 5, onoff::PinWrite{2, 0}},
        {"Mode -1, Invert 1", 0, 1, -1, 5, onoff::PinWrite{2, 0}},
        {"Mode 1, Invert 7", 0, 7, 1, 1, onoff::PinWrite{2, 0}},
        {"Mode 0, Invert -1", 0, -1, 0, 1, onoff::PinWrite{2, 0}},
        {"unchanged Out is still written", 0, 0, 1, 1, onoff::PinWrite{2, 1}},
        // A change of "Invert" to 0 or 1 negates "Out", whatever "Mode" holds.
        {"Invert 0, Out 0", 1, 0, 0, 0, onoff::PinWrite{2, 1}},
        {"Invert 1, Out 1", 1, 1, 1, 1, onoff::PinWrite{2, 0}},
        {"Invert 1, Out out of step", 1, 1, 0, 0, onoff::PinWrite{2, 1}},
        {"Invert 0, Out 5", 1, 0, 0, 5, onoff::PinWrite{2, 0}},
        {"Invert 0, Out -1", 1, 0, 0, -1, onoff::PinWrite{2, 0}},
        {"Invert 2: nothing", 1, 2, 1, 0, std::nullopt},
        {"Invert -1: nothing", 1, -1, 1, 0, std::nullopt},
        // A change of "Out": negated into "Mode" when Invert is 1, else copied.
        {"Out 1, Invert 1", 2, 1, 0, 1, onoff::PinWrite{0, 0}},
        {"Out 0, Invert 1", 2, 1, 0, 0, onoff::PinWrite{0, 1}},
        {"Out 2, Invert 1", 2, 1, 0, 2, onoff::PinWrite{0, 0}},
        {"Out 1, Invert 0", 2, 0, 0, 1, onoff::PinWrite{0, 1}},
        {"Out 0, Invert 0", 2, 0, 1, 0, onoff::PinWrite{0, 0}},
        {"Out 2 copied", 2, 0, 0, 2, onoff::PinWrite{0, 2}},
        {"Out -7, Invert 5: copied", 2, 5, 0, -7, onoff::PinWrite{0, -7}},
        // The copy goes through a 32-bit float: exact to 2^24, rounded beyond.
        {"Out 2^24", 2, 0, 0, kTwo24, onoff::PinWrite{0, kTwo24}},
        {"Out -2^24", 2, 0, 0, -kTwo24, onoff::PinWrite{0, -kTwo24}},
        {"Out 2^24+1 rounds to 2^24", 2, 0, 0, kTwo24 + 1, onoff::PinWrite{0, kTwo24}},
        {"Out 2^24+3 rounds to even", 2, 0, 0, kTwo24 + 3, onoff::PinWrite{0, kTwo24 + 4}},
        {"Out INT_MIN is exact", 2, 0, 0, INT_MIN, onoff::PinWrite{0, INT_MIN}},
        {"Out 2^31-64 saturates", 2, 0, 0, INT_MAX - 63, onoff::PinWrite{0, INT_MAX}},
        {"Out INT_MAX saturates", 2, 0, 0, INT_MAX, onoff::PinWrite{0, INT_MAX}},
        {"Out 2^31-65 rounds down", 2, 0, 0, INT_MAX - 64, onoff::PinWrite{0, 2147483520}},
        // Any other pin: three reads, no write.
        {"pin 3", 3, 0, 1, 0, std::nullopt},
        {"pin -1", -1, 0, 1, 0, std::nullopt},
        {"pin INT_MAX", INT_MAX, 1, 1, 1, std::nullopt},
    };
    return cases;
}

TEST(GuiModule, EveryNoticeReadsThreePinsThenWritesAtMostOnce) {
    for (const ConversionCase& c : conversionCases()) {
        RecordingHost host;
        auto* module = new GuiModule(RecordingHost::callback(), host.hostValue());
        GuiInstanceRecord* record = &module->record;
        host.setPin(1, c.invert);
        host.setPin(0, c.mode);
        host.setPin(2, c.out);

        EXPECT_EQ(record->dispatcherEntry(record, 7, c.changed, 0, nullptr, 0.0f), 0) << c.what;

        const auto& calls = host.calls();
        ASSERT_EQ(calls.size(), c.write ? 4u : 3u) << c.what;
        const std::int32_t readOrder[] = {1, 0, 2};
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(calls[i].opcode, 14) << c.what;
            EXPECT_EQ(calls[i].index, readOrder[i]) << c.what;
            EXPECT_EQ(calls[i].record, record) << c.what;
        }
        if (c.write) {
            EXPECT_EQ(calls[3].opcode, 15) << c.what;
            EXPECT_EQ(calls[3].index, c.write->pin) << c.what;
            EXPECT_EQ(calls[3].value, c.write->value) << c.what;
            EXPECT_EQ(calls[3].pointer, nullptr) << c.what;
            EXPECT_EQ(calls[3].floatBits, 0u) << c.what;
        }
        EXPECT_EQ(record->dispatcherEntry(record, 1, 0, 0, nullptr, 0.0f), 1);
    }
}

TEST(GuiModule, TheRuleAloneAgreesWithTheTable) {
    for (const ConversionCase& c : conversionCases()) {
        EXPECT_EQ(onoff::conversionFor(c.changed, {c.invert, c.mode, c.out}), c.write) << c.what;
    }
}

TEST(GuiModule, TruncationSaturatesInsteadOfOverflowing) {
    EXPECT_EQ(onoff::truncateSaturated(2147483648.0f), INT_MAX);
    EXPECT_EQ(onoff::truncateSaturated(1e30f), INT_MAX);
    EXPECT_EQ(onoff::truncateSaturated(-1e30f), INT_MIN);
    EXPECT_EQ(onoff::truncateSaturated(-2.75f), -2);
    EXPECT_EQ(onoff::truncateSaturated(2.75f), 2);
}

TEST(GuiModule, ANewInstanceSendsNothingAndOtherOpcodesSendNothing) {
    RecordingHost host;
    auto* module = new GuiModule(RecordingHost::callback(), host.hostValue());
    int pointee = 0;
    for (std::int32_t opcode : {0, 2, 3, 4, 5, 6, 8, 9, 10, 11, 12, 13, -1}) {
        module->dispatch(opcode, 0, 0, &pointee, 0.0f);
    }
    EXPECT_TRUE(host.calls().empty());
    EXPECT_EQ(module->dispatch(1, 0, 0, nullptr, 0.0f), 1);
    EXPECT_TRUE(host.calls().empty());
}

TEST(GuiModule, WithAnEchoingHostAModeChangeSettlesWithModeUnchanged) {
    struct Start {
        std::int32_t invert, mode, out;
    };
    for (const Start s : {Start{0, 1, 0}, Start{1, 1, 1}, Start{0, 0, 1}, Start{1, 0, 0}}) {
        RecordingHost host;
        host.setEcho(RecordingHost::Echo::OnChange);
        auto* module = new GuiModule(RecordingHost::callback(), host.hostValue());
        host.setPin(1, s.invert);
        host.setPin(0, s.mode);
        host.setPin(2, s.out);
        module->dispatch(7, 0, 0, nullptr, 0.0f);
        EXPECT_FALSE(host.depthExceeded());
        EXPECT_EQ(host.pin(0), s.mode);
        EXPECT_EQ(host.pin(2), s.mode ^ s.invert);
        // Mode notice -> Out write (changed, echoed) -> Mode write (unchanged): settles.
        EXPECT_EQ(host.deepestEcho(), 1);
        module->dispatch(1, 0, 0, nullptr, 0.0f);
    }
}

TEST(GuiModule, AnOutChangeWithInvertCarriesBackToMode) {
    RecordingHost host;
    host.setEcho(RecordingHost::Echo::OnChange);
    auto* module = new GuiModule(RecordingHost::callback(), host.hostValue());
    host.setPin(1, 1);
    host.setPin(0, 1);
    host.setPin(2, 1);  // the user sets Out to ON while Invert is on
    module->dispatch(7, 2, 0, nullptr, 0.0f);
    EXPECT_EQ(host.pin(0), 0);
    EXPECT_EQ(host.pin(2), 1);
    EXPECT_FALSE(host.depthExceeded());
    module->dispatch(1, 0, 0, nullptr, 0.0f);
}

}  // namespace
