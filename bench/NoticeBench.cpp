// Cost of one pin-changed notice through the GUI record's dispatcher entry,
// against a baseline that makes the same four host calls directly, and the
// heap allocations of a notice and of the integer reads and writes.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>

#include "AllocationCounter.h"
#include "BenchHosts.h"
#include "GuiModule.h"
#include "RatioReporter.h"

namespace {

using benchhosts::minimalHost;
using benchhosts::PinStore;
using benchhosts::storeHost;

void reportAllocations(benchmark::State& state, std::size_t before) {
    state.counters["allocs/op"] = benchmark::Counter(
        static_cast<double>(allocationCount() - before) / static_cast<double>(state.iterations()));
}

template <HostCallback Host>
void BM_NoticeThroughDispatcherEntry(benchmark::State& state) {
    PinStore store;
    GuiModule module(Host, reinterpret_cast<HostValue>(&store));
    GuiInstanceRecord* record = &module.record;
    const std::size_t before = allocationCount();
    for (auto _ : state) {
        benchmark::DoNotOptimize(record->dispatcherEntry(record, 7, 0, 0, nullptr, 0.0f));
    }
    reportAllocations(state, before);
}
BENCHMARK(BM_NoticeThroughDispatcherEntry<&minimalHost>)->Name("Notice/minimal host");
BENCHMARK(BM_NoticeThroughDispatcherEntry<&storeHost>)->Name("Notice/pin-store host");

// The same four host calls a notice makes (three reads, one write), made
// directly: the floor that the layer's own work is measured against.
template <HostCallback Host>
void BM_FourDirectHostCalls(benchmark::State& state) {
    HostCallback host = Host;
    benchmark::DoNotOptimize(host);
    PinStore store;
    GuiInstanceRecord record{};
    record.hostValue = reinterpret_cast<HostValue>(&store);
    const std::size_t before = allocationCount();
    for (auto _ : state) {
        std::int32_t invert = 0, mode = 0, out = 0;
        host(&record, 14, 1, 0, &invert, 0.0f);
        host(&record, 14, 0, 0, &mode, 0.0f);
        host(&record, 14, 2, 0, &out, 0.0f);
        benchmark::DoNotOptimize(out);
        host(&record, 15, 2, (mode ^ invert) & 1, nullptr, 0.0f);
    }
    reportAllocations(state, before);
}
BENCHMARK(BM_FourDirectHostCalls<&minimalHost>)->Name("Direct/minimal host");
BENCHMARK(BM_FourDirectHostCalls<&storeHost>)->Name("Direct/pin-store host");

void BM_IntegerReadAndWrite(benchmark::State& state) {
    GuiModule module(&minimalHost, 0);
    const std::size_t before = allocationCount();
    for (auto _ : state) {
        const std::int32_t value = module.pinAt(0).readInt();
        module.pinAt(0).writeInt(value);
    }
    reportAllocations(state, before);
}
BENCHMARK(BM_IntegerReadAndWrite);

}  // namespace

int main(int argc, char** argv) {
    return runBenchmarksAndPrintRatios(argc, argv,
                                       {{"Notice/minimal host", "Direct/minimal host",
                                         "minimal host: notice / four direct host calls", 1.25},
                                        {"Notice/pin-store host", "Direct/pin-store host",
                                         "pin-store host: notice / four direct host calls", 1.25}});
}
