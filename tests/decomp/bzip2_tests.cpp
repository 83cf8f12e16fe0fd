// The bzip2 decoder on the reference samples, on streams from our own test encoder (every
// structural corner, several blocks and streams), and on malformed input of every kind.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "bzip2_test_util.h"
#include "decomp32/bzip2_decode.h"

namespace {

using namespace bztest;

Bytes text(const char* s) { return Bytes(s, s + std::strlen(s)); }

Bytes concat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

void expect_decodes_to(const Bytes& stream, const Bytes& expected, std::size_t chunk = 1 << 20) {
    const auto d = decode(stream, chunk);
    ASSERT_EQ(d.error, nullptr) << d.error;
    EXPECT_EQ(d.size, expected.size());
    EXPECT_TRUE(d.out == expected) << "output differs (" << d.out.size() << " vs " << expected.size() << " bytes)";
}

void expect_error(const Bytes& stream, const char* fragment) {
    const auto d = decode(stream);
    ASSERT_NE(d.error, nullptr) << "accepted a stream that should fail with: " << fragment;
    EXPECT_NE(std::strstr(d.error, fragment), nullptr) << "error was: " << d.error;
}

// ---- reference samples -------------------------------------------------------------

TEST(Bzip2Samples, DecodeToTheirReferences) {
    for (const char* name : {"sample1", "sample2", "sample3"}) {
        SCOPED_TRACE(name);
        const auto stream = read_file(testdata((std::string(name) + ".bz2").c_str()));
        const auto ref = read_file(testdata((std::string(name) + ".ref").c_str()));
        ASSERT_FALSE(stream.empty());
        ASSERT_FALSE(ref.empty());
        expect_decodes_to(stream, ref);
    }
}

TEST(Bzip2Samples, SmallReadsGiveTheSameOutput) {
    const auto s3 = read_file(testdata("sample3.bz2"));
    expect_decodes_to(s3, read_file(testdata("sample3.ref")), 1);
    const auto s2 = read_file(testdata("sample2.bz2"));
    expect_decodes_to(s2, read_file(testdata("sample2.ref")), 7);
    expect_decodes_to(s2, read_file(testdata("sample2.ref")), 4093);
}

TEST(Bzip2Samples, RandomisedBlocksFileHoldsTheTextOfSample1) {
    const auto stream = read_file(testdata("randomized-blocks.bin"));
    ASSERT_FALSE(stream.empty());
    ASSERT_EQ(stream[4 + 6 + 4] & 0x80, 0x80) << "first block is not marked randomised";
    expect_decodes_to(stream, read_file(testdata("sample1.ref")));
}

// ---- valid streams from the test encoder ---------------------------------------------

TEST(Bzip2Valid, EmptyStreamsAndTinyBlocks) {
    const auto empty = write_stream({}, 9);
    EXPECT_EQ(empty.size(), 14u);
    expect_decodes_to(empty, {});
    expect_decodes_to(concat({empty, write_stream({}, 1)}), {});
    expect_decodes_to(make_stream(text("x"), 1), text("x"));
    expect_decodes_to(make_stream(text("xyaaaa"), 1, {.skip_run_stage = true}), text("xyaaaa"));  // ends after 4 equal bytes
    Bytes all;
    for (int i = 0; i < 256; ++i) all.push_back(static_cast<std::uint8_t>(i));
    for (int i = 255; i >= 0; --i) all.push_back(static_cast<std::uint8_t>(i));
    expect_decodes_to(make_stream(all, 1), all);
}

TEST(Bzip2Valid, RunLengthsAroundTheRunStageLimits) {
    for (std::size_t len : {1, 2, 3, 4, 5, 6, 8, 200, 258, 259, 260, 261, 262, 263, 517, 518, 519, 1000, 5000}) {
        SCOPED_TRACE(len);
        const Bytes run(len, 'z');
        expect_decodes_to(make_stream(concat({text("ab"), run, text("cd")}), 1), concat({text("ab"), run, text("cd")}));
        expect_decodes_to(make_stream(run, 1), run);
        expect_decodes_to(make_stream(concat({run, text("q"), run}), 1), concat({run, text("q"), run}));
    }
}

TEST(Bzip2Valid, ManyTablesLongCodesSeveralBlocksAndStreams) {
    const Bytes a = mixed_data(30000, 1), b = mixed_data(20000, 2), c = mixed_data(5000, 3);
    for (unsigned groups = 2; groups <= 6; ++groups) {
        SCOPED_TRACE(groups);
        expect_decodes_to(make_stream(a, 1, {.groups = groups, .alternate_groups = true, .long_codes = true}), a);
    }
    const auto two_blocks = write_stream({plan_block(a, {.long_codes = true}), plan_block(b, {.groups = 3})}, 1);
    const auto third = make_stream(c, 9, {.groups = 5, .alternate_groups = true});
    expect_decodes_to(concat({two_blocks, write_stream({}, 4), third}), concat({a, b, c}));
    expect_decodes_to(concat({two_blocks, third}), concat({a, b, c}), 3);
}

TEST(Bzip2Valid, SelectorCountUpToTheFieldMaximum) {
    // Some encoders write more selectors than the symbols need; 32767 is the most the field holds.
    const Bytes data = mixed_data(3000, 4);
    auto plan = plan_block(data, {.groups = 3, .alternate_groups = true});
    plan.selector_mtf.resize(32767, 1);
    expect_decodes_to(write_stream({plan}, 1), data);
    plan.selector_mtf.back() = 3;  // even unused selectors must name an existing table
    expect_error(write_stream({plan}, 1), "selector out of range");
}

TEST(Bzip2Valid, IncompleteCodesAreAcceptedWhileTheirGapsAreNotUsed) {
    const Bytes data = text("incomplete codes leave room at the top");
    auto plan = plan_block(data);
    plan.lengths[0].assign(plan.lengths[0].size(), 8);
    expect_decodes_to(write_stream({plan}, 1), data);
    plan.symbols.insert(plan.symbols.begin() + 3, kRawOnes);
    expect_error(write_stream({plan}, 1), "bad Huffman code");
}

// ---- malformed streams -----------------------------------------------------------------

TEST(Bzip2Malformed, EmptyInputAndWrongHeaders) {
    expect_error({}, "input is empty");
    const auto good = make_stream(text("header checks"), 3);
    for (std::size_t i = 0; i < 3; ++i) {
        auto bad = good;
        bad[i] ^= 0x20;
        expect_error(bad, "not a bzip2 stream");
    }
    for (char digit : {'0', ':', 'a', '\xB9'}) {
        auto bad = good;
        bad[3] = static_cast<std::uint8_t>(digit);
        expect_error(bad, "bad block size");
    }
    auto bad = good;
    bad[4] ^= 1;  // block signature
    expect_error(bad, "bad block signature");
    expect_error(text("BZh"), "unexpected end");
}

TEST(Bzip2Malformed, EveryTruncationFails) {
    const auto s3 = read_file(testdata("sample3.bz2"));
    for (std::size_t len = 0; len < s3.size(); ++len) {
        const Bytes cut(s3.begin(), s3.begin() + static_cast<std::ptrdiff_t>(len));
        EXPECT_NE(decode(cut).error, nullptr) << "length " << len;
    }
    const auto s1 = read_file(testdata("sample1.bz2"));
    for (std::size_t len = 1; len < s1.size(); len += 509) {
        const Bytes cut(s1.begin(), s1.begin() + static_cast<std::ptrdiff_t>(len));
        EXPECT_NE(decode(cut, 1000).error, nullptr) << "length " << len;
    }
}

TEST(Bzip2Malformed, EveryFlippedBitFailsOrIsHarmless) {
    // A few flips are harmless: the block size digit (to a larger size), the final padding
    // bits, and a code length that no decoded symbol depends on. Any accepted flip must give
    // the original output, and such flips must be rare. Every bit of a small stream with two
    // blocks and several tables, and every fifth bit of a reference sample.
    const Bytes a = mixed_data(700, 8), b = mixed_data(300, 9);
    const auto small = write_stream({plan_block(a, {.groups = 3, .alternate_groups = true}),
                                     plan_block(b, {.alternate_groups = true})},
                                    1);
    const auto sample = read_file(testdata("sample3.bz2"));
    struct Case {
        const Bytes& stream;
        Bytes ref;
        std::size_t step;
    } cases[] = {{small, concat({a, b}), 1}, {sample, read_file(testdata("sample3.ref")), 5}};
    for (const auto& c : cases) {
        std::size_t flips = 0, accepted = 0;
        bool level_digit_accepted = false;
        for (std::size_t bit = 0; bit < c.stream.size() * 8; bit += c.step, ++flips) {
            auto bad = c.stream;
            bad[bit / 8] ^= static_cast<std::uint8_t>(0x80 >> (bit % 8));
            const auto d = decode(bad);
            if (d.error) continue;
            ++accepted;
            level_digit_accepted |= bit / 8 == 3;
            EXPECT_TRUE(d.out == c.ref) << "flip at bit " << bit << " changed the output";
        }
        EXPECT_LT(accepted * 100, flips) << accepted << " of " << flips << " flips accepted";
        if (c.step == 1) {
            EXPECT_TRUE(level_digit_accepted) << "a larger block size should be accepted";
        }
    }
}

TEST(Bzip2Malformed, CrcMismatches) {
    const Bytes data = mixed_data(4000, 5);
    auto plan = plan_block(data);
    plan.crc ^= 0x00010000;
    expect_error(write_stream({plan}, 1), "block CRC mismatch");
    const std::uint32_t wrong = bzip2_crc(data) ^ 1;
    expect_error(write_stream({plan_block(data)}, 1, &wrong), "stream CRC mismatch");
}

TEST(Bzip2Malformed, BadTablesAndSelectors) {
    const Bytes data = mixed_data(2000, 6);
    const auto good = plan_block(data, {.groups = 3, .alternate_groups = true});
    auto p = good;
    p.selector_mtf[1] = 3;
    expect_error(write_stream({p}, 1), "selector out of range");
    p = good;
    p.groups = 1;
    p.lengths.resize(1);
    expect_error(write_stream({p}, 1), "bad number of Huffman tables");
    p = good;
    p.groups = 7;
    expect_error(write_stream({p}, 1), "bad number of Huffman tables");
    p = good;
    p.selector_mtf.clear();
    expect_error(write_stream({p}, 1), "no selectors");
    p = good;
    p.lengths[1][5] = 0;
    expect_error(write_stream({p}, 1), "bad Huffman code length");
    p = good;
    p.lengths[2][0] = 21;
    expect_error(write_stream({p}, 1), "bad Huffman code length");
    p = good;
    p.lengths[0].assign(p.lengths[0].size(), 1);  // over-subscribed
    expect_error(write_stream({p}, 1), "bad Huffman code");
    expect_error(write_stream({plan_block({})}, 1), "no byte values");
}

TEST(Bzip2Malformed, BadSymbolsAndBlockSizes) {
    const Bytes data = text("symbols and sizes");
    const auto good = plan_block(data);
    auto p = good;
    p.origin = static_cast<std::uint32_t>(data.size());
    expect_error(write_stream({p}, 1), "bad origin pointer");
    p.origin = 0xFFFFFF;
    expect_error(write_stream({p}, 1), "bad origin pointer");

    p = good;  // a run of 2^18 - 2 bytes does not fit a 100k block
    p.symbols.insert(p.symbols.begin(), 17, 1);
    p.selector_mtf.resize((p.symbols.size() + 49) / 50, 0);
    expect_error(write_stream({p}, 1), "block longer than its size");
    p = good;
    p.symbols.insert(p.symbols.begin(), 40, 0);
    p.selector_mtf.resize((p.symbols.size() + 49) / 50, 0);
    expect_error(write_stream({p}, 9), "run longer than the block");

    p = good;  // no end-of-block symbol before the selectors run out
    p.symbols.pop_back();
    while (p.symbols.size() % 50) p.symbols.push_back(2);
    expect_error(write_stream({p}, 1), "more symbols than selectors");

    // 100001 literal bytes in a block of 100000.
    p = good;
    p.symbols.assign(100001, 2);
    p.symbols.push_back(static_cast<unsigned>(p.lengths[0].size() - 1));
    p.selector_mtf.assign((p.symbols.size() + 49) / 50, 0);
    expect_error(write_stream({p}, 1), "block longer than its size");
    expect_decodes_to(write_stream({good}, 1), data);
}

TEST(Bzip2Malformed, DataAfterTheStream) {
    const auto good = make_stream(text("trailing"), 2);
    expect_error(concat({good, text("junk")}), "data after the end");
    expect_error(concat({good, text("BZh9")}), "unexpected end");
    expect_error(concat({good, Bytes{0}}), "data after the end");
}

// ---- the callbacks ---------------------------------------------------------------------

struct CountingSink {
    int calls = 0;
    int fail_at = 1;
};

bool failing_write(void* ctx, const std::uint8_t*, std::size_t) {
    auto* s = static_cast<CountingSink*>(ctx);
    return ++s->calls < s->fail_at;
}

struct FlakySource {
    const Bytes* data;
    std::size_t pos = 0, fail_at = 0;
};

std::size_t flaky_read(void* ctx, std::uint8_t* buf, std::size_t n) {
    auto* s = static_cast<FlakySource*>(ctx);
    if (s->pos >= s->data->size()) return 0;
    if (s->pos >= s->fail_at) return decomp::kReadError;
    n = std::min({n, s->fail_at - s->pos, std::size_t{1000}});
    std::memcpy(buf, s->data->data() + s->pos, n);
    s->pos += n;
    return n;
}

bool discard(void*, const std::uint8_t*, std::size_t) { return true; }

TEST(Bzip2Callbacks, AFailedWriteStopsTheDecoder) {
    const auto stream = read_file(testdata("sample1.bz2"));
    for (int fail_at : {1, 2}) {
        FlakySource src{&stream, 0, stream.size()};
        CountingSink sink{0, fail_at};
        std::uint64_t size = 0;
        const char* error = decomp::bzip2_decompress(flaky_read, &src, failing_write, &sink, &size);
        ASSERT_NE(error, nullptr);
        EXPECT_NE(std::strstr(error, "could not be written"), nullptr) << error;
        EXPECT_EQ(sink.calls, fail_at);
    }
}

TEST(Bzip2Callbacks, AReadErrorIsReportedAsSuch) {
    const auto stream = read_file(testdata("sample2.bz2"));
    for (std::size_t fail_at : {std::size_t{0}, std::size_t{2}, std::size_t{5000}, stream.size() - 1}) {
        FlakySource src{&stream, 0, fail_at};
        std::uint64_t size = 12345;
        const char* error = decomp::bzip2_decompress(flaky_read, &src, discard, nullptr, &size);
        ASSERT_NE(error, nullptr) << "failing at " << fail_at;
        EXPECT_NE(std::strstr(error, "read error"), nullptr) << error;
        EXPECT_LT(size, 212340u);
    }
    EXPECT_NE(decomp::bzip2_decompress(nullptr, nullptr, discard, nullptr), nullptr);
}

}  // namespace
