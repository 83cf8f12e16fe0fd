// Loading and saving a KVR_ZPL.DAT image against the cheapest thing that touches as many
// bytes: a plain copy of 303,260 bytes. Prints each as a ratio to that copy (goal: within 5x).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "editor/data/kvr_file.h"

namespace {

std::vector<std::uint8_t> sample_image() {
    // A busy file: every tile about half full.
    std::mt19937 gen(3);
    kvr::ObjectTable t;
    for (int tile = 0; tile < kvr::kTileCount; ++tile)
        for (int k = 0; k < kvr::kSlotCount; ++k)
            if (gen() % 2)
                t.object(tile, k) = {static_cast<std::uint8_t>(1 + gen() % 72), static_cast<std::uint8_t>(gen()),
                                     static_cast<std::uint8_t>(gen()), static_cast<std::uint8_t>(gen()), true};
    return kvr::build_save_image(t);
}

void BM_CopyFile(benchmark::State& state) {
    const std::vector<std::uint8_t> src = sample_image();
    std::vector<std::uint8_t> dst(src.size());
    for (auto _ : state) {
        std::memcpy(dst.data(), src.data(), src.size());
        benchmark::DoNotOptimize(dst.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_CopyFile);

void BM_ParseFile(benchmark::State& state) {
    const std::vector<std::uint8_t> src = sample_image();
    kvr::ObjectTable table;
    std::string reason;
    for (auto _ : state) {
        benchmark::DoNotOptimize(kvr::parse_file_image(src.data(), src.size(), table, reason));
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_ParseFile);

void BM_BuildSaveImage(benchmark::State& state) {
    const std::vector<std::uint8_t> src = sample_image();
    kvr::ObjectTable table;
    std::string reason;
    kvr::parse_file_image(src.data(), src.size(), table, reason);
    std::vector<std::uint8_t> image(kvr::kFileSize);
    for (auto _ : state) {
        kvr::build_save_image(table, image.data());
        benchmark::DoNotOptimize(image.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_BuildSaveImage);

// Prints the usual table and keeps each benchmark's CPU time per iteration for the ratios
// (CPU time: the machine is shared, and wall time swings with the other work on it).
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& r : runs)
            if (r.run_type == Run::RT_Iteration && r.iterations > 0)
                seconds[r.run_name.function_name] = r.cpu_accumulated_time / static_cast<double>(r.iterations);
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> seconds;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    const auto copy = reporter.seconds.find("BM_CopyFile");
    if (copy == reporter.seconds.end() || copy->second <= 0) return 0;
    for (const char* name : {"BM_ParseFile", "BM_BuildSaveImage"}) {
        const auto it = reporter.seconds.find(name);
        if (it == reporter.seconds.end()) continue;
        const double ratio = it->second / copy->second;
        std::printf("%-18s %6.2fx the copy of %zu bytes (goal <= 5x): %s\n", name, ratio, kvr::kFileSize,
                    ratio <= 5 ? "met" : "MISSED");
    }
    return 0;
}
