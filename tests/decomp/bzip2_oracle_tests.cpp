// The bzip2 decoder against other implementations: streams written at test time by the
// bzip2, lbzip2 and pbzip2 programs and by libbz2, and libbz2's own decoding as the oracle.
#include <bzlib.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>

#include "bzip2_test_util.h"

extern "C" {
extern int BZ2_rNums[512];  // libbz2 exports its table of the randomised blocks
}

namespace {

using namespace bztest;

std::string work_dir() {
    const char* base = std::getenv("KVR_TMP");
    std::string dir = std::string(base ? base : KVR_BINARY_DIR "/testtmp") + "/codec-" + std::to_string(getpid());
    std::filesystem::create_directories(dir);
    return dir;
}

bool write_file(const std::string& path, const Bytes& data) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const bool ok = std::fwrite(data.data(), 1, data.size(), f) == data.size();
    return std::fclose(f) == 0 && ok;
}

// Runs `command` with `data` on standard input and returns what it wrote.
Bytes run_filter(const std::string& command, const Bytes& data) {
    const std::string dir = work_dir();
    const std::string in = dir + "/in", out = dir + "/out";
    EXPECT_TRUE(write_file(in, data));
    EXPECT_EQ(std::system((command + " < '" + in + "' > '" + out + "'").c_str()), 0) << command;
    Bytes result = read_file(out);
    std::filesystem::remove_all(dir);
    return result;
}

// libbz2's decoding of one or more concatenated streams; `ok` false on any error.
Bytes libbz2_decode(const Bytes& in, bool& ok) {
    Bytes out;
    std::size_t pos = 0;
    ok = true;
    while (ok && pos < in.size()) {
        bz_stream s{};
        if (BZ2_bzDecompressInit(&s, 0, 0) != BZ_OK) return ok = false, out;
        s.next_in = reinterpret_cast<char*>(const_cast<std::uint8_t*>(in.data() + pos));
        s.avail_in = static_cast<unsigned>(in.size() - pos);
        int rc;
        do {
            char buf[65536];
            s.next_out = buf;
            s.avail_out = sizeof buf;
            rc = BZ2_bzDecompress(&s);
            out.insert(out.end(), buf, buf + (sizeof buf - s.avail_out));
        } while (rc == BZ_OK && (s.avail_in > 0 || s.avail_out == 0));
        ok = rc == BZ_STREAM_END;
        pos = in.size() - s.avail_in;
        BZ2_bzDecompressEnd(&s);
    }
    return out;
}

Bytes libbz2_compress(const Bytes& data, int level, int work_factor = 30) {
    Bytes out(data.size() + data.size() / 100 + 700);
    auto len = static_cast<unsigned>(out.size());
    const int rc = BZ2_bzBuffToBuffCompress(reinterpret_cast<char*>(out.data()), &len,
                                            reinterpret_cast<char*>(const_cast<std::uint8_t*>(data.data())),
                                            static_cast<unsigned>(data.size()), level, 0, work_factor);
    EXPECT_EQ(rc, BZ_OK);
    out.resize(rc == BZ_OK ? len : 0);
    return out;
}

std::size_t count_streams(const Bytes& s) {
    std::size_t n = 0;
    for (std::size_t i = 0; i + 10 <= s.size(); ++i)
        if (s[i] == 'B' && s[i + 1] == 'Z' && s[i + 2] == 'h' && s[i + 4] == 0x31 && s[i + 5] == 0x41 && s[i + 6] == 0x59) ++n;
    return n;
}

void expect_decodes_to(const Bytes& stream, const Bytes& expected) {
    const auto d = decode(stream);
    ASSERT_EQ(d.error, nullptr) << d.error;
    EXPECT_EQ(d.size, expected.size());
    EXPECT_TRUE(d.out == expected) << "output differs (" << d.out.size() << " vs " << expected.size() << " bytes)";
}

TEST(Bzip2Programs, BzipAtEveryLevel) {
    const Bytes data = mixed_data(1'100'000, 11);
    for (int level = 1; level <= 9; ++level) {
        SCOPED_TRACE(level);
        const auto stream = run_filter("bzip2 -c -" + std::to_string(level), data);
        ASSERT_GT(stream.size(), 4u);
        EXPECT_EQ(stream[3], '0' + level);
        expect_decodes_to(stream, data);
    }
}

TEST(Bzip2Programs, ParallelCompressorsAndConcatenation) {
    const Bytes data = mixed_data(1'300'000, 12);
    const auto lbz = run_filter("lbzip2 -c -n 2 -9", data);
    expect_decodes_to(lbz, data);
    expect_decodes_to(run_filter("lbzip2 -c -n 2 -1", data), data);
    const auto pbz = run_filter("pbzip2 -c -p2 -b1 -9", data);
    EXPECT_GE(count_streams(pbz), 10u) << "pbzip2 should write one stream per 100k chunk";
    expect_decodes_to(pbz, data);

    const auto empty = run_filter("bzip2 -c", {});
    EXPECT_EQ(empty.size(), 14u);
    expect_decodes_to(empty, {});
    const Bytes one{0x5A};
    const auto one_stream = run_filter("bzip2 -c -1", one);
    expect_decodes_to(one_stream, one);
    Bytes all = empty;
    for (const auto* part : {&one_stream, &lbz, &empty, &pbz}) all.insert(all.end(), part->begin(), part->end());
    Bytes expected = one;
    expected.insert(expected.end(), data.begin(), data.end());
    expected.insert(expected.end(), data.begin(), data.end());
    expect_decodes_to(all, expected);
}

TEST(Bzip2Libbz2, RandomRunsAndPeriodicDataAtEveryLevel) {
    std::mt19937 rng(13);
    Bytes random(150'000), periodic(300'000), runs;
    for (auto& b : random) b = static_cast<std::uint8_t>(rng());
    for (std::size_t i = 0; i < periodic.size(); ++i) periodic[i] = "ab"[i % 2];
    while (runs.size() < 1'000'000) runs.insert(runs.end(), 1 + rng() % 3000, static_cast<std::uint8_t>(rng() % 3));
    Bytes mixed = mixed_data(250'000, 14);
    for (int level = 1; level <= 9; ++level) {
        SCOPED_TRACE(level);
        for (const Bytes* data : {&random, &periodic, &runs, &mixed}) expect_decodes_to(libbz2_compress(*data, level), *data);
    }
    const Bytes same(3'000'000, 0xEE);  // one long run: 259-byte pieces through every stage
    expect_decodes_to(libbz2_compress(same, 9, 0), same);
    expect_decodes_to(libbz2_compress(same, 1, 250), same);
}

TEST(Bzip2Libbz2, AgreesOnTheRandomisedBlocksFile) {
    const auto stream = read_file(testdata("randomized-blocks.bin"));
    bool ok = false;
    const auto expected = libbz2_decode(stream, ok);
    ASSERT_TRUE(ok);
    expect_decodes_to(stream, expected);
}

TEST(Bzip2Libbz2, RandomisedBlocksUsingTheWholeTable) {
    // The flip gaps average about 500, so 330k bytes cycle through all 512 entries: a wrong
    // entry anywhere would corrupt the output.
    long gaps = 0;
    for (int g : BZ2_rNums) gaps += g;
    std::mt19937 rng(15);
    Bytes data(330'000);
    for (auto& b : data) b = static_cast<std::uint8_t>('a' + rng() % 16);
    ASSERT_GT(static_cast<long>(data.size()), gaps + 1000);
    const auto stream = make_stream(data, 4, {.random_gaps = BZ2_rNums});
    bool ok = false;
    EXPECT_TRUE(libbz2_decode(stream, ok) == data);
    EXPECT_TRUE(ok);
    expect_decodes_to(stream, data);
}

TEST(Bzip2Libbz2, AgreesOnTestEncoderStreams) {
    // Long codes, many tables, incomplete codes: libbz2 reads these the same way we do.
    const Bytes a = mixed_data(50'000, 16), b = mixed_data(9000, 17);
    auto incomplete = plan_block(b);
    incomplete.lengths[0].assign(incomplete.lengths[0].size(), 9);
    const auto stream = write_stream(
        {plan_block(a, {.groups = 6, .alternate_groups = true, .long_codes = true}), incomplete}, 1);
    bool ok = false;
    Bytes expected = a;
    expected.insert(expected.end(), b.begin(), b.end());
    EXPECT_TRUE(libbz2_decode(stream, ok) == expected);
    EXPECT_TRUE(ok);
    expect_decodes_to(stream, expected);
}

TEST(Bzip2Libbz2, RejectsWhatLibbz2RejectsOnTruncation) {
    const auto stream = libbz2_compress(mixed_data(20'000, 18), 1);
    for (std::size_t len = 0; len < stream.size(); len += 37) {
        const Bytes cut(stream.begin(), stream.begin() + static_cast<std::ptrdiff_t>(len));
        bool ok = true;
        libbz2_decode(cut, ok);
        EXPECT_FALSE(ok && !cut.empty()) << "libbz2 accepted a cut at " << len;
        EXPECT_NE(decode(cut).error, nullptr) << "cut at " << len;
    }
}

}  // namespace
