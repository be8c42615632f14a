// Events the host delivers, the process routine, and routines that travel
// in events.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "DspProbeModule.h"
#include "MemberRoutine.h"
#include "RecordingHost.h"
#include "RoutineToken.h"
#include "SEModule_base.h"

namespace {

constexpr auto kInt32 = static_cast<std::int32_t>(PinDatatype::Int32);

DspEvent eventOf(std::uint32_t type, std::uint32_t value, std::uint32_t extra) {
    return DspEvent{0, type, value, 0, extra, 0};
}

// A probe with three bound pins (0 to 2) in an array of four: the host
// reports four pins and the table describes three.
class DspEventTest : public ::testing::Test {
protected:
    DspEventTest() {
        host.setPinCount(4);
        probe.table = {{kInt32}, {kInt32}, {kInt32}};
    }

    void open() {
        sendOpcode(probe, 0);
        log.clear();
        host.clearCalls();
    }

    std::vector<std::int32_t> statuses() {
        std::vector<std::int32_t> result;
        for (std::int32_t i = 0; i < probe.boundPinCount; ++i)
            result.push_back(probe.pinAt(i)->getStatus());
        return result;
    }

    RecordingHost host;
    std::vector<std::string> log;
    ProbeModule probe{log, host};
};

TEST_F(DspEventTest, PinStatusReachesThePinAndOneIsSeenOnlyDuringTheNotice) {
    open();
    ASSERT_EQ(probe.boundPinCount, 3);
    deliverEvent(probe, eventOf(0, 1, 1));
    EXPECT_EQ(log, (std::vector<std::string>{"status 1 1"}));
    EXPECT_EQ(statuses(), (std::vector<std::int32_t>{0, 0, 0}));

    deliverEvent(probe, eventOf(0, 2, 2));
    deliverEvent(probe, eventOf(0, 0xFFFFFFF9u, 0));
    EXPECT_EQ(log, (std::vector<std::string>{"status 1 1", "status 2 2", "status 0 -7"}));
    EXPECT_EQ(statuses(), (std::vector<std::int32_t>{-7, 0, 2}));
    EXPECT_TRUE(host.calls().empty());
}

TEST_F(DspEventTest, PinStatusForNoBoundPinIsIgnored) {
    deliverEvent(probe, eventOf(0, 2, 0));  // before open: no array at all
    open();
    // 3: left unbound; 4: past the host's count; the rest far out of range.
    for (std::uint32_t extra : {3u, 4u, 0x7FFFFFFFu, 0x80000000u, 0xFFFFFFFFu}) {
        deliverEvent(probe, eventOf(0, 2, extra));
    }
    EXPECT_TRUE(log.empty());
    EXPECT_EQ(statuses(), (std::vector<std::int32_t>{0, 0, 0}));
}

TEST_F(DspEventTest, ValuesEventGetsOnlyTheLow16BitsOfTheShortValue) {
    deliverEvent(probe, DspEvent{0xDEADBEEFu, 2, 0x12345678u, 0xABCD1234u, 9, 7});
    EXPECT_EQ(log, (std::vector<std::string>{"values 3735928559 305419896 4660"}));
}

TEST_F(DspEventTest, OtherTypesChangeNothing) {
    open();
    const RoutineRef before = probe.getProcessRoutine();
    for (std::uint32_t type : {1u, 3u, 20u, 22u, 0xFFFFFFFFu}) {
        deliverEvent(probe, DspEvent{1, type, 1, 1, 1, 1});
    }
    EXPECT_TRUE(log.empty());
    EXPECT_EQ(statuses(), (std::vector<std::int32_t>{0, 0, 0}));
    EXPECT_EQ(probe.getProcessRoutine().code, before.code);
    EXPECT_EQ(probe.record.processEntry, before.code);
    EXPECT_TRUE(host.calls().empty());
}

TEST_F(DspEventTest, AMissingEventRecordIsIgnored) {
    probe.record.eventEntry(&probe, nullptr);
    EXPECT_TRUE(log.empty());
}

TEST_F(DspEventTest, ScheduledRoutineComesBackAndRunsOnTheObject) {
    host.answer = [](const HostCall& call) {
        return call.opcode == 19 ? std::optional<ResultWord>(9) : std::nullopt;
    };
    RoutineRef routine = memberRoutine<&ProbeModule::tick>();
    routine.adjustment = 5;
    routine.further[0] = 1;
    routine.further[1] = 2;
    EXPECT_EQ(probe.scheduleRoutine(77, routine), 9);

    ASSERT_EQ(host.opcodes(), (std::vector<std::int32_t>{19}));
    ASSERT_EQ(host.events().size(), 1u);
    const DspEvent sent = host.events()[0];
    const std::uint32_t token = tokenOfRoutine(routine.code).value_or(0);
    EXPECT_NE(token, 0u);
    EXPECT_EQ(wordsOf(sent), (std::array<std::uint32_t, 6>{77, 21, 0, 0, token, 0}))
        << "only the code travels";
#if defined(__i386__)
    EXPECT_EQ(sent.extra, reinterpret_cast<std::uintptr_t>(routine.code))
        << "the code address itself";
#endif
    EXPECT_TRUE(log.empty()) << "nothing runs before the host delivers the event";

    deliverEvent(probe, sent);
    EXPECT_EQ(log, (std::vector<std::string>{"tick"}));

    log.clear();
    deliverEvent(probe, eventOf(21, 0, 0));
    EXPECT_TRUE(log.empty()) << "the token 0 names no routine";
}

TEST(RoutineToken, RoutinesOfTheLibraryAndTheModuleTravelAndComeBack) {
    const ProcessRoutine routines[] = {&defaultProcess, memberRoutine<&ProbeModule::tick>().code,
                                       memberRoutine<&ProbeModule::onNotify>().code};
    for (ProcessRoutine routine : routines) {
        const auto token = tokenOfRoutine(routine);
        ASSERT_TRUE(token.has_value());
        EXPECT_NE(*token, 0u);
        EXPECT_EQ(routineOfToken(*token), routine);
#if defined(__i386__)
        EXPECT_EQ(*token, reinterpret_cast<std::uintptr_t>(routine));
#endif
    }
    EXPECT_EQ(tokenOfRoutine(nullptr), std::optional<std::uint32_t>(0u));
    EXPECT_EQ(routineOfToken(0), nullptr);
}

#if !defined(__i386__)
TEST_F(DspEventTest, ARoutineTooFarToTravelIn32BitsIsNotSent) {
    const auto near = reinterpret_cast<std::uintptr_t>(&dspEventEntry);
    for (std::uintptr_t distance : {std::uintptr_t{1} << 32, std::uintptr_t{1} << 40,
                                    static_cast<std::uintptr_t>(-(std::intptr_t{1} << 33))}) {
        const RoutineRef far{reinterpret_cast<ProcessRoutine>(near + distance), 0, {0, 0}};
        EXPECT_FALSE(tokenOfRoutine(far.code).has_value());
        EXPECT_EQ(probe.scheduleRoutine(1, far), 0);
    }
    EXPECT_TRUE(host.calls().empty());
}
#endif

struct RoutineStep {
    const char* what;
    RoutineRef routine;
    bool changes;
};

TEST_F(DspEventTest, SetProcessRoutineStoresAndAnnouncesOnlyAChange) {
    const ProcessRoutine tick = memberRoutine<&ProbeModule::tick>().code;
    const std::vector<RoutineStep> steps = {
        {"the current one", {&defaultProcess, 0, {0, 0}}, false},
        {"another routine", {tick, 0, {0, 0}}, true},
        {"the same again", {tick, 0, {0, 0}}, false},
        {"another adjustment", {tick, 4, {0, 0}}, true},
        {"another further word", {tick, 4, {0, 6}}, true},
        {"no routine", {nullptr, 1, {2, 3}}, true},
        {"no routine with other words", {nullptr, 9, {8, 7}}, false},
        {"back to the default", {&defaultProcess, 0, {0, 0}}, true},
    };
    // What the record names when the host hears of the change.
    std::vector<ProcessRoutine> announced;
    host.answer = [&](const HostCall& call) -> std::optional<ResultWord> {
        if (call.opcode == 22)
            announced.push_back(static_cast<DspInstanceRecord*>(call.record)->processEntry);
        return std::nullopt;
    };
    RoutineRef expected = probe.getProcessRoutine();
    for (const RoutineStep& step : steps) {
        host.clearCalls();
        announced.clear();
        probe.setProcessRoutine(step.routine);
        if (step.changes) expected = step.routine;
        const RoutineRef now = probe.getProcessRoutine();
        EXPECT_EQ(now.code, expected.code) << step.what;
        EXPECT_EQ(now.adjustment, expected.adjustment) << step.what;
        EXPECT_EQ(now.further[0], expected.further[0]) << step.what;
        EXPECT_EQ(now.further[1], expected.further[1]) << step.what;
        EXPECT_EQ(probe.record.processEntry, expected.code) << step.what;
        if (step.changes) {
            ASSERT_EQ(host.calls().size(), 1u) << step.what;
            const HostCall& call = host.calls()[0];
            EXPECT_EQ(call.opcode, 22) << step.what;
            EXPECT_EQ(call.index, 0) << step.what;
            EXPECT_EQ(call.value, 0) << step.what;
            EXPECT_EQ(call.pointer, nullptr) << step.what;
            EXPECT_EQ(call.floatBits, 0u) << step.what;
            EXPECT_EQ(announced, std::vector<ProcessRoutine>{step.routine.code}) << step.what;
        } else {
            EXPECT_TRUE(host.calls().empty()) << step.what;
        }
    }
}

TEST_F(DspEventTest, TheProcessEntryRunsTheInstalledMember) {
    probe.setProcessRoutine(memberRoutine<&ProbeModule::tick>());
    probe.record.processEntry(probe.record.object);
    EXPECT_EQ(log, (std::vector<std::string>{"tick"}));
    defaultProcess(&probe);  // does nothing with what it is given
    defaultProcess(nullptr);
    EXPECT_EQ(log.size(), 1u);
}

// A module class whose DSP base is not its first base: the object the host
// hands over is the base's address, and the member must still run on the
// whole object.
// Polymorphic, so that it, not the module base, comes first in the object.
struct Payload {
    virtual ~Payload() = default;
    int weight = 3;
};
struct LayeredModule : Payload, ProbeModule {
    using ProbeModule::ProbeModule;
    void touch() { seen = this; }
    LayeredModule* seen = nullptr;
};

TEST(MemberRoutine, RunsOnTheWholeObjectOfAClassWithFurtherBases) {
    std::vector<std::string> log;
    LayeredModule module(log);
    module.setProcessRoutine(memberRoutine<&LayeredModule::touch>());
    ASSERT_NE(static_cast<void*>(module.record.object), static_cast<void*>(&module));
    module.record.processEntry(module.record.object);
    EXPECT_EQ(module.seen, &module);

    module.seen = nullptr;
    RecordingHost host;
    LayeredModule scheduled(log, host);
    scheduled.scheduleRoutine(0, memberRoutine<&LayeredModule::touch>());
    ASSERT_EQ(host.events().size(), 1u);
    deliverEvent(scheduled, host.events()[0]);
    EXPECT_EQ(scheduled.seen, &scheduled);
}

}  // namespace
