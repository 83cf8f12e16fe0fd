// CRC-32 (zip/zlib flavour): published check values, chaining, and zlib as an oracle.
#include "decomp32/crc32.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#ifdef KVR_CODEC_ORACLES
#include <zlib.h>
#endif

namespace {

std::uint32_t crc_of(const char* text) {
    return decomp::crc32_update(0, reinterpret_cast<const std::uint8_t*>(text), std::strlen(text));
}

TEST(Crc32, PublishedCheckValues) {
    EXPECT_EQ(crc_of("123456789"), 0xCBF43926u);
    EXPECT_EQ(crc_of("The quick brown fox jumps over the lazy dog"), 0x414FA339u);
    EXPECT_EQ(crc_of("a"), 0xE8B7BE43u);
    EXPECT_EQ(crc_of(""), 0u);
    const std::uint8_t zeros[4] = {};
    EXPECT_EQ(decomp::crc32_update(0, zeros, 4), 0x2144DF1Cu);
}

TEST(Crc32, FeedingInPiecesGivesTheSameSum) {
    std::vector<std::uint8_t> data(5000);
    std::mt19937 rng(7);
    for (auto& b : data) b = static_cast<std::uint8_t>(rng());
    const std::uint32_t whole = decomp::crc32_update(0, data.data(), data.size());
    for (std::size_t split : {std::size_t{0}, std::size_t{1}, std::size_t{17}, std::size_t{4096}, data.size()}) {
        std::uint32_t crc = decomp::crc32_update(0, data.data(), split);
        crc = decomp::crc32_update(crc, data.data() + split, data.size() - split);
        EXPECT_EQ(crc, whole) << "split at " << split;
    }
    // Every single-bit change must show.
    data[2500] ^= 0x10;
    EXPECT_NE(decomp::crc32_update(0, data.data(), data.size()), whole);
}

#ifdef KVR_CODEC_ORACLES
TEST(Crc32, AgreesWithZlibOnRandomData) {
    std::mt19937 rng(12345);
    for (int round = 0; round < 50; ++round) {
        std::vector<std::uint8_t> data(rng() % 70000);
        for (auto& b : data) b = static_cast<std::uint8_t>(rng());
        const std::uint32_t start = round % 3 == 0 ? 0 : static_cast<std::uint32_t>(rng());
        const auto expected = static_cast<std::uint32_t>(::crc32(start, data.data(), static_cast<uInt>(data.size())));
        EXPECT_EQ(decomp::crc32_update(start, data.data(), data.size()), expected) << "round " << round;
    }
}
#endif

}  // namespace
