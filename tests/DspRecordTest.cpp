// The DSP instance record as the host sees it after construction, and the
// requests the module base sends to the host.
#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <new>
#include <vector>

#include "DspProbeModule.h"
#include "MemberRoutine.h"
#include "RecordingHost.h"
#include "SEModule_base.h"

namespace {

TEST(DspRecord, FieldsAfterConstruction) {
    RecordingHost host;
    SEModule_base module(RecordingHost::callback(), 0x12345678u);
    EXPECT_EQ(module.record.magic, 0x5345504Cu);
    EXPECT_EQ(module.record.version, 1u);
    EXPECT_EQ(module.record.hostValue, 0x12345678u);
    EXPECT_EQ(module.record.object, &module);
    EXPECT_EQ(module.record.reserved1, 0u);
    EXPECT_EQ(module.record.dispatcherEntry, &dspDispatchEntry);
    EXPECT_EQ(module.record.processEntry, &defaultProcess);
    EXPECT_EQ(module.record.eventEntry, &dspEventEntry);
    for (std::uint32_t word : module.record.reserved2) EXPECT_EQ(word, 0u);

    EXPECT_EQ(module.getSampleRate(), 44100.0f);
    EXPECT_EQ(module.getBlockSize(), 1024);
    EXPECT_EQ(module.pins, nullptr);
    const RoutineRef routine = module.getProcessRoutine();
    EXPECT_EQ(routine.code, &defaultProcess);
    EXPECT_EQ(routine.adjustment, 0);
    EXPECT_EQ(routine.further[0], 0u);
    EXPECT_EQ(routine.further[1], 0u);
    EXPECT_TRUE(host.calls().empty()) << "construction sends nothing";
}

#if defined(__i386__)
std::uint32_t addressWord(const void* address) {
    return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(address));
}
template <class Function>
std::uint32_t codeWord(Function* function) {
    return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(function));
}

TEST(DspRecord, ExactBytesOnThe32BitBuild) {
    // Built over memory full of junk: every byte the host sees is written.
    alignas(SEModule_base) unsigned char memory[sizeof(SEModule_base)];
    std::memset(memory, 0xEE, sizeof memory);
    auto* module = new (memory) SEModule_base(nullptr, 0xCAFEF00Du);

    const auto* bytes = reinterpret_cast<const std::uint8_t*>(&module->record);
    EXPECT_EQ(std::vector<std::uint8_t>(bytes, bytes + 4),
              (std::vector<std::uint8_t>{0x4C, 0x50, 0x45, 0x53}));
    std::array<std::uint32_t, 12> words{};
    static_assert(sizeof words == sizeof module->record);
    std::memcpy(words.data(), &module->record, sizeof words);
    const std::array<std::uint32_t, 12> expected = {0x5345504C,
                                                    1,
                                                    0xCAFEF00D,
                                                    addressWord(module),
                                                    0,
                                                    codeWord(&dspDispatchEntry),
                                                    codeWord(&defaultProcess),
                                                    codeWord(&dspEventEntry),
                                                    0,
                                                    0,
                                                    0,
                                                    0};
    EXPECT_EQ(words, expected);
    module->~SEModule_base();
}
#endif

TEST(DspRecord, CallHostPassesTheRecordAndAnswersTheHostsResult) {
    RecordingHost host;
    SEModule_base module(RecordingHost::callback(), host.hostValue());
    host.answer = [](const HostCall&) { return std::optional<ResultWord>(-7); };
    int pointee = 0;
    EXPECT_EQ(module.callHost(42, -3, 9, &pointee, 2.5f), -7);
    ASSERT_EQ(host.calls().size(), 1u);
    const HostCall& call = host.calls()[0];
    EXPECT_EQ(call.record, &module.record);
    EXPECT_EQ(call.opcode, 42);
    EXPECT_EQ(call.index, -3);
    EXPECT_EQ(call.value, 9);
    EXPECT_EQ(call.pointer, &pointee);
    EXPECT_EQ(call.floatBits, 0x40200000u);
}

TEST(DspRecord, QueryHostOp3AndSendEvent) {
    RecordingHost host;
    SEModule_base module(RecordingHost::callback(), host.hostValue());
    host.setPosition(-12);
    EXPECT_EQ(module.queryHostOp3(), -12);

    host.answer = [](const HostCall& call) {
        return call.opcode == 19 ? std::optional<ResultWord>(5) : std::nullopt;
    };
    EXPECT_EQ(module.sendEvent(0xFFFFFFFFu, 7, 0x80000000u, 0x12345678u, 3), 5);

    ASSERT_EQ(host.calls().size(), 2u);
    const HostCall& query = host.calls()[0];
    const HostCall& event = host.calls()[1];
    EXPECT_EQ(std::vector<std::intptr_t>({query.opcode, query.index, query.value}),
              std::vector<std::intptr_t>({3, 0, 0}));
    EXPECT_EQ(query.pointer, nullptr);
    EXPECT_EQ(query.floatBits, 0u);
    EXPECT_EQ(std::vector<std::intptr_t>({event.opcode, event.index, event.value}),
              std::vector<std::intptr_t>({19, 0, 0}));
    EXPECT_NE(event.pointer, nullptr);
    EXPECT_EQ(event.floatBits, 0u);

    ASSERT_EQ(host.events().size(), 1u);
    EXPECT_EQ(wordsOf(host.events()[0]),
              (std::array<std::uint32_t, 6>{0xFFFFFFFFu, 7, 0x80000000u, 0x12345678u, 3, 0}));
}

TEST(DspRecord, WithoutCallbackEveryRequestAnswersZero) {
    std::vector<std::string> log;
    ProbeModule module(log);
    module.table = {{static_cast<std::int32_t>(PinDatatype::Int32)}};
    EXPECT_EQ(module.callHost(14, 0, 0, nullptr, 0.0f), 0);
    EXPECT_EQ(module.queryHostOp3(), 0);
    EXPECT_EQ(module.sendEvent(1, 2, 3, 4, 5), 0);
    EXPECT_EQ(module.scheduleRoutine(1, memberRoutine<&ProbeModule::tick>()), 0);

    module.setProcessRoutine(memberRoutine<&ProbeModule::tick>());
    EXPECT_EQ(module.record.processEntry, memberRoutine<&ProbeModule::tick>().code);

    // Open hears a pin count of 0: no array, and describePin is asked for
    // index 0 and for the index before it.
    EXPECT_EQ(sendOpcode(module, 0), 0);
    EXPECT_EQ(module.pins, nullptr);
    EXPECT_EQ(module.described, (std::vector<std::int32_t>{0, -1}));

    // A pin bound by hand: its requests answer 0 too.
    float samples[2] = {1.5f, 2.5f};
    float* address = samples;
    SEPin hostWord;
    hostWord.init(&module, 0, static_cast<std::int32_t>(PinDatatype::HostWord32), nullptr);
    std::uint32_t initial = 1;
    std::memcpy(&initial, hostWord.getStorage(), sizeof initial);
    EXPECT_EQ(initial, 0u);
    SEPin buffer;
    buffer.init(&module, 1, static_cast<std::int32_t>(PinDatatype::Int32), &address);
    EXPECT_EQ(buffer.sendHostOp0(nullptr, 4), 0);
    EXPECT_EQ(buffer.sendHostOp4(nullptr, 4), 0);
    EXPECT_FALSE(buffer.queryHostOp1());
    EXPECT_EQ(buffer.readBufferFloat(), 1.5f) << "element 0 - 0";
}

}  // namespace
