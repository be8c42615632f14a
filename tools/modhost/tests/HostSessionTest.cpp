// The host logic driven through real (test) plug-ins: the notice echo and
// its limits, the answers to the instances' requests, and the faults noted
// when a module breaks the interface.
#include <gtest/gtest.h>

#include <bit>
#include <cstring>

#include "BadInput.h"
#include "DspOpcode.h"
#include "HostSession.h"
#include "PinTable.h"
#include "Plugin.h"
#include "TestPluginPaths.h"

namespace {

constexpr std::int32_t kLevel = 0;  // list "LOW,HIGH"
constexpr std::int32_t kLamp = 1;   // boolean

bool anyFaultContains(const HostSession& session, const std::string& text) {
    for (const std::string& fault : session.faults()) {
        if (fault.find(text) != std::string::npos) return true;
    }
    return false;
}

// A session on a plug-in with its pin table read, and one GUI instance.
struct Fixture {
    explicit Fixture(const char* path, EchoRules echo = {})
        : plugin(loadPlugin(path)), session(*plugin, echo) {
        DspInstanceRecord* dsp = session.createDsp();
        session.setPins(readPinTable(session, dsp).pins);
        session.sendDsp(dsp, static_cast<std::int32_t>(DspOpcode::Open));
        gui = session.createGui();
    }

    std::unique_ptr<Plugin> plugin;
    HostSession session;
    GuiInstanceRecord* gui = nullptr;
};

std::vector<std::int32_t> noticedPins(const StepOutcome& outcome) {
    std::vector<std::int32_t> pins;
    for (const DeliveredNotice& notice : outcome.notices) pins.push_back(notice.pin);
    return pins;
}

TEST(HostSessionTest, AChangingWriteIsEchoedAndAnUnchangedOneEndsTheStep) {
    Fixture latch(kTestLatchPath);
    const StepOutcome outcome = latch.session.setPin(latch.gui, kLevel, 1);
    EXPECT_TRUE(outcome.settled);
    // Level's notice writes Lamp = 1 (a change, echoed); Lamp's notice
    // writes Level = 1, which it already holds: no further notice.
    EXPECT_EQ(noticedPins(outcome), (std::vector<std::int32_t>{kLevel, kLamp}));
    ASSERT_EQ(outcome.writes.size(), 2u);
    EXPECT_TRUE(outcome.writes[0].pin == kLamp && outcome.writes[0].word == 1 &&
                outcome.writes[0].changed);
    EXPECT_TRUE(outcome.writes[1].pin == kLevel && outcome.writes[1].word == 1 &&
                !outcome.writes[1].changed);
    EXPECT_EQ(outcome.notices[1].generation, 1);
    EXPECT_EQ(latch.session.pinWord(latch.gui, kLamp), 1);
    EXPECT_TRUE(latch.session.faults().empty());
}

TEST(HostSessionTest, TheEchoRulesStopAModuleThatNeverSettles) {
    struct Case {
        EchoRules echo;
        std::size_t notices;  // delivered before the host gives up
    };
    for (const Case& c : {Case{{.maxGeneration = 4, .maxNotices = 100}, 5},
                          Case{{.maxGeneration = 100, .maxNotices = 7}, 7}}) {
        Fixture flipper(kNeverSettlesPath, c.echo);
        const StepOutcome outcome = flipper.session.setPin(flipper.gui, kLevel, 1);
        EXPECT_FALSE(outcome.settled);
        EXPECT_EQ(outcome.notices.size(), c.notices);
        // The next step starts afresh: nothing left over from the last one.
        EXPECT_EQ(flipper.session.notify(flipper.gui, kLamp).notices.front().pin, kLamp);
    }
}

TEST(HostSessionTest, EchoingEveryWriteLoopsAModuleThatRewritesAValue) {
    // The latch writes Level back with the value it holds; echoed anyway,
    // that write causes another notice, and so on without end.
    Fixture latch(kTestLatchPath, {.everyWrite = true, .maxGeneration = 6});
    const StepOutcome outcome = latch.session.setPin(latch.gui, kLevel, 1);
    EXPECT_FALSE(outcome.settled);
    EXPECT_EQ(noticedPins(outcome),
              (std::vector<std::int32_t>{kLevel, kLamp, kLevel, kLamp, kLevel, kLamp, kLevel}));
}

TEST(HostSessionTest, ARequestDuringCreationIsAFaultAndAnsweredWithNothing) {
    Fixture eager(kWritesOnCreationPath);
    EXPECT_TRUE(anyFaultContains(eager.session, "while makeModule was still creating"));
    EXPECT_EQ(eager.session.pinWord(eager.gui, kLamp), 0);
}

TEST(HostSessionTest, AnswersTheDspPinCountAndTheGuiPinRequests) {
    Fixture latch(kTestLatchPath);
    // A float pin besides the module's own, to see a write carried in the float argument.
    auto pins = latch.session.pins();
    PinInfo gain;
    gain.index = 2;
    gain.datatype = static_cast<std::int32_t>(PinDatatype::Float32);
    pins.push_back(gain);
    latch.session.setPins(pins);
    DspInstanceRecord* dsp = latch.session.createDsp();
    EXPECT_EQ(HostSession::hostCallback(dsp, toWord(DspHostOpcode::PinCount), 0, 0, nullptr, 0.0f),
              3);

    void* gui = latch.gui;
    const auto request = [&](GuiHostOpcode opcode, std::int32_t index, std::int32_t value,
                             void* pointer, float floatValue = 0.0f) {
        return HostSession::hostCallback(gui, toWord(opcode), index, value, pointer, floatValue);
    };
    request(GuiHostOpcode::WriteValue, kLevel, 1, nullptr, 7.0f);
    request(GuiHostOpcode::WriteValue, 2, 99, nullptr, 0.5f);
    std::int32_t slot = -1;
    request(GuiHostOpcode::ReadValue, kLevel, 0, &slot);
    EXPECT_EQ(slot, 1);
    request(GuiHostOpcode::ReadValue, 2, 0, &slot);
    EXPECT_EQ(std::bit_cast<float>(slot), 0.5f);

    char text[] = "loud";
    request(GuiHostOpcode::WriteText, kLamp, 0, text);
    text[0] = 'X';  // the host keeps its own copy
    EXPECT_STREQ(reinterpret_cast<const char*>(request(GuiHostOpcode::ReadText, kLamp, 0, nullptr)),
                 "loud");
    EXPECT_EQ(request(GuiHostOpcode::ReadWideText, kLamp, 0, nullptr), 5);
    char16_t wide[5] = {1, 1, 1, 1, 1};
    request(GuiHostOpcode::ReadWideText, kLamp, 3, wide);  // room for two units and the zero
    EXPECT_EQ(std::u16string(wide), u"lo");
    EXPECT_EQ(wide[3], 1);
    EXPECT_TRUE(latch.session.faults().empty());
}

TEST(HostSessionTest, RequestsThatBreakTheInterfaceAreFaultsAndChangeNothing) {
    Fixture latch(kTestLatchPath);
    void* gui = latch.gui;
    std::int32_t slot = 1234;
    int stray = 0;
    struct Case {
        void* record;
        GuiHostOpcode opcode;
        std::int32_t index;
        void* pointer;
        const char* fault;
    };
    for (const Case& c : {
             Case{gui, GuiHostOpcode::ReadValue, 2, &slot, "for pin 2, but the module has 2 pins"},
             Case{gui, GuiHostOpcode::WriteValue, -1, nullptr, "for pin -1"},
             Case{gui, GuiHostOpcode::ReadValue, kLevel, nullptr, "with a null slot"},
             Case{gui, GuiHostOpcode::WriteText, kLevel, nullptr, "with a null text"},
             Case{&stray, GuiHostOpcode::WriteValue, kLevel, nullptr,
                  "which is not the record of any instance"},
         }) {
        latch.session.clearFaults();
        EXPECT_EQ(
            HostSession::hostCallback(c.record, toWord(c.opcode), c.index, 5, c.pointer, 0.0f), 0);
        EXPECT_TRUE(anyFaultContains(latch.session, c.fault)) << c.fault;
    }
    EXPECT_EQ(slot, 1234);
    EXPECT_EQ(latch.session.pinWord(latch.gui, kLevel), 0);
    EXPECT_EQ(stray, 0);
}

TEST(HostSessionTest, RecordProblemsNameEachWrongWord) {
    Fixture latch(kTestLatchPath);
    EXPECT_TRUE(guiRecordProblems(*latch.gui, latch.session.hostValue()).empty());
    DspInstanceRecord dsp{};
    dsp.reserved2[3] = 7;
    const std::vector<std::string> problems = dspRecordProblems(dsp, 1);
    const std::vector<std::string> expected = {
        "magic is 0x0, not 0x5345504C", "version is 0x0, not 0x1",
        "hostValue is 0x0, not 0x1",    "object is null",
        "dispatcherEntry is null",      "processEntry is null",
        "eventEntry is null",           "reserved2 word 3 is 0x7, not 0",
    };
    EXPECT_EQ(problems, expected);
}

TEST(HostSessionTest, APluginWithoutAnExportLoadsButIsRefusedForRunning) {
    const auto plugin = loadPlugin(kMissingExportPath);
    EXPECT_NE(plugin->getModuleProperties(), nullptr);
    EXPECT_EQ(plugin->makeModule(), nullptr);
    try {
        requireExports(*plugin);
        FAIL() << "requireExports accepted a plug-in without makeModule";
    } catch (const BadInput& error) {
        EXPECT_NE(std::string(error.what()).find("does not export makeModule"), std::string::npos);
    }
}

}  // namespace
