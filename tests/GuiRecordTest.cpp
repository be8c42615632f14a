// The GUI instance record as the host sees it right after construction.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "RecordingHost.h"
#include "SEGUI_base.h"

namespace {

#if defined(__i386__)
std::vector<std::uint8_t> bytesOf(const void* address, std::size_t count) {
    const auto* first = static_cast<const std::uint8_t*>(address);
    return std::vector<std::uint8_t>(first, first + count);
}

void appendWord(std::vector<std::uint8_t>& bytes, std::uintptr_t word, std::size_t width) {
    for (std::size_t i = 0; i < width; ++i)
        bytes.push_back(static_cast<std::uint8_t>(word >> (8 * i)));
}

#endif

TEST(GuiRecord, FieldsAfterConstruction) {
    RecordingHost host;
    SEGUI_base gui(RecordingHost::callback(), 0x12345678u);
    EXPECT_EQ(gui.record.magic, 0x5345504Du);
    EXPECT_EQ(gui.record.version, 1u);
    EXPECT_EQ(gui.record.dispatcherEntry, &guiDispatchEntry);
    EXPECT_EQ(gui.record.hostValue, 0x12345678u);
    EXPECT_EQ(gui.record.object, &gui);
    for (std::uint32_t word : gui.record.reserved) EXPECT_EQ(word, 0u);
    EXPECT_TRUE(host.calls().empty()) << "construction sends nothing";
}

#if defined(__i386__)
TEST(GuiRecord, ExactBytesOnThe32BitBuild) {
    SEGUI_base gui(nullptr, 0xCAFEF00Du);
    std::vector<std::uint8_t> expected = {0x4D, 0x50, 0x45, 0x53, 0x01, 0x00, 0x00, 0x00};
    appendWord(expected, reinterpret_cast<std::uintptr_t>(&guiDispatchEntry), 4);
    appendWord(expected, 0xCAFEF00Du, 4);
    appendWord(expected, reinterpret_cast<std::uintptr_t>(&gui), 4);
    expected.resize(40, 0);
    EXPECT_EQ(bytesOf(&gui.record, sizeof gui.record), expected);
}
#endif

TEST(GuiRecord, ObjectWordLeadsBackToTheInstanceThroughTheEntry) {
    struct Answering : SEGUI_base {
        using SEGUI_base::SEGUI_base;
        bool onGuiOpcode10() override { return true; }
    };
    Answering gui(nullptr, 0);
    GuiInstanceRecord* record = &gui.record;
    EXPECT_EQ(record->dispatcherEntry(record, 10, 0, 0, nullptr, 0.0f), 1);
}

TEST(GuiRecord, CallHostPassesTheRecordNeverTheObjectAndWithoutCallbackSendsNothing) {
    RecordingHost host;
    SEGUI_base gui(RecordingHost::callback(), host.hostValue());
    host.answer = [](const HostCall&) { return std::optional<ResultWord>(-7); };
    int pointee = 0;
    EXPECT_EQ(gui.callHost(42, -3, 9, &pointee, 2.5f), -7);
    ASSERT_EQ(host.calls().size(), 1u);
    const HostCall& call = host.calls()[0];
    EXPECT_EQ(call.record, &gui.record);
    EXPECT_EQ(call.opcode, 42);
    EXPECT_EQ(call.index, -3);
    EXPECT_EQ(call.value, 9);
    EXPECT_EQ(call.pointer, &pointee);
    EXPECT_EQ(call.floatBits, 0x40200000u);

    SEGUI_base silent(nullptr, host.hostValue());
    EXPECT_EQ(silent.callHost(14, 0, 0, nullptr, 0.0f), 0);
}

TEST(GuiRecord, FurtherHostRequests) {
    RecordingHost host;
    SEGUI_base gui(RecordingHost::callback(), host.hostValue());
    host.answer = [](const HostCall& call) -> std::optional<ResultWord> {
        return call.opcode == 20 ? -1 : 5;
    };
    int pointee = 0;
    gui.sendHostOp8(3, 4, &pointee);
    EXPECT_EQ(gui.sendHostOp18(&pointee), 5);
    EXPECT_EQ(gui.sendHostOp19(&pointee), 5);
    EXPECT_TRUE(gui.queryHostOp20(&pointee));
    host.answer = [](const HostCall&) { return std::optional<ResultWord>(0); };
    EXPECT_FALSE(gui.queryHostOp20(nullptr));

    const std::vector<std::vector<std::intptr_t>> expected = {
        {8, 3, 4, 1}, {18, 0, 0, 1}, {19, 0, 0, 1}, {20, 0, 0, 1}, {20, 0, 0, 0}};
    ASSERT_EQ(host.calls().size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const HostCall& call = host.calls()[i];
        EXPECT_EQ(call.opcode, expected[i][0]) << i;
        EXPECT_EQ(call.index, expected[i][1]) << i;
        EXPECT_EQ(call.value, expected[i][2]) << i;
        EXPECT_EQ(call.pointer, expected[i][3] ? &pointee : nullptr) << i;
        EXPECT_EQ(call.floatBits, 0u) << i;
    }
}

}  // namespace
