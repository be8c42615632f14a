// Both plug-ins called from eight threads at once, as a host with several
// threads calls them: each thread describes the module and creates, drives
// and closes instances of its own. The exports and the DSP side may run on
// any thread at the same time. The GUI side shares one pin accessor among
// all GUI instances of a library and so relies on the host calling a
// library's GUI instances from one thread at a time: the threads here do
// that, each library's GUI calls under that library's lock, while creating
// GUI instances stays free. Run under ThreadSanitizer (native-tsan) this
// shows that no other state is shared.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <latch>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "DspInstanceRecord.h"
#include "GuiInstanceRecord.h"
#include "InterfaceCalls.h"
#include "LoadedPlugin.h"
#include "ModuleDescription.h"
#include "PinDescription.h"
#include "RecordingHost.h"

namespace {

constexpr int kThreads = 8;
constexpr int kRounds = 100;

struct Library {
    explicit Library(const char* name) : plugin(pluginPath(name)) {}
    LoadedPlugin plugin;
    std::mutex guiCalls;  // one thread at a time in the library's GUI instances
};

// What one thread saw: the number of answers that were not as expected, and
// the address DSP opcode 13 answered in each library.
struct ThreadReport {
    int wrongAnswers = 0;
    std::array<ResultWord, 2> routineInfo{};
};

void expectAnswer(bool right, ThreadReport& report) {
    if (!right) ++report.wrongAnswers;
}

void driveDsp(Library& library, RecordingHost& host, ThreadReport& report,
              ResultWord& routineInfo) {
    auto* record = static_cast<DspInstanceRecord*>(
        library.plugin.makeModule(0, 1, RecordingHost::callback(), host.hostValue()));
    expectAnswer(record != nullptr, report);
    if (record == nullptr) return;
    host.clearCalls();
    expectAnswer(callDspDispatcher(record, 0, 0, 0, nullptr, 0.0f) == 0, report);
    expectAnswer(host.opcodes() == std::vector<std::int32_t>{14, 10}, report);
    callDspDispatcher(record, 2, 0, 0, nullptr, 96000.0f);
    callDspDispatcher(record, 3, 0, 64, nullptr, 0.0f);
    callDspDispatcher(record, 8, 2, 0, nullptr, 0.0f);
    PinDescription description{};
    expectAnswer(callDspDispatcher(record, 6, 2, 0, &description, 0.0f) == 1, report);
    expectAnswer(std::string(description.name) == "Out", report);
    // The library's one routine record: the same address on every thread.
    routineInfo = callDspDispatcher(record, 13, 0, 0, nullptr, 0.0f);
    DspEvent event{0, 0, 3, 0, 1, 0};
    callDspEvent(record, &event);
    callDspProcess(record);
    expectAnswer(callDspDispatcher(record, 1, 0, 0, nullptr, 0.0f) == 1, report);
}

void driveGui(Library& library, RecordingHost& host, ThreadReport& report, int round) {
    auto* record = static_cast<GuiInstanceRecord*>(
        library.plugin.makeModule(0, 2, RecordingHost::callback(), host.hostValue()));
    expectAnswer(record != nullptr, report);
    if (record == nullptr) return;
    const std::int32_t mode = round & 1;
    const std::lock_guard<std::mutex> oneThreadAtATime(library.guiCalls);
    host.setPin(0, mode);
    host.setPin(1, 0);
    expectAnswer(callGuiDispatcher(record, 7, 0, 0, nullptr, 0.0f) == 0, report);
    expectAnswer(host.pin(2) == mode, report);
    host.setPin(1, 1);
    expectAnswer(callGuiDispatcher(record, 7, 1, 0, nullptr, 0.0f) == 0, report);
    expectAnswer(host.pin(2) == 1 - mode, report);
    expectAnswer(callGuiDispatcher(record, 1, 0, 0, nullptr, 0.0f) == 1, report);
}

void driveBothLibraries(std::array<Library*, 2> libraries, RecordingHost& host,
                        ThreadReport& report) {
    for (int round = 0; round < kRounds; ++round) {
        for (std::size_t which = 0; which < libraries.size(); ++which) {
            Library& library = *libraries[which];
            ModuleDescription description{};
            expectAnswer(library.plugin.getModuleProperties(0, &description) == 1, report);
            expectAnswer(description.interfaceVersion == 2230 && description.displayName != nullptr,
                         report);
            driveDsp(library, host, report, report.routineInfo[which]);
            driveGui(library, host, report, round);
            host.clearCalls();
        }
    }
}

TEST(PluginThreadsTest, EightThreadsDescribeCreateDriveAndCloseTheirOwnInstances) {
    Library tarvolane("Tarvolane");
    Library morvessa("Morvessa");
    ASSERT_TRUE(tarvolane.plugin.loaded()) << tarvolane.plugin.error();
    ASSERT_TRUE(morvessa.plugin.loaded()) << morvessa.plugin.error();

    // Each thread has a host of its own; they are all made before any thread starts.
    std::array<RecordingHost, kThreads> hosts;
    for (RecordingHost& host : hosts) host.setPinCount(3);
    std::array<ThreadReport, kThreads> reports;
    std::latch start(kThreads);
    std::vector<std::thread> threads;
    for (std::size_t t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            start.arrive_and_wait();  // all eight begin together
            driveBothLibraries({&tarvolane, &morvessa}, hosts[t], reports[t]);
        });
    }
    for (std::thread& thread : threads) thread.join();

    for (std::size_t t = 0; t < kThreads; ++t) {
        EXPECT_EQ(reports[t].wrongAnswers, 0) << "thread " << t;
        EXPECT_NE(reports[t].routineInfo[0], 0) << "thread " << t;
        EXPECT_EQ(reports[t].routineInfo, reports[0].routineInfo) << "thread " << t;
    }
    EXPECT_NE(reports[0].routineInfo[0], reports[0].routineInfo[1]) << "each library has its own";
}

}  // namespace
