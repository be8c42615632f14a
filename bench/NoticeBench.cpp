// Cost of one pin-changed notice through the GUI record's dispatcher entry,
// against a baseline that makes the same four host calls directly, and the
// heap allocations of a notice and of the integer reads and writes.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>

#include "AllocationCounter.h"
#include "GuiModule.h"
#include "RatioReporter.h"

namespace {

// A minimal host: three pin values; reads fill the cell, writes store.
std::int32_t hostPins[3] = {1, 0, 0};

ResultWord QK_CDECL minimalHost(void*, std::int32_t opcode, std::int32_t index, std::int32_t value,
                                void* pointer, float) {
    if (index < 0 || index > 2) return 0;
    if (opcode == 14) std::memcpy(pointer, &hostPins[index], sizeof(std::int32_t));
    if (opcode == 15) hostPins[index] = value;
    return 0;
}

void reportAllocations(benchmark::State& state, std::size_t before) {
    state.counters["allocs/op"] = benchmark::Counter(
        static_cast<double>(allocationCount() - before) / static_cast<double>(state.iterations()));
}

void BM_NoticeThroughDispatcherEntry(benchmark::State& state) {
    GuiModule module(&minimalHost, 0);
    GuiInstanceRecord* record = &module.record;
    const std::size_t before = allocationCount();
    for (auto _ : state) {
        benchmark::DoNotOptimize(record->dispatcherEntry(record, 7, 0, 0, nullptr, 0.0f));
    }
    reportAllocations(state, before);
}
BENCHMARK(BM_NoticeThroughDispatcherEntry);

// The same four host calls a notice makes (three reads, one write), made
// directly: the floor that the layer's own work is measured against.
void BM_FourDirectHostCalls(benchmark::State& state) {
    HostCallback host = &minimalHost;
    benchmark::DoNotOptimize(host);
    GuiInstanceRecord record{};
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
BENCHMARK(BM_FourDirectHostCalls);

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
    return runBenchmarksAndPrintRatio(argc, argv,
                                      {"BM_NoticeThroughDispatcherEntry", "BM_FourDirectHostCalls",
                                       "notice / direct host calls", 1.25});
}
