// The collector's allocation throughput, and the distribution of single collection-step
// times for a game-like heap: 200,000 live objects, about 1 MiB allocated per simulated
// second, 60 steps per second.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "runtime/array.h"
#include "runtime/gc/collector.h"
#include "runtime/object.h"

namespace {

struct Leaf : Object {
    int value = 0;
    Leaf* next = nullptr;
    void mark() override { gc_mark_q(next); }
};

struct Bucket : Object {
    Array<Leaf*> leaves;
    void mark() override { gc_mark_q(leaves); }
};

Array<Bucket*> g_world;
GC_ROOT(g_world);

void AllocateSmallObjects(benchmark::State& state) {
    long n = 0;
    for (auto _ : state) {
        for (int i = 0; i < 1000; ++i) benchmark::DoNotOptimize(new Leaf);
        gc_collect();
        n += 1000;
    }
    state.SetItemsProcessed(n);
    state.SetBytesProcessed(n * static_cast<long>(sizeof(Leaf)));
}
BENCHMARK(AllocateSmallObjects);

void AllocateArrays(benchmark::State& state) {
    long n = 0;
    for (auto _ : state) {
        for (int i = 0; i < 100; ++i) benchmark::DoNotOptimize(Array<int>(64).gc_rep());
        gc_collect();
        n += 100;
    }
    state.SetItemsProcessed(n);
}
BENCHMARK(AllocateArrays);

double ThreadCpuMicros() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e6 + static_cast<double>(now.tv_nsec) / 1e3;
}

// One simulated minute of play, rounded up to whole collector cycles; every step's
// gc_collect() is timed on its own. A cycle's steps come in two kinds: until the old heap is
// marked, each step marks its share of it; after that, only the objects allocated since.
// With this heap the two kinds are about equally many, so a window that cut a cycle short
// would make the median whichever kind the cut left more of, and where the cut falls depends
// on how much the benchmarks before this one allocated. Whole cycles keep each kind's share.
void CollectorStepTimes(benchmark::State& state) {
    constexpr int kBuckets = 1000;
    constexpr int kLeavesPerBucket = 200;  // 200,000 live leaves
    constexpr int kStepsPerSecond = 60;
    constexpr int kSeconds = 60;
    constexpr int kBytesPerSecond = 1 << 20;
    const int leavesPerStep =
        kBytesPerSecond / kStepsPerSecond / static_cast<int>(sizeof(Leaf) + 8);

    std::vector<double> stepMicros, cpuMicros;
    int cycles = 0;
    for (auto _ : state) {
        // Start at a cycle's beginning with no garbage, whatever the benchmarks before this
        // one allocated (their iteration counts follow the machine's speed): every run then
        // marks the same bytes at the same steps.
        gc_collect_all();
        gc_collect_all();
        gc_release_garbage();
        while (gc_new_bytes != 0) {
            benchmark::DoNotOptimize(new Leaf);
            gc_collect();
        }
        gc_assign(g_world, Array<Bucket*>(kBuckets));
        for (int b = 0; b < kBuckets; ++b) {
            auto* bucket = new Bucket;
            gc_assign(bucket->leaves, Array<Leaf*>(kLeavesPerBucket));
            for (int i = 0; i < kLeavesPerBucket; ++i) bucket->leaves[i] = new Leaf;
            g_world[b] = bucket;
            gc_collect();  // built over many steps, as a loader would
        }
        // Settle into the steady state before measuring: one simulated minute of play.
        std::mt19937 rng(1);
        auto play = [&] {
            for (int i = 0; i < leavesPerStep; ++i) {
                Bucket* bucket = g_world[static_cast<int>(rng() % kBuckets)];
                bucket->leaves[static_cast<int>(rng() % kLeavesPerBucket)] = new Leaf;
            }
        };
        // A step that ends a cycle leaves nothing allocated since; play's steps always allocate.
        auto endsCycle = [] { return gc_new_bytes == 0; };
        for (int step = 0; step < kStepsPerSecond * kSeconds || !endsCycle(); ++step) {
            play();
            gc_collect();
        }

        stepMicros.clear();
        cpuMicros.clear();
        cycles = 0;
        for (int step = 0; step < kStepsPerSecond * kSeconds || !endsCycle(); ++step) {
            // The game's work: replace random leaves, so the live set stays the same size
            // and the replaced ones become garbage.
            play();
            auto start = std::chrono::steady_clock::now();
            double cpuStart = ThreadCpuMicros();
            gc_collect();
            cpuMicros.push_back(ThreadCpuMicros() - cpuStart);
            auto end = std::chrono::steady_clock::now();
            stepMicros.push_back(std::chrono::duration<double, std::micro>(end - start).count());
            if (endsCycle()) ++cycles;
        }
        gc_assign(g_world, Array<Bucket*>());
    }

    // Wall time, and the step's own CPU time, which a busy machine's pre-emption leaves out.
    for (auto [times, prefix] : {std::pair{&stepMicros, ""}, std::pair{&cpuMicros, "cpu_"}}) {
        std::sort(times->begin(), times->end());
        auto at = [&](double q) { return (*times)[static_cast<size_t>(q * (times->size() - 1))]; };
        state.counters[std::string(prefix) + "median_us"] = at(0.5);
        state.counters[std::string(prefix) + "p99_us"] = at(0.99);
        state.counters[std::string(prefix) + "max_us"] = times->back();
    }
    state.counters["steps"] = static_cast<double>(stepMicros.size());
    state.counters["cycles"] = cycles;
    state.counters["pace_percent"] = gc_pace_percent;
}
BENCHMARK(CollectorStepTimes)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
