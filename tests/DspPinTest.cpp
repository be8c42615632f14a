// Pin set-up at open, and the pins' own requests to the host.
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "DspProbeModule.h"
#include "RecordingHost.h"
#include "SEModule_base.h"
#include "SEPin.h"

namespace {

constexpr auto kEnum16 = static_cast<std::int32_t>(PinDatatype::Enum16);
constexpr auto kBool8 = static_cast<std::int32_t>(PinDatatype::Bool8);
constexpr auto kHostWord = static_cast<std::int32_t>(PinDatatype::HostWord32);
constexpr auto kFloat = static_cast<std::int32_t>(PinDatatype::Float32);
constexpr auto kInt = static_cast<std::int32_t>(PinDatatype::Int32);
constexpr PinFlags kGui = PinFlags::GuiSide;
constexpr PinFlags kRepeat = PinFlags::RepeatLast;

// Where a bound pin's value variable is.
enum class Holds { OwnStorage, ModuleVariable, Nothing };

struct ExpectedPin {
    std::int32_t datatype;
    Holds holds = Holds::OwnStorage;
    std::uint32_t storageWord = 0;  // the bytes of storage the datatype uses
};

struct OpenCase {
    const char* what;
    std::vector<PinRow> table;
    std::int32_t reportedPins;
    std::vector<ExpectedPin> pins;  // the bound pins 0 .. n-1, in order
    std::vector<std::int32_t> described;
    std::vector<std::pair<std::int32_t, std::int32_t>> requests = {{14, 0}};  // opcode, index
};

// The bytes of storage a datatype's value uses.
std::size_t usedBytes(std::int32_t datatype) {
    if (datatype == kEnum16) return 2;
    if (datatype == kBool8) return 1;
    return 4;
}

std::int32_t moduleVariable = 0;

TEST(DspPinSetUp, OpenBindsPinsToTheDescriptionsThatWantThem) {
    const auto mine = static_cast<void*>(&moduleVariable);
    const std::vector<OpenCase> cases = {
        {"one float pin", {{kFloat}}, 1, {{kFloat}}, {0, 1, 0}},
        {"a module variable",
         {{kInt, PinFlags::None, mine}},
         1,
         {{kInt, Holds::ModuleVariable}},
         {0, 1, 0}},
        {"a GUI-side description uses no index",
         {{kInt}, {kInt, kGui}, {kFloat}},
         2,
         {{kInt}, {kFloat}},
         {0, 1, 2, 3, 2}},
        {"a GUI-side description that is also DSP gets a pin",
         {{kInt}, {kInt, kGui | PinFlags::AlsoDsp}, {kFloat}},
         3,
         {{kInt}, {kInt}, {kFloat}},
         {0, 1, 2, 3, 2}},
        {"the last description repeats",
         {{kFloat}, {kInt, kRepeat}},
         5,
         {{kFloat}, {kInt}, {kInt}, {kInt}, {kInt}},
         {0, 1, 2, 1}},
        {"fewer pins than descriptions", {{kFloat}, {kInt, kRepeat}}, 1, {{kFloat}}, {0, 1, 0}},
        {"more pins and no repeat", {{kFloat}, {kInt}}, 4, {{kFloat}, {kInt}}, {0, 1, 2, 1}},
        {"a last GUI-side pin that is also DSP repeats",
         {{kFloat}, {kInt, kGui | PinFlags::AlsoDsp | kRepeat}},
         4,
         {{kFloat}, {kInt}, {kInt}, {kInt}},
         {0, 1, 2, 1}},
        {"a last GUI-side-only pin does not repeat",
         {{kFloat}, {kInt, kGui | kRepeat}},
         3,
         {{kFloat}},
         {0, 1, 2, 1}},
        {"repeated pins get their own storage",
         {{kFloat}, {kInt, kRepeat, mine}},
         3,
         {{kFloat}, {kInt, Holds::ModuleVariable}, {kInt}},
         {0, 1, 2, 1}},
        {"no description", {}, 2, {}, {0, -1}},
        {"a host word asks the host once for its initial value",
         {{kInt}, {kHostWord}},
         2,
         {{kInt}, {kHostWord, Holds::OwnStorage, 0x12345678u}},
         {0, 1, 2, 1},
         {{14, 0}, {7, 1}}},
        {"list and boolean values", {{kEnum16}, {kBool8}}, 2, {{kEnum16}, {kBool8}}, {0, 1, 2, 1}},
        {"datatypes without storage",
         {{1}, {2}, {3}, {7}, {9}, {-1}},
         6,
         {{1, Holds::Nothing},
          {2, Holds::Nothing},
          {3, Holds::Nothing},
          {7, Holds::Nothing},
          {9, Holds::Nothing},
          {-1, Holds::Nothing}},
         {0, 1, 2, 3, 4, 5, 6, 5}},
        {"the plug-ins' three GUI-side pins",
         {{kInt, kGui}, {kInt, kGui}, {kInt, kGui}},
         3,
         {},
         {0, 1, 2, 3, 2}},
        {"no pins reported", {{kFloat}, {kInt}}, 0, {}, {0, -1}},
        {"a negative pin count", {{kFloat, kRepeat}}, -3, {}, {0, -1}},
    };
    for (const OpenCase& c : cases) {
        SCOPED_TRACE(c.what);
        RecordingHost host;
        host.setPinCount(c.reportedPins);
        host.setInitialValue(0, 55);
        host.setInitialValue(1, 0x12345678);
        std::vector<std::string> log;
        ProbeModule probe(log, host);
        probe.table = c.table;
        EXPECT_EQ(sendOpcode(probe, 0), 0);

        EXPECT_EQ(probe.described, c.described);
        std::vector<std::pair<std::int32_t, std::int32_t>> requests;
        for (const HostCall& call : host.calls()) requests.emplace_back(call.opcode, call.index);
        EXPECT_EQ(requests, c.requests);
        EXPECT_EQ(probe.pins != nullptr, c.reportedPins > 0);
        ASSERT_EQ(probe.boundPinCount, static_cast<std::int32_t>(c.pins.size()));
        for (std::int32_t i = 0; i < probe.boundPinCount; ++i) {
            const ExpectedPin& want = c.pins[static_cast<std::size_t>(i)];
            const SEPin* pin = probe.pinAt(i);
            EXPECT_EQ(pin->getOwner(), &probe) << i;
            EXPECT_EQ(pin->getIndex(), i);
            EXPECT_EQ(pin->getStatus(), 0) << i;
            EXPECT_EQ(pin->getDatatype(), want.datatype) << i;
            std::uint32_t storageWord = 0;
            switch (want.holds) {
                case Holds::OwnStorage:
                    EXPECT_EQ(pin->getValuePointer(), pin->getStorage()) << i;
                    std::memcpy(&storageWord, pin->getStorage(), usedBytes(want.datatype));
                    EXPECT_EQ(storageWord, want.storageWord) << i;
                    break;
                case Holds::ModuleVariable:
                    EXPECT_EQ(pin->getValuePointer(), mine) << i;
                    std::memcpy(&storageWord, pin->getStorage(), sizeof storageWord);
                    EXPECT_EQ(storageWord, 0u) << i;
                    break;
                case Holds::Nothing:
                    EXPECT_EQ(pin->getValuePointer(), nullptr) << i;
                    break;
            }
        }
    }
}

TEST(DspPinSetUp, AFloatPinsOwnStorageReadsZero) {
    RecordingHost host;
    host.setPinCount(1);
    std::vector<std::string> log;
    ProbeModule probe(log, host);
    probe.table = {{kFloat}};
    sendOpcode(probe, 0);
    ASSERT_EQ(probe.boundPinCount, 1);
    float value = -1.0f;
    std::memcpy(&value, probe.pinAt(0)->getValuePointer(), sizeof value);
    EXPECT_EQ(value, 0.0f);
}

// Two pins after a GUI-side description: pin 0 with its own storage, pin 1
// with a module variable that holds the address of a float array.
class DspPinRequestTest : public ::testing::Test {
protected:
    DspPinRequestTest() {
        host.setPinCount(2);
        probe.table = {{kInt, kGui}, {kInt}, {kInt, PinFlags::None, &bufferAddress}};
        sendOpcode(probe, 0);
        host.clearCalls();
    }

    SEPin& pin() { return *probe.pinAt(1); }

    RecordingHost host;
    std::vector<std::string> log;
    ProbeModule probe{log, host};
    float samples[32] = {};
    float* bufferAddress = &samples[16];
};

TEST_F(DspPinRequestTest, Opcodes0And4CarryThePinsIndexAndTheCallersArguments) {
    host.answer = [](const HostCall& call) { return std::optional<ResultWord>(call.opcode + 30); };
    int pointee = 0;
    EXPECT_EQ(probe.pinAt(0)->sendHostOp0(&pointee, -9), 30);
    EXPECT_EQ(pin().sendHostOp4(nullptr, INT32_MIN), 34);
    ASSERT_EQ(host.calls().size(), 2u);
    const HostCall& first = host.calls()[0];
    const HostCall& second = host.calls()[1];
    EXPECT_EQ(first.record, &probe.record);
    EXPECT_EQ(std::vector<std::int32_t>({first.opcode, first.index, first.value}),
              std::vector<std::int32_t>({0, 0, -9}));
    EXPECT_EQ(first.pointer, &pointee);
    EXPECT_EQ(first.floatBits, 0u);
    EXPECT_EQ(std::vector<std::int32_t>({second.opcode, second.index, second.value}),
              std::vector<std::int32_t>({4, 1, INT32_MIN}));
    EXPECT_EQ(second.pointer, nullptr);
    EXPECT_EQ(second.floatBits, 0u);
}

TEST_F(DspPinRequestTest, QueryHostOp1IsTrueForEveryNonZeroAnswer) {
    const std::vector<std::pair<ResultWord, bool>> answers = {
        {1, true}, {-1, true}, {INT32_MIN, true}, {2, true}, {0, false}};
    for (const auto& [answer, expected] : answers) {
        host.clearCalls();
        host.answer = [answer = answer](const HostCall&) {
            return std::optional<ResultWord>(answer);
        };
        EXPECT_EQ(pin().queryHostOp1(), expected) << answer;
        ASSERT_EQ(host.calls().size(), 1u);
        EXPECT_EQ(host.calls()[0].opcode, 1);
        EXPECT_EQ(host.calls()[0].index, 1);
        EXPECT_EQ(host.calls()[0].pointer, nullptr);
    }
}

struct BufferCase {
    std::int32_t start;  // host opcode 8's answer
    std::int32_t now;    // host opcode 3's answer
    std::int32_t element;
};

TEST_F(DspPinRequestTest, ReadBufferFloatReadsElementNowMinusStartWithWrapAround) {
    for (std::size_t i = 0; i < 32; ++i) samples[i] = static_cast<float>(i) + 0.5f;
    const std::vector<BufferCase> cases = {
        {4, 10, 6},   // the address plus 24 bytes
        {10, 4, -6},  // before the address
        {-3, -3, 0},
        {INT32_MAX, INT32_MIN, 1},  // the difference wraps instead of overflowing
        {INT32_MIN, INT32_MAX, -1},
        {INT32_MIN + 5, INT32_MAX, -6},  // wraps round to a negative element
    };
    ASSERT_EQ(pin().getValuePointer(), &bufferAddress);
    for (const BufferCase& c : cases) {
        host.clearCalls();
        host.setBufferPosition(1, c.start);
        host.setPosition(c.now);
        const float expected = samples[16 + c.element];
        EXPECT_EQ(pin().readBufferFloat(), expected) << c.start << " " << c.now;
        std::vector<std::pair<std::int32_t, std::int32_t>> requests;
        for (const HostCall& call : host.calls()) requests.emplace_back(call.opcode, call.index);
        EXPECT_EQ(requests, (std::vector<std::pair<std::int32_t, std::int32_t>>{{8, 1}, {3, 0}}));
    }
}

TEST_F(DspPinRequestTest, ReadBufferFloatWithoutValueVariableAnswersZero) {
    SEPin empty;
    empty.init(&probe, 7, 3, nullptr);
    ASSERT_EQ(empty.getValuePointer(), nullptr);
    host.setBufferPosition(7, 2);
    host.setPosition(9);
    EXPECT_EQ(empty.readBufferFloat(), 0.0f);
    EXPECT_EQ(host.opcodes(), (std::vector<std::int32_t>{8, 3})) << "the host is still asked";
}

#if defined(__i386__)
TEST_F(DspPinRequestTest, ReadBufferFloatThroughThePinsOwn32BitWord) {
    samples[19] = 42.25f;
    // The host's initial word for a host-word pin is the array's address.
    host.setInitialValue(5,
                         static_cast<std::int32_t>(reinterpret_cast<std::uintptr_t>(&samples[16])));
    SEPin hostWord;
    hostWord.init(&probe, 5, kHostWord, nullptr);
    host.setBufferPosition(5, 100);
    host.setPosition(103);
    EXPECT_EQ(hostWord.readBufferFloat(), 42.25f);
}
#endif

TEST_F(DspPinRequestTest, InitWithAModuleVariableClearsAllFourBytesOfStorage) {
    SEPin reused;
    reused.init(&probe, 0, kInt, nullptr);
    reused.init(&probe, 3, kHostWord, &moduleVariable);
    std::uint32_t storageWord = 1;
    std::memcpy(&storageWord, reused.getStorage(), sizeof storageWord);
    EXPECT_EQ(storageWord, 0u);
    EXPECT_EQ(reused.getValuePointer(), &moduleVariable);
    EXPECT_EQ(reused.getIndex(), 3);
    EXPECT_TRUE(host.calls().empty()) << "a host word with a module variable asks nothing";
}

}  // namespace
