// The GUI pin accessor: the host requests behind each operation, the shared
// accessor, and the text reads' handling of what the host answers.
#include <gtest/gtest.h>

#include <bit>
#include <new>
#include <string>

#include "RecordingHost.h"
#include "SEGUI_base.h"

namespace {

class GuiPinTest : public ::testing::Test {
protected:
    RecordingHost host;
    SEGUI_base gui{RecordingHost::callback(), host.hostValue()};

    const HostCall& onlyCall() {
        EXPECT_EQ(host.calls().size(), 1u);
        return host.calls().front();
    }
};

struct ExpectedRequest {
    std::int32_t opcode;
    std::int32_t value;
    bool hasPointer;
    float floatValue;
};

void expectRequest(const HostCall& call, void* record, std::int32_t index,
                   const ExpectedRequest& want) {
    EXPECT_EQ(call.record, record);
    EXPECT_EQ(call.opcode, want.opcode);
    EXPECT_EQ(call.index, index);
    EXPECT_EQ(call.value, want.value);
    EXPECT_EQ(call.pointer != nullptr, want.hasPointer);
    EXPECT_EQ(call.floatBits, std::bit_cast<std::uint32_t>(want.floatValue));
}

TEST_F(GuiPinTest, EachOperationSendsItsRequest) {
    host.setPin(3, 77);
    host.setText(3, "abc");
    EXPECT_EQ(gui.pinAt(3).readInt(), 77);
    expectRequest(onlyCall(), &gui.record, 3, {14, 0, true, 0.0f});

    host.clearCalls();
    host.setPinFloat(3, -2.5f);
    EXPECT_EQ(gui.pinAt(3).readFloat(), -2.5f);
    expectRequest(onlyCall(), &gui.record, 3, {14, 0, true, 0.0f});

    host.clearCalls();
    gui.pinAt(3).writeInt(1);
    expectRequest(onlyCall(), &gui.record, 3, {15, 1, false, 0.0f});

    host.clearCalls();
    gui.pinAt(3).writeFloat(1.0f);
    expectRequest(onlyCall(), &gui.record, 3, {15, 0, false, 1.0f});

    host.clearCalls();
    EXPECT_EQ(gui.pinAt(3).readText(), "abc");
    expectRequest(onlyCall(), &gui.record, 3, {7, 0, false, 0.0f});

    host.clearCalls();
    gui.pinAt(3).writeText("hello");
    expectRequest(onlyCall(), &gui.record, 3, {6, 0, true, 0.0f});
    EXPECT_EQ(host.text(3), "hello");
}

TEST_F(GuiPinTest, ReadsYieldZeroWhenTheHostWritesNothing) {
    host.setSilentReads(true);
    EXPECT_EQ(gui.pinAt(0).readInt(), 0);
    EXPECT_EQ(std::bit_cast<std::uint32_t>(gui.pinAt(0).readFloat()), 0u);
}

TEST_F(GuiPinTest, PinAtRebindsTheOneSharedAccessorAcrossInstances) {
    RecordingHost otherHost;
    SEGUI_base other(RecordingHost::callback(), otherHost.hostValue());
    otherHost.setPin(2, 42);
    GuiPin& first = gui.pinAt(0);
    GuiPin& second = other.pinAt(2);
    EXPECT_EQ(&first, &second);
    EXPECT_EQ(first.index(), 2);
    EXPECT_EQ(first.owner(), &other);
    EXPECT_EQ(first.readInt(), 42) << "the first reference now reads pin 2 of the other instance";
    EXPECT_TRUE(host.calls().empty());
}

TEST_F(GuiPinTest, BindAndCopy) {
    GuiPin pin;
    EXPECT_EQ(pin.index(), 0);
    EXPECT_EQ(pin.owner(), nullptr);
    pin.bind(-5, &gui);
    const GuiPin copy = pin;
    EXPECT_EQ(copy.index(), -5);
    EXPECT_EQ(copy.owner(), &gui);
}

TEST_F(GuiPinTest, ReadTextCopiesAndANullAnswerGivesEmptyText) {
    host.setText(1, "Mode");
    const std::string read = gui.pinAt(1).readText();
    host.setText(1, "Changed");
    EXPECT_EQ(read, "Mode");

    host.setText(1, std::nullopt);
    EXPECT_EQ(gui.pinAt(1).readText(), "");
}

struct WideCase {
    const char* what;
    std::int32_t reportedLength;
    WideString hostUnits;
    WideString expected;
    std::size_t requests;
};

TEST_F(GuiPinTest, ReadWideTextCopiesUpToTheTerminatorWithinTheBuffer) {
    const WideCase cases[] = {
        {"n = 6 for Mode, junk after the zero", 6, WideString(u"Mode\0X", 6), u"Mode", 2},
        {"exact length", 5, WideString(u"Mode\0", 5), u"Mode", 2},
        {"no terminator written: at most n units", 3, u"Modesty", u"Mod", 2},
        {"host writes nothing", 4, u"", u"", 2},
        {"n = 0: no room for a terminator", 0, u"Mode", u"", 1},
        {"n = 1: only the terminator", 1, WideString(u"\0", 1), u"", 2},
    };
    for (const WideCase& c : cases) {
        host.clearCalls();
        host.setWideText(4, c.reportedLength, c.hostUnits);
        EXPECT_EQ(gui.pinAt(4).readWideText(), c.expected) << c.what;
        ASSERT_EQ(host.calls().size(), c.requests) << c.what;
        expectRequest(host.calls()[0], &gui.record, 4, {17, 0, false, 0.0f});
        if (c.requests == 2) {
            const HostCall& second = host.calls()[1];
            EXPECT_EQ(second.opcode, 17);
            EXPECT_EQ(second.index, 4);
            EXPECT_EQ(second.value, c.reportedLength) << c.what;
            EXPECT_NE(second.pointer, nullptr);
        }
    }
}

TEST_F(GuiPinTest, ReadWideTextWithNegativeLengthFailsBeforeTheSecondRequest) {
    for (std::int32_t length : {-1, -2, INT32_MIN}) {
        host.clearCalls();
        host.setWideText(0, length, u"Mode");
        EXPECT_THROW(gui.pinAt(0).readWideText(), std::bad_alloc) << length;
        EXPECT_EQ(host.calls().size(), 1u) << length;
    }
}

TEST_F(GuiPinTest, ReadWideTextKeepsItsPinWhenTheHostRebindsTheAccessorInBetween) {
    RecordingHost otherHost;
    SEGUI_base other(RecordingHost::callback(), otherHost.hostValue());
    host.setWideText(4, 3, WideString(u"ab\0", 3));
    host.answer = [&](const HostCall& call) -> std::optional<ResultWord> {
        if (call.opcode == 17 && call.pointer == nullptr) other.pinAt(9);  // a nested rebind
        return std::nullopt;
    };
    EXPECT_EQ(gui.pinAt(4).readWideText(), u"ab");
    ASSERT_EQ(host.calls().size(), 2u);
    EXPECT_EQ(host.calls()[1].index, 4);
    EXPECT_EQ(host.calls()[1].record, &gui.record);
}

}  // namespace
