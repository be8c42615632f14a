// A walk over a plain list text of 10,000 and of 100,000 items: the walk is
// linear in the list's length, so the ratio of the two (best of five runs
// each) is about 10.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>

#include "AllocationCounter.h"
#include "EnumList.h"
#include "RatioReporter.h"

namespace {

// "item000000,item000001,...": labels of one width, so that the larger list
// is ten times the text and not more, and without numbers, so every value is
// implicit.
WideString plainListText(std::int64_t items) {
    WideString text;
    for (std::int64_t i = 0; i < items; ++i) {
        if (i > 0) text += u',';
        const std::string digits = std::to_string(i);
        const std::string label = "item" + std::string(6 - digits.size(), '0') + digits;
        text.append(label.begin(), label.end());
    }
    return text;
}

void BM_WalkPlainList(benchmark::State& state) {
    EnumList list(plainListText(state.range(0)));
    const std::size_t before = allocationCount();
    for (auto _ : state) {
        for (list.first(); !list.atEnd(); list.next()) {
            benchmark::DoNotOptimize(list.current().value);
        }
    }
    const auto walks = static_cast<double>(state.iterations());
    state.counters["allocs/walk"] =
        benchmark::Counter(static_cast<double>(allocationCount() - before) / walks);
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_WalkPlainList)->Arg(10000)->Arg(100000)->Repetitions(5);

}  // namespace

int main(int argc, char** argv) {
    return runBenchmarksAndPrintRatios(argc, argv,
                                       {{"BM_WalkPlainList/100000", "BM_WalkPlainList/10000",
                                         "walk of 100,000 items / walk of 10,000 items", 11}});
}
