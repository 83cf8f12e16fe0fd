// Unpacking a 50 MB package against libbz2 decoding the same data alone, measured in one
// run and summarised as speed ratios (above 1: ours is faster); then the peak memory of
// unpacking a 200 MB package in a process of its own (kvrpack extract --stats).
// Inputs are generated under the build folder, never committed.
#include <bzlib.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "bzip2_test_util.h"
#include "decomp32/decomp32_api.h"
#include "decomp32/file_ops_posix.h"
#include "decomp32/package_reader.h"
#include "tools/kvrpack/package_writer.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

constexpr int kFiles = 5;
constexpr std::size_t kFileSize = 10u << 20;  // 5 x 10 MB = 50 MB

const fs::path& bench_dir() {
    static const fs::path dir = fs::path(KVR_BINARY_DIR) / "bench-data" / "package";
    return dir;
}

void write_file(const fs::path& path, const Bytes& data) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(data.data()), std::streamsize(data.size()));
}

// The 50 MB package and, for libbz2, the same files as bzip2 streams in memory.
struct Inputs {
    std::string package;
    std::vector<Bytes> streams;
    std::uint64_t bytes = 0;
};

const Inputs& inputs() {
    static const Inputs in = [] {
        Inputs r;
        const fs::path src = bench_dir() / "in50";
        std::vector<kvrpack::InputFile> files;
        for (int i = 0; i < kFiles; ++i) {
            const Bytes data = bztest::mixed_data(kFileSize, 100 + i);
            const fs::path path = src / ("file" + std::to_string(i) + ".dat");
            write_file(path, data);
            files.push_back({path.string(), "file" + std::to_string(i) + ".dat", 0, {}});
            Bytes packed(data.size() + data.size() / 100 + 600);
            unsigned n = unsigned(packed.size());
            BZ2_bzBuffToBuffCompress(reinterpret_cast<char*>(packed.data()), &n,
                                     const_cast<char*>(reinterpret_cast<const char*>(data.data())),
                                     unsigned(data.size()), 9, 0, 0);
            packed.resize(n);
            r.streams.push_back(std::move(packed));
            r.bytes += data.size();
        }
        r.package = (bench_dir() / "p50.lib").string();
        std::string error;
        if (!kvrpack::write_package(r.package, files, {}, error)) std::fprintf(stderr, "%s\n", error.c_str());
        return r;
    }();
    return in;
}

void libbz2_decode(benchmark::State& state) {
    const Inputs& in = inputs();
    static char out[1 << 16];
    for (auto _ : state) {
        for (const Bytes& s : in.streams) {
            bz_stream bz{};
            BZ2_bzDecompressInit(&bz, 0, 0);
            bz.next_in = const_cast<char*>(reinterpret_cast<const char*>(s.data()));
            bz.avail_in = unsigned(s.size());
            int rc = BZ_OK;
            while (rc == BZ_OK) {
                bz.next_out = out;
                bz.avail_out = sizeof out;
                rc = BZ2_bzDecompress(&bz);
                benchmark::DoNotOptimize(out[0]);
            }
            BZ2_bzDecompressEnd(&bz);
            if (rc != BZ_STREAM_END) state.SkipWithError("libbz2 failed");
        }
    }
    state.SetBytesProcessed(std::int64_t(state.iterations() * in.bytes));
}

// What ExtractAll does, through the same reader: open, check, decipher, decode, write.
void extract_core(benchmark::State& state, decomp::UnpackMode mode) {
    const Inputs& in = inputs();
    const std::string dest = (bench_dir() / "out50").string();
    fs::create_directories(dest);
    for (auto _ : state) {
        decomp::PackageReader r;
        const char* err = decomp::package_open(r, decomp::posix_file_ops(), {}, in.package.c_str(), decomp::kPackageKey);
        if (!err) err = decomp::package_extract_all(r, dest.c_str(), mode);
        if (err) state.SkipWithError(err);
        decomp::package_close(r);
    }
    state.SetBytesProcessed(std::int64_t(state.iterations() * in.bytes));
}

void extract_write(benchmark::State& state) { extract_core(state, decomp::UnpackMode::kWrite); }
void extract_verify(benchmark::State& state) { extract_core(state, decomp::UnpackMode::kVerify); }

// Keeps the console table and each benchmark's best real and CPU time for the ratios. The
// CPU-time ratio is the steadier one on a machine shared with other work.
class RatioReporter : public benchmark::ConsoleReporter {
  public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const auto& run : runs)
            if (!run.error_occurred && (run.run_type == Run::RT_Iteration || run.aggregate_name == "min")) {
                keep_best(real_[run.run_name.str()], run.GetAdjustedRealTime());
                keep_best(cpu_[run.run_name.str()], run.GetAdjustedCPUTime());
            }
        ConsoleReporter::ReportRuns(runs);
    }
    void print_ratio(const std::string& ours, const std::string& reference) const {
        if (!real_.count(ours) || !real_.count(reference)) return;
        std::printf("%-28s speed ratio ours / %-26s = %.2f (real time), %.2f (CPU time)\n", ours.c_str(),
                    reference.c_str(), real_.at(reference) / real_.at(ours), cpu_.at(reference) / cpu_.at(ours));
    }

  private:
    static void keep_best(double& best, double v) { best = best == 0 ? v : std::min(best, v); }
    std::map<std::string, double> real_, cpu_;
};

// Runs `kvrpack extract --stats` on a 200 MB package and reports its peak resident memory
// (VmHWM: the child's own, not inherited from this large process).
void peak_memory_200mb() {
    const fs::path src = bench_dir() / "in200";
    const fs::path package = bench_dir() / "p200.lib";
    if (!fs::exists(package)) {
        std::vector<kvrpack::InputFile> files;
        for (int i = 0; i < 4; ++i) {
            const fs::path path = src / ("part" + std::to_string(i) + ".dat");
            write_file(path, bztest::mixed_data(50u << 20, 200 + i));
            files.push_back({path.string(), "part" + std::to_string(i) + ".dat", 0, {}});
        }
        std::string error;
        if (!kvrpack::write_package(package.string(), files, {}, error)) {
            std::printf("peak memory: could not make the package: %s\n", error.c_str());
            return;
        }
    }
    const std::string dest = (bench_dir() / "out200").string();
    const std::string out = (bench_dir() / "peak.txt").string();
    std::vector<std::string> args = {KVRPACK_PATH, "extract", "--stats", "--quiet", package.string(), dest};
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t pid = 0;
    if (posix_spawn(&pid, KVRPACK_PATH, &actions, nullptr, argv.data(), environ) != 0) {
        std::printf("peak memory: cannot start kvrpack\n");
        return;
    }
    int status = 0;
    waitpid(pid, &status, 0);
    posix_spawn_file_actions_destroy(&actions);
    std::ifstream in(out);
    std::string line, peak;
    while (std::getline(in, line))
        if (line.rfind("peak memory:", 0) == 0) peak = line.substr(12);
    std::printf("unpacking a %.0f MB package (%.1f MB packed): peak memory%s (goal: under 16 MB)\n",
                double(4 * (50u << 20)) / (1 << 20), double(fs::file_size(package)) / (1 << 20),
                peak.empty() ? " unknown" : peak.c_str());
    std::error_code ec;
    fs::remove_all(dest, ec);
}

}  // namespace

int main(int argc, char** argv) {
    bool peak = true;
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--no-peak-memory") == 0) {
            peak = false;
            std::copy(argv + i + 1, argv + argc, argv + i);
            --argc;
            break;
        }
    auto best = [](const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); };
    using Fn = void (*)(benchmark::State&);
    const std::pair<const char*, Fn> benches[] = {{"package_50MB/libbz2_decode", libbz2_decode},
                                                  {"package_50MB/extract_write", extract_write},
                                                  {"package_50MB/extract_verify", extract_verify}};
    for (const auto& [name, fn] : benches)
        benchmark::RegisterBenchmark(name, fn)->Unit(benchmark::kMillisecond)->ComputeStatistics("min", best);
    // Several runs in random order, best time each: other work on the machine then weighs on
    // all three alike. Flags given on the command line come later and win.
    std::vector<char*> args(argv, argv + argc);
    char repetitions[] = "--benchmark_repetitions=5";
    char interleave[] = "--benchmark_enable_random_interleaving=true";
    char report[] = "--benchmark_report_aggregates_only=true";
    args.insert(args.begin() + 1, {repetitions, interleave, report});
    int count = int(args.size());
    args.push_back(nullptr);
    benchmark::Initialize(&count, args.data());
    if (benchmark::ReportUnrecognizedArguments(count, args.data())) return 1;
    std::printf("data: %d files, %.0f MB; package %.1f MB\n", kFiles, double(inputs().bytes) / (1 << 20),
                double(fs::file_size(inputs().package)) / (1 << 20));
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.print_ratio("package_50MB/extract_write", "package_50MB/libbz2_decode");
    reporter.print_ratio("package_50MB/extract_verify", "package_50MB/libbz2_decode");
    if (peak) peak_memory_200mb();
    benchmark::Shutdown();
    return 0;
}
