// Cost of one pin-changed notice through the GUI record's dispatcher entry,
// against a baseline that makes the same four host calls directly, and the
// heap allocations of a notice and of the integer reads and writes.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>

#include "AllocationCounter.h"
#include "GuiModule.h"

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

// A host closer to a real one: it finds the instance's pin store through the
// record's host value and checks each pin index against the store's size.
struct PinStore {
    std::int32_t values[8] = {1, 0, 0};
    std::int32_t count = 3;
};

ResultWord QK_CDECL storeHost(void* record, std::int32_t opcode, std::int32_t index,
                              std::int32_t value, void* pointer, float) {
    auto* store = reinterpret_cast<PinStore*>(static_cast<GuiInstanceRecord*>(record)->hostValue);
    if (index < 0 || index >= store->count) return 0;
    switch (opcode) {
        case 14:
            std::memcpy(pointer, &store->values[index], sizeof(std::int32_t));
            return 0;
        case 15:
            store->values[index] = value;
            return 0;
        default:
            return 0;
    }
}

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

// Collects each benchmark's time per iteration so the ratio can be printed.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Iteration) nanoseconds[run.benchmark_name()] = run.GetAdjustedCPUTime();
        }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> nanoseconds;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    for (const char* host : {"minimal host", "pin-store host"}) {
        const auto notice = reporter.nanoseconds.find(std::string("Notice/") + host);
        const auto direct = reporter.nanoseconds.find(std::string("Direct/") + host);
        if (notice != reporter.nanoseconds.end() && direct != reporter.nanoseconds.end()) {
            std::printf("%s: notice / four direct host calls = %.3f (goal: at most 1.25)\n", host,
                        notice->second / direct->second);
        }
    }
    benchmark::Shutdown();
    return 0;
}
