// The GUI dispatcher: which virtual operation each opcode reaches, with what.
#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <string>
#include <vector>

#include "SEGUI_base.h"

namespace {

// A GUI module that writes every operation it receives into a log, which
// outlives it so that close can be observed.
struct ProbeGui : SEGUI_base {
    explicit ProbeGui(std::vector<std::string>& sink) : SEGUI_base(nullptr, 0), log(sink) {}
    ~ProbeGui() override { log.push_back("destroyed"); }

    void onGuiOpcode0(bool flag) override { note("op0 " + std::to_string(flag)); }
    void onClose() override { note("close"); }
    void onGuiOpcode2(std::int32_t index, void* pointer) override {
        note("op2 " + std::to_string(index) + " " + where(pointer));
    }
    void onGuiOpcode3(void* pointer, std::uint32_t bits, IntPair pair) override {
        note("op3 " + triple(pointer, bits, pair));
    }
    void onGuiOpcode4(void* pointer, std::uint32_t bits, IntPair pair) override {
        note("op4 " + triple(pointer, bits, pair));
    }
    void onGuiOpcode5(void* pointer, std::uint32_t bits, IntPair pair) override {
        note("op5 " + triple(pointer, bits, pair));
    }
    void onGuiOpcode8(void* pointer) override { note("op8 " + where(pointer)); }
    void onGuiOpcode9(void* pointer) override { note("op9 " + where(pointer)); }
    bool onGuiOpcode10() override {
        note("op10");
        return answer10;
    }
    void onGuiOpcode11(std::int32_t index) override { note("op11 " + std::to_string(index)); }
    void onGuiOpcode12(std::int32_t index) override { note("op12 " + std::to_string(index)); }
    void onGuiOpcode6(std::int32_t value, std::int32_t index, void* pointer) override {
        note("op6 " + std::to_string(value) + " " + std::to_string(index) + " " + where(pointer));
    }
    void onGuiPinChanged(GuiPin& pin) override {
        note("pin " + std::to_string(pin.index()) + (pin.owner() == this ? " own" : " other"));
        EXPECT_NE(&pin, &pinAt(0)) << "the notice's pin is not the shared accessor";
    }

    void note(const std::string& entry) { log.push_back(entry); }
    static std::string where(void* pointer) { return pointer ? "P" : "null"; }
    static std::string triple(void* pointer, std::uint32_t bits, IntPair pair) {
        return where(pointer) + " " + std::to_string(bits) + " " + std::to_string(pair.first) +
               " " + std::to_string(pair.second);
    }

    std::vector<std::string>& log;
    bool answer10 = false;
};

struct DispatchCase {
    std::int32_t opcode;
    std::int32_t index;
    std::int32_t value;
    float floatValue;
    ResultWord result;
    std::vector<std::string> log;
};

const std::uint32_t kOneBits = std::bit_cast<std::uint32_t>(1.0f);

TEST(GuiDispatcher, EachOpcodeReachesItsOperation) {
    const std::vector<DispatchCase> cases = {
        {0, 1, 0, 0.0f, 0, {"op0 1"}},
        {0, 0, 0, 0.0f, 0, {"op0 0"}},
        {0, 2, 0, 0.0f, 0, {"op0 0"}},
        {0, -1, 0, 0.0f, 0, {"op0 0"}},
        {2, 7, 3, 0.0f, 0, {"op2 7 P"}},
        {3, 5, -6, 1.0f, 0, {"op3 P " + std::to_string(kOneBits) + " 5 -6"}},
        {4, 5, -6, 1.0f, 0, {"op4 P " + std::to_string(kOneBits) + " 5 -6"}},
        {5, -1, 9, -0.0f, 0, {"op5 P 2147483648 -1 9"}},
        {6, 4, 11, 0.0f, 0, {"op6 11 4 P"}},
        {7, 2, 0, 0.0f, 0, {"pin 2 own"}},
        {7, 99, 0, 0.0f, 0, {"pin 99 own"}},
        {7, -1, 0, 0.0f, 0, {"pin -1 own"}},
        {8, 0, 0, 0.0f, 0, {"op8 P"}},
        {9, 0, 0, 0.0f, 0, {"op9 P"}},
        {10, 0, 0, 0.0f, 0, {"op10"}},
        {11, 3, 0, 0.0f, 0, {"op11 3"}},
        {12, -4, 0, 0.0f, 0, {"op12 -4"}},
        {13, 0, 0, 0.0f, 0, {}},
        {255, 0, 0, 0.0f, 0, {}},
        {-1, 0, 0, 0.0f, 0, {}},
        {INT32_MIN, 0, 0, 0.0f, 0, {}},
    };
    int pointee = 0;
    for (const DispatchCase& c : cases) {
        std::vector<std::string> log;
        ProbeGui probe(log);
        GuiInstanceRecord* record = &probe.record;
        EXPECT_EQ(
            record->dispatcherEntry(record, c.opcode, c.index, c.value, &pointee, c.floatValue),
            c.result)
            << "opcode " << c.opcode;
        EXPECT_EQ(log, c.log) << "opcode " << c.opcode << " index " << c.index;
    }
}

TEST(GuiDispatcher, Opcode10AnswersTheModulesBoolean) {
    std::vector<std::string> log;
    ProbeGui probe(log);
    EXPECT_EQ(probe.dispatch(10, 0, 0, nullptr, 0.0f), 0);
    probe.answer10 = true;
    EXPECT_EQ(probe.dispatch(10, 0, 0, nullptr, 0.0f), 1);

    SEGUI_base plain(nullptr, 0);
    EXPECT_EQ(plain.dispatch(10, 0, 0, nullptr, 0.0f), 0) << "the default answers false";
}

TEST(GuiDispatcher, CloseCallsOnCloseOnceThenDeletesAndAnswersOne) {
    std::vector<std::string> log;
    auto* probe = new ProbeGui(log);
    GuiInstanceRecord* record = &probe->record;
    EXPECT_EQ(record->dispatcherEntry(record, 1, 0, 0, nullptr, 0.0f), 1);
    EXPECT_EQ(log, (std::vector<std::string>{"close", "destroyed"}));
}

TEST(GuiDispatcher, DefaultsDoNothingAndAnswerZero) {
    SEGUI_base plain(nullptr, 0);
    int pointee = 0;
    for (std::int32_t opcode : {0, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13}) {
        EXPECT_EQ(plain.dispatch(opcode, 1, 1, &pointee, 1.0f), 0) << opcode;
    }
}

}  // namespace
