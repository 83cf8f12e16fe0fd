// Decoding a 256 x 256 tile picture and enlarging it to 200 %, as the tile view does,
// against two references measured in the same run: the bare run-length expansion of the
// same file and a copy of the decoded pixels. Prints the ratios at the end; the goal is
// decode + scale under 1 ms.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <random>

#include "editor/picture/pcx.h"
#include "pcx_test_support.h"

namespace {

// A terrain-like tile: smooth areas (long runs) with noisy patches (short runs and single
// bytes), 256 colours in the trailing palette.
std::vector<std::uint8_t> make_tile() {
    pcxtest::Layout l;
    l.width = 256;
    l.height = 256;
    std::vector<std::uint8_t> indices(256 * 256);
    std::mt19937 rng(42);
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x) {
            const double field = std::sin(x * 0.05) + std::cos(y * 0.07) + std::sin((x + y) * 0.02);
            std::uint8_t v = static_cast<std::uint8_t>(static_cast<int>((field + 3.0) * 20.0) & 0xFF);
            if (((x / 32) + (y / 32)) % 3 == 0) v = static_cast<std::uint8_t>(v + rng() % 8);
            indices[static_cast<std::size_t>(y * 256 + x)] = v;
        }
    std::vector<std::uint32_t> palette(256);
    for (int i = 0; i < 256; ++i) palette[static_cast<std::size_t>(i)] = static_cast<std::uint32_t>(i) * 0x010203u;
    return pcxtest::encode_file(l, pcxtest::pack_indices(l, indices), palette);
}

const std::vector<std::uint8_t>& tile() {
    static const std::vector<std::uint8_t> file = make_tile();
    return file;
}

void BM_DecodeAndScale200(benchmark::State& state) {
    const auto& file = tile();
    for (auto _ : state) {
        kvr::pcx::Image img;
        std::string reason;
        if (!kvr::pcx::decode(file.data(), file.size(), img, reason)) state.SkipWithError(reason.c_str());
        kvr::pcx::Image big = kvr::pcx::scale(img, 2);
        benchmark::DoNotOptimize(big.pixels.data());
    }
}

void BM_Decode(benchmark::State& state) {
    const auto& file = tile();
    for (auto _ : state) {
        kvr::pcx::Image img;
        std::string reason;
        if (!kvr::pcx::decode(file.data(), file.size(), img, reason)) state.SkipWithError(reason.c_str());
        benchmark::DoNotOptimize(img.pixels.data());
    }
}

// Reference: the plainest expansion of the runs into 256 x 256 bytes.
void BM_ReferenceRleExpand(benchmark::State& state) {
    const auto& file = tile();
    const std::uint8_t* body = file.data() + 128;
    const std::size_t body_size = file.size() - 128 - 769;
    for (auto _ : state) {
        std::vector<std::uint8_t> out(256 * 256);
        std::size_t o = 0;
        for (std::size_t i = 0; i < body_size && o < out.size(); ++i) {
            std::uint8_t b = body[i];
            std::size_t n = 1;
            if ((b & 0xC0) == 0xC0) {
                n = b & 0x3F;
                b = body[++i];
            }
            n = std::min(n, out.size() - o);
            std::memset(out.data() + o, b, n);
            o += n;
        }
        benchmark::DoNotOptimize(out.data());
    }
}

// Reference: copying the decoded 256 x 256 pixels once.
void BM_ReferenceCopyPixels(benchmark::State& state) {
    std::vector<std::uint32_t> src(256 * 256, 0x123456);
    for (auto _ : state) {
        std::vector<std::uint32_t> dst(src.size());
        std::memcpy(dst.data(), src.data(), src.size() * sizeof(std::uint32_t));
        benchmark::DoNotOptimize(dst.data());
    }
}

BENCHMARK(BM_DecodeAndScale200)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Decode)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ReferenceRleExpand)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ReferenceCopyPixels)->Unit(benchmark::kMicrosecond);

// Keeps each benchmark's CPU time per iteration (microseconds) for the ratios: CPU time,
// because the machine is shared and wall time swings with the load.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    RatioReporter() : ConsoleReporter(OO_None) {}
    std::map<std::string, double> micros;
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& r : runs)
            if (r.run_type == Run::RT_Iteration && !r.error_occurred)
                micros[r.benchmark_name()] = r.GetAdjustedCPUTime();
        ConsoleReporter::ReportRuns(runs);
    }
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    const auto& t = reporter.micros;
    auto at = [&](const char* name) {
        const auto it = t.find(name);
        return it == t.end() ? 0.0 : it->second;
    };
    const double decode_scale = at("BM_DecodeAndScale200");
    const double rle = at("BM_ReferenceRleExpand");
    const double copy = at("BM_ReferenceCopyPixels");
    std::printf("\n256 x 256 tile, %zu bytes\n", tile().size());
    if (decode_scale > 0 && rle > 0)
        std::printf("decode + 200%% scale / plain RLE expansion: %.2f\n", decode_scale / rle);
    if (decode_scale > 0 && copy > 0)
        std::printf("decode + 200%% scale / copy of decoded pixels: %.2f\n", decode_scale / copy);
    if (decode_scale > 0)
        std::printf("decode + 200%% scale: %.1f us CPU per tile, goal under 1000 us: %s\n", decode_scale,
                    decode_scale < 1000.0 ? "met" : "NOT met");
    return 0;
}
