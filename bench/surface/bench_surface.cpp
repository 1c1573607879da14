// Times Rebuild (the path this processor takes, and each forced path) against the plain
// eight-pass lighting, for the demo's 64 x 64 grid and the largest one that fits, then prints how
// many times faster Rebuild is than the plain passes, measured in this same run.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>

#include "bench/benchmark_run.h"
#include "bench/surface/reference_rebuild.h"
#include "surface/surface_grid.h"

namespace {

SurfaceGrid grid;  // 6.4 MB: static, as in the program
constexpr Vector3f kLight{1.0f, 0.5f, 1.0f};

void CountVertices(benchmark::State& state) {
    const double vertices = static_cast<double>(grid.lastIndex + 1);
    state.counters["vertices"] = vertices;
    // Inverted rate: seconds per vertex, shown as e.g. "per_vertex=1.5ns".
    using benchmark::Counter;
    state.counters["per_vertex"] = Counter(vertices, Counter::kIsIterationInvariantRate | Counter::kInvert);
}

template <typename Rebuild>
void Run(benchmark::State& state, Rebuild rebuild) {
    grid.extent = 10.0f;
    const float resolution = static_cast<float>(state.range(0));
    for (auto _ : state) {
        rebuild(resolution);
        benchmark::ClobberMemory();
    }
    CountVertices(state);
}

void BM_Reference(benchmark::State& state) {
    Run(state, [](float n) { ReferenceRebuild(grid, kLight, n); });
}
void BM_Rebuild(benchmark::State& state) {
    Run(state, [](float n) { grid.Rebuild(kLight, n); });
}
// SSE2, or NEON on ARM64.
void BM_RebuildFourWide(benchmark::State& state) {
    Run(state, [](float n) { RebuildOnPath(grid, kLight, n, FourWidePath()); });
}
void BM_RebuildAvx2(benchmark::State& state) {
    if (!CpuHasAvx2()) {
        state.SkipWithError("this processor has no AVX2");
        return;
    }
    Run(state, [](float n) { RebuildOnPath(grid, kLight, n, RebuildPath::Avx2); });
}

// Five repetitions each, compared by their medians: the machine may be busy with other work.
BENCHMARK(BM_Reference)->Arg(64)->Arg(316)->MinTime(0.1)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_Rebuild)->Arg(64)->Arg(316)->MinTime(0.1)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_RebuildFourWide)->Arg(64)->Arg(316)->MinTime(0.1)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_RebuildAvx2)->Arg(64)->Arg(316)->MinTime(0.1)->Repetitions(5)->ReportAggregatesOnly(true);

// Prints as usual and keeps each benchmark's median CPU time per iteration for the ratios.
class RecordingReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs)
            if (!RunWasSkipped(run) && run.run_type == Run::RT_Aggregate && run.aggregate_name == "median")
                nanoseconds[run.run_name.function_name + "/" + run.run_name.args] = run.GetAdjustedCPUTime();
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> nanoseconds;
};

void PrintRatio(const RecordingReporter& reporter, const char* name, int resolution) {
    char referenceName[64];
    char candidateName[64];
    std::snprintf(referenceName, sizeof referenceName, "BM_Reference/%d", resolution);
    std::snprintf(candidateName, sizeof candidateName, "%s/%d", name, resolution);
    const auto reference = reporter.nanoseconds.find(referenceName);
    const auto candidate = reporter.nanoseconds.find(candidateName);
    if (reference == reporter.nanoseconds.end() || candidate == reporter.nanoseconds.end()) return;
    const double vertices = static_cast<double>(resolution) * resolution;
    std::printf("N = %3d  %-18s %7.3f ns/vertex, plain passes %7.3f ns/vertex: %5.2fx faster\n", resolution,
                name, candidate->second / vertices, reference->second / vertices,
                reference->second / candidate->second);
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    RecordingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    std::printf("\nRebuild takes the %s path on this processor.\n", RebuildPathName(PreferredRebuildPath()));
    for (int resolution : {64, 316})
        for (const char* name : {"BM_Rebuild", "BM_RebuildFourWide", "BM_RebuildAvx2"})
            PrintRatio(reporter, name, resolution);
    std::printf("Median CPU times. Target: BM_Rebuild at least 3x faster than the plain passes at N = 64.\n");
    std::fflush(stdout);
    return 0;
}
