// Speed of the decompression core against the reference libraries, measured in the same run:
// bzip2 decoding against libbz2, Blowfish against OpenSSL, CRC-32 against zlib. After the
// usual table, each pair is summarised as a speed ratio (above 1: ours is faster).
#include <benchmark/benchmark.h>
#include <bzlib.h>
#include <zlib.h>
#define OPENSSL_SUPPRESS_DEPRECATED
#include <openssl/blowfish.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <random>
#include <string>

#include "bzip2_test_util.h"
#include "decomp32/blowfish.h"
#include "decomp32/bzip2_decode.h"
#include "decomp32/crc32.h"

namespace {

using bztest::Bytes;

// About 4 MB: the reference text samples, text-like records, and binary tables of small numbers.
const Bytes& bench_data() {
    static const Bytes data = [] {
        Bytes d;
        for (const char* name : {"sample1.ref", "sample2.ref", "sample3.ref"}) {
            const auto part = bztest::read_file(bztest::testdata(name));
            d.insert(d.end(), part.begin(), part.end());
        }
        const auto mixed = bztest::mixed_data(2'000'000, 77);
        d.insert(d.end(), mixed.begin(), mixed.end());
        std::mt19937 rng(78);
        std::normal_distribution<double> height(500.0, 120.0);
        while (d.size() < 4'000'000) {  // records of a type byte, 16-bit positions and a float
            d.push_back(static_cast<std::uint8_t>(rng() % 24));
            const auto x = static_cast<std::uint16_t>(rng() % 2048), y = static_cast<std::uint16_t>(rng() % 2048);
            const auto h = static_cast<float>(height(rng));
            std::uint8_t rec[8];
            std::memcpy(rec, &x, 2), std::memcpy(rec + 2, &y, 2), std::memcpy(rec + 4, &h, 4);
            d.insert(d.end(), rec, rec + 8);
        }
        return d;
    }();
    return data;
}

const Bytes& compressed(int level) {
    static std::map<int, Bytes> cache;
    auto& c = cache[level];
    if (c.empty()) {
        const Bytes& d = bench_data();
        c.resize(d.size() + d.size() / 100 + 600);
        auto len = static_cast<unsigned>(c.size());
        if (BZ2_bzBuffToBuffCompress(reinterpret_cast<char*>(c.data()), &len,
                                     reinterpret_cast<char*>(const_cast<std::uint8_t*>(d.data())),
                                     static_cast<unsigned>(d.size()), level, 0, 30) != BZ_OK)
            std::abort();
        c.resize(len);
    }
    return c;
}

struct Memory {
    const std::uint8_t* in;
    std::size_t in_left;
    std::uint8_t* out;
    std::size_t out_left;
};

std::size_t read_memory(void* ctx, std::uint8_t* buf, std::size_t n) {
    auto* m = static_cast<Memory*>(ctx);
    n = std::min(n, m->in_left);
    std::memcpy(buf, m->in, n);
    m->in += n, m->in_left -= n;
    return n;
}

bool write_memory(void* ctx, const std::uint8_t* data, std::size_t n) {
    auto* m = static_cast<Memory*>(ctx);
    if (n > m->out_left) return false;
    std::memcpy(m->out, data, n);
    m->out += n, m->out_left -= n;
    return true;
}

void bzip2_ours(benchmark::State& state, int level) {
    const Bytes& in = compressed(level);
    Bytes out(bench_data().size());
    for (auto _ : state) {
        Memory m{in.data(), in.size(), out.data(), out.size()};
        if (decomp::bzip2_decompress(read_memory, &m, write_memory, &m) || m.out_left) state.SkipWithError("decode failed");
        benchmark::DoNotOptimize(out.data());
    }
    if (out != bench_data()) state.SkipWithError("wrong output");
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * out.size()));
}

void bzip2_libbz2(benchmark::State& state, int level) {
    const Bytes& in = compressed(level);
    Bytes out(bench_data().size());
    for (auto _ : state) {
        auto len = static_cast<unsigned>(out.size());
        if (BZ2_bzBuffToBuffDecompress(reinterpret_cast<char*>(out.data()), &len,
                                       reinterpret_cast<char*>(const_cast<std::uint8_t*>(in.data())),
                                       static_cast<unsigned>(in.size()), 0, 0) != BZ_OK)
            state.SkipWithError("decode failed");
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * out.size()));
}

constexpr std::size_t kCipherBytes = 1 << 20;
const std::uint8_t kKey[] = {0x5B, 0xE7, 0x13, 0x9C, 0x2D, 0xA1, 0x74, 0x42, 0x10, 0x99, 0x3E, 0x01, 0xC4, 0x7A, 0x55, 0x68};

void blowfish_ours(benchmark::State& state) {
    decomp::Blowfish bf;
    decomp::blowfish_set_key(bf, kKey, sizeof kKey);
    Bytes buf(bench_data().begin(), bench_data().begin() + kCipherBytes);
    for (auto _ : state) {
        for (std::size_t i = 0; i < buf.size(); i += 8) {  // ECB, halves big-endian
            std::uint8_t* p = buf.data() + i;
            std::uint32_t l = std::uint32_t{p[0]} << 24 | p[1] << 16 | p[2] << 8 | p[3];
            std::uint32_t r = std::uint32_t{p[4]} << 24 | p[5] << 16 | p[6] << 8 | p[7];
            decomp::blowfish_encrypt(bf, l, r);
            for (int k = 0; k < 4; ++k) p[k] = static_cast<std::uint8_t>(l >> (24 - 8 * k)), p[4 + k] = static_cast<std::uint8_t>(r >> (24 - 8 * k));
        }
        benchmark::DoNotOptimize(buf.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * buf.size()));
}

void blowfish_openssl(benchmark::State& state) {
    BF_KEY key;
    BF_set_key(&key, sizeof kKey, kKey);
    Bytes buf(bench_data().begin(), bench_data().begin() + kCipherBytes);
    for (auto _ : state) {
        for (std::size_t i = 0; i < buf.size(); i += 8) BF_ecb_encrypt(buf.data() + i, buf.data() + i, &key, BF_ENCRYPT);
        benchmark::DoNotOptimize(buf.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * buf.size()));
}

void crc32_ours(benchmark::State& state) {
    const Bytes& d = bench_data();
    for (auto _ : state) benchmark::DoNotOptimize(decomp::crc32_update(0, d.data(), d.size()));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * d.size()));
}

void crc32_zlib(benchmark::State& state) {
    const Bytes& d = bench_data();
    for (auto _ : state) benchmark::DoNotOptimize(::crc32(0, d.data(), static_cast<uInt>(d.size())));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * d.size()));
}

// Keeps the console table and remembers each benchmark's time for the ratios.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const auto& run : runs)
            if (run.run_type == Run::RT_Iteration && !run.error_occurred) {
                auto& t = times_[run.benchmark_name()];
                const double v = run.GetAdjustedCPUTime();  // single-threaded: CPU time is steadier on a busy machine
                t = t == 0 ? v : std::min(t, v);
            }
        ConsoleReporter::ReportRuns(runs);
    }
    void print_ratio(const std::string& ours, const std::string& reference) const {
        const auto a = times_.find(ours), b = times_.find(reference);
        if (a == times_.end() || b == times_.end()) return;
        std::printf("%-28s speed ratio ours / %-22s = %.2f\n", ours.c_str(), reference.c_str(), b->second / a->second);
    }

private:
    std::map<std::string, double> times_;
};

}  // namespace

int main(int argc, char** argv) {
    for (int level : {9, 1}) {
        const std::string l = std::to_string(level);
        benchmark::RegisterBenchmark(("bzip2_decode/level" + l + "/ours").c_str(), bzip2_ours, level)->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("bzip2_decode/level" + l + "/libbz2").c_str(), bzip2_libbz2, level)->Unit(benchmark::kMillisecond);
    }
    benchmark::RegisterBenchmark("blowfish_ecb_1MB/ours", blowfish_ours)->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark("blowfish_ecb_1MB/openssl", blowfish_openssl)->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark("crc32_4MB/ours", crc32_ours)->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark("crc32_4MB/zlib", crc32_zlib)->Unit(benchmark::kMicrosecond);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    std::printf("data: %zu bytes; bzip2 -9: %zu bytes, -1: %zu bytes\n", bench_data().size(), compressed(9).size(),
                compressed(1).size());
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    for (int level : {9, 1}) {
        const std::string p = "bzip2_decode/level" + std::to_string(level) + "/";
        reporter.print_ratio(p + "ours", p + "libbz2");
    }
    reporter.print_ratio("blowfish_ecb_1MB/ours", "blowfish_ecb_1MB/openssl");
    reporter.print_ratio("crc32_4MB/ours", "crc32_4MB/zlib");
    benchmark::Shutdown();
    return 0;
}
