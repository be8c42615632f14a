// The life of an instance's pin array: allocated at open, replaced by a
// later open, released with the instance. Array allocations are watched
// through the global array operators, which this test program replaces.
#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <new>
#include <string>
#include <vector>

#include "DspProbeModule.h"
#include "RecordingHost.h"
#include "SEModule_base.h"

namespace {

struct ArrayEvent {
    bool allocated;     // true: allocation, false: release
    const void* block;  // the block the array operators handed out or took back

    bool operator==(const ArrayEvent&) const = default;
};

// The array allocations and releases made while a test watches. Fixed
// storage: noting an event allocates nothing.
struct ArrayWatch {
    bool watching = false;
    std::array<ArrayEvent, 8> events{};
    std::size_t count = 0;

    void note(bool allocated, const void* block) {
        if (watching && block != nullptr && count < events.size())
            events[count++] = {allocated, block};
    }
};

constinit ArrayWatch arrayWatch;

void* allocateArray(std::size_t size) {
    void* block = std::malloc(size == 0 ? 1 : size);
    arrayWatch.note(true, block);
    return block;
}

void releaseArray(void* block) {
    arrayWatch.note(false, block);
    std::free(block);
}

}  // namespace

void* operator new[](std::size_t size) {
    if (void* block = allocateArray(size)) return block;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    return allocateArray(size);
}
void operator delete[](void* block) noexcept {
    releaseArray(block);
}
void operator delete[](void* block, std::size_t) noexcept {
    releaseArray(block);
}
void operator delete[](void* block, const std::nothrow_t&) noexcept {
    releaseArray(block);
}

namespace {

constexpr auto kInt = static_cast<std::int32_t>(PinDatatype::Int32);

class DspPinArrayTest : public ::testing::Test {
protected:
    DspPinArrayTest() { probe->table = {{kInt}, {kInt}, {kInt}}; }
    ~DspPinArrayTest() override { delete probe; }

    // Sends DSP opcode 0 and answers the array events it caused.
    std::vector<ArrayEvent> openWatched(std::int32_t reportedPins) {
        host.setPinCount(reportedPins);
        return watched([&] { sendOpcode(*probe, 0); });
    }

    template <class Action>
    std::vector<ArrayEvent> watched(Action action) {
        arrayWatch = ArrayWatch{};
        arrayWatch.watching = true;
        action();
        arrayWatch.watching = false;
        return std::vector<ArrayEvent>(
            arrayWatch.events.begin(),
            arrayWatch.events.begin() + static_cast<std::ptrdiff_t>(arrayWatch.count));
    }

    RecordingHost host;
    std::vector<std::string> log;
    ProbeModule* probe = new ProbeModule(log, host);
};

TEST_F(DspPinArrayTest, ASecondOpenReleasesTheOldArrayBeforeAllocatingTheNewOne) {
    const std::vector<ArrayEvent> first = openWatched(3);
    ASSERT_EQ(first.size(), 1u);
    EXPECT_TRUE(first[0].allocated);
    EXPECT_EQ(probe->boundPinCount, 3);

    const std::vector<ArrayEvent> second = openWatched(2);
    ASSERT_EQ(second.size(), 2u);
    EXPECT_EQ(second[0], (ArrayEvent{false, first[0].block})) << "the old array goes first";
    EXPECT_TRUE(second[1].allocated);
    EXPECT_EQ(probe->boundPinCount, 2);
    EXPECT_EQ(probe->pinAt(1)->getOwner(), probe);

    const std::vector<ArrayEvent> closing = watched([&] {
        EXPECT_EQ(sendOpcode(*probe, 1), 1);
        probe = nullptr;
    });
    EXPECT_EQ(closing, (std::vector<ArrayEvent>{{false, second[1].block}}))
        << "the instance releases its array as a whole";
}

TEST_F(DspPinArrayTest, AnOpenThatHearsNoPinsKeepsTheOldArrayAndItsPins) {
    openWatched(3);
    SEPin* const pins = probe->pins;
    for (std::int32_t count : {0, -1, INT32_MIN}) {
        EXPECT_TRUE(openWatched(count).empty()) << count;
        EXPECT_EQ(probe->pins, pins);
        EXPECT_EQ(probe->boundPinCount, 3);
    }
    log.clear();
    deliverEvent(*probe, DspEvent{0, 0, 2, 0, 2, 0});
    EXPECT_EQ(log, (std::vector<std::string>{"status 2 2"})) << "the old pins still hear events";
}

#if defined(__i386__)
TEST_F(DspPinArrayTest, APinCountTheMemoryCannotHoldLeavesNoPins) {
    openWatched(3);
    EXPECT_NO_THROW(openWatched(INT32_MAX));
    EXPECT_EQ(probe->pins, nullptr);
    EXPECT_EQ(probe->boundPinCount, 0);
    log.clear();
    deliverEvent(*probe, DspEvent{0, 0, 2, 0, 0, 0});
    EXPECT_TRUE(log.empty()) << "no pin to hear the event";
}
#endif

}  // namespace
