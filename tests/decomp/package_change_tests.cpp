// Kind 1 change streams: kvrpack's encoder and the library's streaming applier.
#include <random>

#include <gtest/gtest.h>

#include "decomp32/crc32.h"
#include "decomp32/package_change.h"
#include "decomp32/package_format.h"
#include "package_test_support.h"
#include "tools/kvrpack/package_writer.h"

namespace {

using pkgtest::Bytes;

Bytes random_bytes(std::size_t n, std::uint32_t seed) {
    std::mt19937 rng(seed);
    Bytes b(n);
    for (auto& x : b) x = std::uint8_t(rng());
    return b;
}

struct Applied {
    const char* error = nullptr;
    Bytes out;
};

bool collect(void* ctx, const std::uint8_t* data, std::size_t n) {
    auto* out = static_cast<Bytes*>(ctx);
    out->insert(out->end(), data, data + n);
    return true;
}

// Feeds `change` in pieces of varying size to an applier over `old_data`.
Applied apply_change(const Bytes& old_data, const Bytes& change, std::uint32_t seed = 1, std::size_t scratch = 64) {
    pkgtest::MemoryFs fs;
    fs.files["old"] = old_data;
    const decomp::FileOps ops = fs.ops();
    bool missing = false;
    void* old_file = ops.open_read(ops.ctx, "old", &missing);
    Bytes buffer(scratch);
    Applied result;
    decomp::ChangeApplier a;
    decomp::change_begin(a, ops, old_file, collect, &result.out, buffer.data(), buffer.size());
    std::mt19937 rng(seed);
    for (std::size_t at = 0; at < change.size() && !result.error;) {
        const std::size_t n = std::min<std::size_t>(1 + rng() % 97, change.size() - at);
        result.error = decomp::change_feed(a, change.data() + at, n);
        at += n;
    }
    if (!result.error) result.error = decomp::change_finish(a);
    ops.close_read(old_file);
    return result;
}

TEST(PackageChangeTest, EncoderAndApplierRoundTrip) {
    const Bytes base = random_bytes(50000, 1);
    struct Case {
        const char* what;
        Bytes old_data, new_data;
    };
    std::vector<Case> cases;
    cases.push_back({"same", base, base});
    Bytes inserted = base;
    inserted.insert(inserted.begin() + 20000, 777, 0x5A);
    cases.push_back({"insert", base, inserted});
    Bytes removed = base;
    removed.erase(removed.begin() + 1000, removed.begin() + 9000);
    cases.push_back({"delete", base, removed});
    Bytes moved(base.begin() + 25000, base.end());
    moved.insert(moved.end(), base.begin(), base.begin() + 25000);
    cases.push_back({"swap halves", base, moved});
    Bytes sprinkled = base;
    for (std::size_t i = 0; i < sprinkled.size(); i += 1234) sprinkled[i] ^= 0xFF;
    cases.push_back({"scattered bytes", base, sprinkled});
    cases.push_back({"unrelated", base, random_bytes(30000, 2)});
    cases.push_back({"from empty", {}, base});
    cases.push_back({"to empty", base, {}});
    cases.push_back({"tiny", {1, 2, 3}, {3, 2, 1, 0}});

    for (const Case& c : cases) {
        const Bytes change = kvrpack::make_change(c.old_data, c.new_data);
        const Applied r = apply_change(c.old_data, change);
        ASSERT_EQ(r.error, nullptr) << c.what << ": " << r.error;
        EXPECT_EQ(r.out, c.new_data) << c.what;
        const Applied literal = apply_change(c.old_data, pkgtest::literal_change(c.old_data, c.new_data), 2, 7);
        ASSERT_EQ(literal.error, nullptr) << c.what;
        EXPECT_EQ(literal.out, c.new_data) << c.what;
    }
}

TEST(PackageChangeTest, EncoderCopiesWhatItCan) {
    const Bytes base = random_bytes(200000, 3);
    Bytes edited = base;
    edited.insert(edited.begin() + 100000, {'n', 'e', 'w'});
    const Bytes change = kvrpack::make_change(base, edited);
    EXPECT_LT(change.size(), 200u);  // two copies and a few added bytes
}

TEST(PackageChangeTest, RefusesAnotherOldFile) {
    const Bytes old_data = random_bytes(5000, 4), new_data = random_bytes(6000, 5);
    const Bytes change = kvrpack::make_change(old_data, new_data);
    Bytes shorter(old_data.begin(), old_data.end() - 1);
    Bytes changed = old_data;
    changed[4000] ^= 1;
    EXPECT_NE(apply_change(shorter, change).error, nullptr);
    EXPECT_NE(apply_change(changed, change).error, nullptr);
}

// A hand-made stream over a 100-byte old file that promises `new_size` bytes.
Bytes stream(std::uint32_t new_size, std::uint32_t new_crc, const Bytes& commands, const Bytes& old_data) {
    Bytes s = {'K', 'V', 'C', 'H'};
    auto put = [&](std::uint32_t v) {
        for (int i = 0; i < 4; ++i) s.push_back(std::uint8_t(v >> (8 * i)));
    };
    put(std::uint32_t(old_data.size()));
    put(decomp::crc32_update(0, old_data.data(), old_data.size()));
    put(new_size);
    put(new_crc);
    s.insert(s.end(), commands.begin(), commands.end());
    return s;
}

TEST(PackageChangeTest, MalformedStreamsAreErrors) {
    const Bytes old_data = random_bytes(100, 6);
    const Bytes first10(old_data.begin(), old_data.begin() + 10);
    const std::uint32_t crc10 = decomp::crc32_update(0, first10.data(), 10);
    // copy 0..10, end: the good case.
    const Bytes copy10 = {1, 0, 0, 0, 0, 10, 0, 0, 0};
    Bytes good = copy10;
    good.push_back(0);
    const Applied ok = apply_change(old_data, stream(10, crc10, good, old_data));
    ASSERT_EQ(ok.error, nullptr);
    EXPECT_EQ(ok.out, first10);

    Bytes bad_signature = stream(10, crc10, good, old_data);
    bad_signature[0] = 'X';
    EXPECT_NE(apply_change(old_data, bad_signature).error, nullptr);
    EXPECT_NE(apply_change(old_data, stream(10, crc10, copy10, old_data)).error, nullptr);  // no end
    Bytes trailing = good;
    trailing.push_back(0);
    EXPECT_NE(apply_change(old_data, stream(10, crc10, trailing, old_data)).error, nullptr);
    EXPECT_NE(apply_change(old_data, stream(10, crc10, {7, 0}, old_data)).error, nullptr);  // unknown command
    EXPECT_NE(apply_change(old_data, stream(10, crc10, {1, 95, 0, 0, 0, 10, 0, 0, 0, 0}, old_data)).error, nullptr);
    EXPECT_NE(apply_change(old_data, stream(10, crc10, {1, 0xFF, 0xFF, 0xFF, 0xFF, 2, 0, 0, 0, 0}, old_data)).error,
              nullptr);  // offset + length wraps
    EXPECT_NE(apply_change(old_data, stream(9, crc10, good, old_data)).error, nullptr);   // longer than promised
    EXPECT_NE(apply_change(old_data, stream(11, crc10, good, old_data)).error, nullptr);  // shorter than promised
    EXPECT_NE(apply_change(old_data, stream(10, crc10 ^ 1, good, old_data)).error, nullptr);
    EXPECT_NE(apply_change(old_data, stream(10, crc10, {2, 0xFF, 0xFF, 0xFF, 0x7F, 1, 2, 3}, old_data)).error, nullptr);
    EXPECT_NE(apply_change(old_data, Bytes{'K', 'V', 'C'}).error, nullptr);  // header cut short
}

}  // namespace
