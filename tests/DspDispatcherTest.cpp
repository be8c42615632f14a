// The DSP dispatcher: which virtual operation each opcode reaches, with what.
#include <gtest/gtest.h>

#include <bit>
#include <climits>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "DspProbeModule.h"
#include "SEModule_base.h"

namespace {

struct DispatchCase {
    std::int32_t opcode;
    std::int32_t index;
    std::int32_t value;
    float floatValue;
    std::vector<std::string> log;
    float sampleRate = 44100.0f;  // afterwards
    std::int32_t blockSize = 1024;
};

TEST(DspDispatcher, EachOpcodeReachesItsOperationAndStoresOnlyItsOwnArgument) {
    const std::vector<DispatchCase> cases = {
        {0, 3, 4, 1.0f, {"open"}},
        {2, 3, 77, 48000.0f, {"rate 48000.000000"}, 48000.0f},
        {2, 0, 0, -1.0f, {"rate -1.000000"}, -1.0f},
        {3, 3, -5, 2.5f, {"block -5"}, 44100.0f, -5},
        {3, 0, INT32_MIN, 0.0f, {"block -2147483648"}, 44100.0f, INT32_MIN},
        {4, 1, 1, 1.0f, {}},
        {5, 1, 1, 1.0f, {}},
        {7, 1, 1, 1.0f, {}},
        {8, 0, 9, 1.0f, {"notify"}},
        {8, -5, 9, 1.0f, {"notify"}},
        {8, INT32_MIN, 9, 1.0f, {"notify"}},
        {8, 3, 9, 1.0f, {"notify", "notifyValue 3"}},
        {9, 1, 1, 1.0f, {}},
        {10, 1, 1, 1.0f, {}},
        {11, 1, 1, 1.0f, {}},
        {12, 4, 9, 1.0f, {"command 9 4 P"}},
        {14, 1, 1, 1.0f, {}},
        {255, 1, 1, 1.0f, {}},
        {-1, 1, 1, 1.0f, {}},
        {INT32_MIN, 1, 1, 1.0f, {}},
    };
    int pointee = 0;
    for (const DispatchCase& c : cases) {
        std::vector<std::string> log;
        ProbeModule probe(log);
        EXPECT_EQ(sendOpcode(probe, c.opcode, c.index, c.value, &pointee, c.floatValue), 0)
            << "opcode " << c.opcode;
        EXPECT_EQ(log, c.log) << "opcode " << c.opcode << " index " << c.index;
        EXPECT_EQ(probe.getSampleRate(), c.sampleRate) << "opcode " << c.opcode;
        EXPECT_EQ(probe.getBlockSize(), c.blockSize) << "opcode " << c.opcode;
        if (c.opcode != 0) {
            EXPECT_TRUE(probe.described.empty()) << "opcode " << c.opcode;
        }
    }
}

TEST(DspDispatcher, SampleRateIsStoredAsGiven) {
    std::vector<std::string> log;
    SEModule_base plain(nullptr, 0);
    const float rates[] = {std::numeric_limits<float>::quiet_NaN(),
                           std::numeric_limits<float>::infinity(), -0.0f, 1e-45f};
    for (float rate : rates) {
        EXPECT_EQ(sendOpcode(plain, 2, 0, 0, nullptr, rate), 0);
        EXPECT_EQ(std::bit_cast<std::uint32_t>(plain.getSampleRate()),
                  std::bit_cast<std::uint32_t>(rate));
    }
}

class DescribePinTest : public ::testing::Test {
protected:
    DescribePinTest() {
        probe.table = {{static_cast<std::int32_t>(PinDatatype::Float32),
                        PinFlags::GuiSide | PinFlags::RepeatLast, &variable}};
        std::memset(&hostRecord, 0xA5, sizeof hostRecord);
    }

    std::vector<std::string> log;
    ProbeModule probe{log};
    int variable = 0;
    PinDescription hostRecord;
};

TEST_F(DescribePinTest, WritesStraightIntoTheHostsRecord) {
    EXPECT_EQ(sendOpcode(probe, 6, 0, 0, &hostRecord), 1);
    EXPECT_EQ(hostRecord.valuePointer, &variable);
    EXPECT_EQ(hostRecord.direction, 0);
    EXPECT_EQ(hostRecord.datatype, 6);
    EXPECT_STREQ(hostRecord.name, "Probe");
    EXPECT_EQ(hostRecord.flags, 0x408u);
    // Not cleared first: what the module leaves alone keeps the host's bytes.
    EXPECT_EQ(hostRecord.reserved1, 0xA5A5A5A5u);
    EXPECT_EQ(hostRecord.reserved2, 0xA5A5A5A5u);
    std::uintptr_t listText = 0;
    std::memcpy(&listText, &hostRecord.listText, sizeof listText);
    EXPECT_EQ(listText, static_cast<std::uintptr_t>(0xA5A5A5A5A5A5A5A5ull));
    EXPECT_EQ(probe.described, (std::vector<std::int32_t>{0}));
    EXPECT_TRUE(log.empty());
}

TEST_F(DescribePinTest, NoSuchPinAnswersZeroAndLeavesTheRecordAsItWas) {
    PinDescription before;
    std::memcpy(&before, &hostRecord, sizeof before);
    for (std::int32_t index : {1, 5, -1, INT32_MIN}) {
        EXPECT_EQ(sendOpcode(probe, 6, index, 0, &hostRecord), 0) << index;
        EXPECT_EQ(std::memcmp(&before, &hostRecord, sizeof before), 0) << index;
    }
    // A host that hands no record is answered "no such pin", unasked.
    probe.described.clear();
    EXPECT_EQ(sendOpcode(probe, 6, 0, 0, nullptr), 0);
    EXPECT_TRUE(probe.described.empty());
}

TEST(DspDispatcher, RoutineInfoIsOneRecordDescribingTheInstanceAskedLast) {
    std::vector<std::string> log;
    ProbeModule first(log);
    ProbeModule second(log);
    const ResultWord fromFirst = sendOpcode(first, 13, 5, 6);
    const ResultWord fromSecond = sendOpcode(second, 13);
    ASSERT_NE(fromFirst, 0);
    EXPECT_EQ(fromFirst, fromSecond);
    const auto* info = reinterpret_cast<const RoutineRefInfo*>(fromSecond);
    EXPECT_EQ(info->one, 1u);
    EXPECT_EQ(info->refSize, sizeof(RoutineRef));
    EXPECT_EQ(info->routine, &second.processRoutine);
    EXPECT_EQ(info->zero, 0u);

    EXPECT_EQ(sendOpcode(first, 13), fromFirst);
    EXPECT_EQ(info->routine, &first.processRoutine);
    EXPECT_TRUE(log.empty()) << "no virtual operation";
}

TEST(DspDispatcher, CloseCallsOnCloseOnceThenDeletesAndAnswersOne) {
    RecordingHost host;
    host.setPinCount(2);
    std::vector<std::string> log;
    auto* probe = new ProbeModule(log, host);
    probe->table = {{static_cast<std::int32_t>(PinDatatype::Int32)}};
    sendOpcode(*probe, 0);
    log.clear();
    EXPECT_EQ(sendOpcode(*probe, 1), 1);
    EXPECT_EQ(log, (std::vector<std::string>{"close", "destroyed"}));
}

TEST(DspDispatcher, DefaultsDoNothingAndAnswerZero) {
    RecordingHost host;
    host.setPinCount(3);
    SEModule_base plain(RecordingHost::callback(), host.hostValue());
    int pointee = 0;
    for (std::int32_t opcode : {0, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}) {
        EXPECT_EQ(plain.dispatch(opcode, 1, 1, &pointee, 1.0f), 0) << opcode;
    }
    EXPECT_EQ(plain.boundPinCount, 0) << "the base describes no pin";
    EXPECT_EQ(host.opcodes(), (std::vector<std::int32_t>{14})) << "only open asks the host";
}

}  // namespace
