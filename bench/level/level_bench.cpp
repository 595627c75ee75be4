// The level generator within one update: a whole generation per iteration, from a
// fresh seed accumulator each time, as successive levels of a game would use.
#include <benchmark/benchmark.h>

#include "game/my_app.h"
#include "game/vocabulary.h"
#include "runtime/host/app.h"

namespace {

c_MyApp* App() {
    static c_MyApp* app = [] {
        qo_runtime_Init();
        qo_Game_Init();
        c_MyApp* made = (new c_MyApp)->m_new();
        made->m_GridW = made->m_GridH = grid::kLevelSize;
        return made;
    }();
    return app;
}

// A level of `size` generated at progress `progress` (state.range(1)).
void GenerateLevel(benchmark::State& state) {
    c_MyApp* app = App();
    app->m_LevelSize = static_cast<int>(state.range(0));
    float accumulator = 1234567;
    for (auto _ : state) {
        app->m_Cube[cube::kSeed] = accumulator;
        app->m_Cube[cube::kProgress] = static_cast<float>(state.range(1) - state.range(0));
        app->p_GetLev(1);
        benchmark::DoNotOptimize(app->m_Grid.Data());
        accumulator += 7919;
    }
}
BENCHMARK(GenerateLevel)
    ->ArgNames({"size", "progress"})
    ->Args({1, 1})
    ->Args({2, 10})
    ->Args({3, 30})
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(10)
    ->ReportAggregatesOnly(true);

// The clear of the grid after a Large level, as the next level finds it; the level
// itself is not timed.
void ClearGrid(benchmark::State& state) {
    c_MyApp* app = App();
    app->m_LevelSize = 3;
    for (auto _ : state) {
        state.PauseTiming();
        app->m_Cube[cube::kSeed] = 1234567;
        app->m_Cube[cube::kProgress] = 27;
        app->p_GetLev(1);
        state.ResumeTiming();
        app->p_ResetGrid();
        benchmark::ClobberMemory();
    }
}
BENCHMARK(ClearGrid)->Unit(benchmark::kMicrosecond)->Repetitions(10)->ReportAggregatesOnly(true);

}  // namespace
