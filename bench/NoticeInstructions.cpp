// Instruction counts of a pin-changed notice, for callgrind: a count does not
// depend on what else the machine is doing. tools/bench_instructions.sh runs
// this under callgrind, collecting only inside runNotices and runDirect, and
// prints instructions per notice against the same four host calls made
// directly.
#include <cstdint>
#include <cstdio>

#include "BenchHosts.h"
#include "GuiModule.h"

constexpr int kRounds = 100000;

extern "C" __attribute__((noinline)) void runNotices(GuiInstanceRecord* record, int rounds) {
    for (int i = 0; i < rounds; ++i) record->dispatcherEntry(record, 7, 0, 0, nullptr, 0.0f);
}

extern "C" __attribute__((noinline)) void runDirect(HostCallback host, GuiInstanceRecord* record,
                                                    int rounds) {
    for (int i = 0; i < rounds; ++i) {
        std::int32_t invert = 0, mode = 0, out = 0;
        host(record, 14, 1, 0, &invert, 0.0f);
        host(record, 14, 0, 0, &mode, 0.0f);
        host(record, 14, 2, 0, &out, 0.0f);
        host(record, 15, 2, (mode ^ invert) & 1, nullptr, 0.0f);
    }
}

int main() {
    benchhosts::PinStore store;
    GuiModule module(&benchhosts::storeHost, reinterpret_cast<HostValue>(&store));
    runNotices(&module.record, kRounds);
    runDirect(&benchhosts::storeHost, &module.record, kRounds);
    std::printf("rounds %d\n", kRounds);
    return 0;
}
