// Running out of memory at every allocation the layer makes. The plug-ins
// are driven through their exports and records: makeModule answers null
// and leaks nothing, the DSP open completes without its pins, and no
// exception leaves an export. The text reads (linked in here, as module code
// uses them) raise std::bad_alloc to their caller and leave nothing behind.
//
// Each attempt arms its FailingAllocation around the code under test alone
// and checks afterwards, so that no allocation of the test's own can fail.
#include <gtest/gtest.h>

#include <cstdint>
#include <new>
#include <string>
#include <vector>

#include "AllocationControl.h"
#include "DspInstanceRecord.h"
#include "EnumList.h"
#include "GuiInstanceRecord.h"
#include "InterfaceCalls.h"
#include "LoadedPlugin.h"
#include "ModuleDescription.h"
#include "PinDescription.h"
#include "RecordingHost.h"
#include "SEGUI_base.h"

namespace {

// Calls attempt(k) for k = 1, 2, ...; an attempt makes the k-th allocation of
// the code under test fail and answers whether it came to pass. Stops after
// the first attempt that made fewer than k allocations, and answers how many
// attempts failed an allocation. No attempt may leave an allocation behind.
template <typename Attempt>
std::size_t failEachAllocationInTurn(Attempt attempt) {
    for (std::size_t k = 1;; ++k) {
        const std::size_t liveBefore = allocations::live();
        const bool failed = attempt(k);
        EXPECT_EQ(allocations::live(), liveBefore) << "with allocation " << k << " failing";
        if (!failed || ::testing::Test::HasFailure()) return k - 1;
    }
}

// What a call through an export or entry did with an allocation failing.
struct Outcome {
    bool allocationFailed = false;  // the armed allocation was asked for
    bool escaped = false;           // an exception left the call
};

class PluginAllocationTest : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override {
        ASSERT_TRUE(plugin.loaded()) << plugin.error();
        host.reserveCalls(64);
        for (std::int32_t pin = 0; pin < 3; ++pin) host.setPin(pin, 0);
    }

    void* make(std::int32_t index, std::int32_t type) {
        return plugin.makeModule(index, type, RecordingHost::callback(), host.hostValue());
    }
    static ResultWord closeInstance(void* record, std::int32_t type) {
        return type == 1 ? callDspDispatcher(static_cast<DspInstanceRecord*>(record), 1, 0, 0,
                                             nullptr, 0.0f)
                         : callGuiDispatcher(static_cast<GuiInstanceRecord*>(record), 1, 0, 0,
                                             nullptr, 0.0f);
    }

    // Runs `call` with the k-th allocation failing.
    template <typename Call>
    static Outcome withFailingAllocation(std::size_t k, Call call) {
        Outcome outcome;
        FailingAllocation failing(k);
        try {
            call();
        } catch (...) {
            outcome.escaped = true;
        }
        outcome.allocationFailed = failing.failed();
        return outcome;
    }

    LoadedPlugin plugin{pluginPath(GetParam())};
    RecordingHost host;
};

TEST_P(PluginAllocationTest, MakeModuleAnswersNullForEachAllocationThatFails) {
    for (const std::int32_t type : {1, 2}) {
        const std::size_t failures = failEachAllocationInTurn([&](std::size_t k) {
            void* record = nullptr;
            const Outcome outcome = withFailingAllocation(k, [&] { record = make(0, type); });
            EXPECT_FALSE(outcome.escaped) << "type " << type;
            if (outcome.allocationFailed) {
                EXPECT_EQ(record, nullptr) << "type " << type;
            } else if (record != nullptr) {
                EXPECT_EQ(closeInstance(record, type), 1);
            } else {
                ADD_FAILURE() << "type " << type << ": null without a failed allocation";
            }
            return outcome.allocationFailed;
        });
        EXPECT_GE(failures, 1u)
            << "the plug-in's own allocations must reach this program's operator new";
    }
    EXPECT_TRUE(host.calls().empty());
}

TEST_P(PluginAllocationTest, NoModuleAllocatesNothing) {
    struct Request {
        std::int32_t index, type;
    };
    for (const Request r :
         {Request{1, 1}, Request{1, 2}, Request{0, 0}, Request{0, 3}, Request{-1, 2}}) {
        const std::size_t madeBefore = allocations::made();
        EXPECT_EQ(make(r.index, r.type), nullptr);
        EXPECT_EQ(allocations::made(), madeBefore) << r.index << "/" << r.type;
    }
}

TEST_P(PluginAllocationTest, DspOpenWithoutMemoryForItsPinsStillCompletes) {
    for (const std::int32_t pinCount : {3, 200}) {
        host.setPinCount(pinCount);
        const std::size_t failures = failEachAllocationInTurn([&](std::size_t k) {
            auto* record = static_cast<DspInstanceRecord*>(make(0, 1));
            if (record == nullptr) return false;
            host.clearCalls();
            ResultWord opened = -1;
            const Outcome outcome = withFailingAllocation(
                k, [&] { opened = callDspDispatcher(record, 0, 0, 0, nullptr, 0.0f); });
            EXPECT_FALSE(outcome.escaped);
            EXPECT_EQ(opened, 0);
            EXPECT_EQ(host.opcodes(), (std::vector<std::int32_t>{14, 10}))
                << "the open runs to its end";
            // Pin-status events for the pins the host reported find none.
            for (std::uint32_t pin = 0; pin < 4; ++pin) {
                DspEvent event{0, 0, 2, 0, pin, 0};
                callDspEvent(record, &event);
            }
            EXPECT_EQ(callDspDispatcher(record, 1, 0, 0, nullptr, 0.0f), 1);
            return outcome.allocationFailed;
        });
        EXPECT_EQ(failures, 1u) << "the open allocates its pin array, nothing else";
    }
}

TEST_P(PluginAllocationTest, DescriptionsNoticesAndClosesAllocateNothing) {
    host.setPinCount(3);
    auto* dsp = static_cast<DspInstanceRecord*>(make(0, 1));
    auto* gui = static_cast<GuiInstanceRecord*>(make(0, 2));
    ASSERT_NE(dsp, nullptr);
    ASSERT_NE(gui, nullptr);
    ASSERT_EQ(callDspDispatcher(dsp, 0, 0, 0, nullptr, 0.0f), 0);
    host.clearCalls();

    ModuleDescription description{};
    PinDescription pin{};
    std::vector<ResultWord> answers;
    answers.reserve(16);
    const Outcome outcome = withFailingAllocation(1, [&] {
        answers.push_back(plugin.getModuleProperties(0, &description));
        answers.push_back(callDspDispatcher(dsp, 6, 0, 0, &pin, 0.0f));
        answers.push_back(callDspDispatcher(dsp, 13, 0, 0, nullptr, 0.0f) != 0);
        for (std::int32_t index : {0, 1, 2, 3})
            answers.push_back(callGuiDispatcher(gui, 7, index, 0, nullptr, 0.0f));
        answers.push_back(callDspDispatcher(dsp, 1, 0, 0, nullptr, 0.0f));
        answers.push_back(callGuiDispatcher(gui, 1, 0, 0, nullptr, 0.0f));
    });
    EXPECT_FALSE(outcome.escaped);
    EXPECT_FALSE(outcome.allocationFailed);
    EXPECT_EQ(answers, (std::vector<ResultWord>{1, 1, 1, 0, 0, 0, 0, 1, 1}));
    EXPECT_EQ(host.calls().size(), 4u * 3u + 3u) << "three reads a notice, a write for pins 0 to 2";
}

INSTANTIATE_TEST_SUITE_P(Plugins, PluginAllocationTest, ::testing::Values("Tarvolane", "Morvessa"),
                         [](const auto& param) { return std::string(param.param); });

// Texts long enough to live outside any string's own small buffer.
const std::string kLongText = "a pin text long enough to need memory of its own";
const WideString kLongWideText = u"a wide pin text long enough to need memory of its own";

class TextReadAllocationTest : public ::testing::Test {
protected:
    void SetUp() override { host.reserveCalls(4); }

    RecordingHost host;
    SEGUI_base gui{RecordingHost::callback(), host.hostValue()};
};

// What a text read gave with an allocation failing: its text, or the
// exception it raised.
template <typename Text>
struct TextOutcome {
    Text text;
    bool allocationFailed = false;
    bool raisedBadAlloc = false;
    bool raisedOther = false;
};

template <typename Text, typename Read>
TextOutcome<Text> readWithFailingAllocation(std::size_t k, Read read) {
    TextOutcome<Text> outcome;
    FailingAllocation failing(k);
    try {
        outcome.text = read();
    } catch (const std::bad_alloc&) {
        outcome.raisedBadAlloc = true;
    } catch (...) {
        outcome.raisedOther = true;
    }
    outcome.allocationFailed = failing.failed();
    return outcome;
}

TEST_F(TextReadAllocationTest, ReadTextRaisesBadAllocAndKeepsNothing) {
    host.setText(4, kLongText);
    const std::size_t failures = failEachAllocationInTurn([&](std::size_t k) {
        host.clearCalls();
        const auto outcome =
            readWithFailingAllocation<std::string>(k, [&] { return gui.pinAt(4).readText(); });
        EXPECT_FALSE(outcome.raisedOther);
        EXPECT_EQ(outcome.raisedBadAlloc, outcome.allocationFailed);
        if (!outcome.raisedBadAlloc) {
            EXPECT_EQ(outcome.text, kLongText);
        }
        return outcome.allocationFailed;
    });
    EXPECT_EQ(failures, 1u) << "the copy of the text";
}

TEST_F(TextReadAllocationTest, ReadWideTextRaisesBadAllocAndKeepsNothing) {
    const auto length = static_cast<std::int32_t>(kLongWideText.size() + 1);
    host.setWideText(4, length, kLongWideText + u'\0');
    std::vector<std::size_t> requestsSent;
    requestsSent.reserve(8);  // its growth would count as the read's
    const std::size_t failures = failEachAllocationInTurn([&](std::size_t k) {
        host.clearCalls();
        const auto outcome =
            readWithFailingAllocation<WideString>(k, [&] { return gui.pinAt(4).readWideText(); });
        EXPECT_FALSE(outcome.raisedOther);
        EXPECT_EQ(outcome.raisedBadAlloc, outcome.allocationFailed);
        if (!outcome.raisedBadAlloc) {
            EXPECT_EQ(outcome.text, kLongWideText);
        }
        requestsSent.push_back(host.calls().size());
        return outcome.allocationFailed;
    });
    EXPECT_EQ(failures, 2u) << "the buffer, then the copy of the text";
    // Without its buffer the read stops before the second request.
    EXPECT_EQ(requestsSent, (std::vector<std::size_t>{1, 2, 2}));
}

TEST(ListTextAllocationTest, FreeFunctionsRaiseBadAllocAndKeepNothing) {
    const WideString listText = u"first label=1, second label, third label=7, a last label";
    struct Case {
        std::int32_t value;
        bool listed;
        std::int32_t sanitised;
    };
    for (const Case c : {Case{2, true, 2}, Case{8, true, 8}, Case{99, false, 1}}) {
        for (const bool sanitise : {false, true}) {
            const std::size_t failures = failEachAllocationInTurn([&](std::size_t k) {
                const auto outcome = readWithFailingAllocation<std::int32_t>(k, [&] {
                    return sanitise ? sanitiseListValue(listText, c.value)
                                    : static_cast<std::int32_t>(isValueInList(listText, c.value));
                });
                EXPECT_FALSE(outcome.raisedOther);
                EXPECT_EQ(outcome.raisedBadAlloc, outcome.allocationFailed);
                if (!outcome.raisedBadAlloc) {
                    EXPECT_EQ(outcome.text, sanitise ? c.sanitised : std::int32_t{c.listed})
                        << c.value;
                }
                return outcome.allocationFailed;
            });
            EXPECT_GE(failures, 2u) << "the copy of the list text, then the items";
        }
    }
}

}  // namespace
