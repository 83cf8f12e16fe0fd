// KVR_ZPL.DAT images: how entries load, how the save packs and counts, and how short and
// long input are handled.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "editor/data/kvr_file.h"

namespace kvr {
namespace {

using Image = std::vector<std::uint8_t>;

Image zero_image() { return Image(kFileSize, 0); }

std::size_t entry_offset(int tile, int slot) {
    return static_cast<std::size_t>(tile) * kTileBlockSize + kTileHeaderSize +
           static_cast<std::size_t>(slot) * kEntrySize;
}

void put_entry(Image& img, int tile, int entry, std::uint8_t type, std::uint8_t orientation, std::uint8_t x,
               std::uint8_t y) {
    std::uint8_t* e = img.data() + entry_offset(tile, entry);
    e[0] = type;
    e[3] = orientation;
    e[4] = x;
    e[8] = y;
}

std::uint8_t& count_byte(Image& img, int tile) { return img[static_cast<std::size_t>(tile) * kTileBlockSize + 16]; }

ObjectTable parse(const Image& img) {
    ObjectTable t;
    std::string reason;
    EXPECT_TRUE(parse_file_image(img.data(), img.size(), t, reason)) << reason;
    return t;
}

ObjectRecord rec(std::uint8_t type, std::uint8_t orientation, std::uint8_t x, std::uint8_t y, bool in_use = true) {
    return {type, orientation, x, y, in_use};
}

// The bytes of an entry that the file layout leaves unused.
std::vector<int> skipped_entry_bytes() {
    std::vector<int> v = {1, 2, 5, 6, 7};
    for (int b = 9; b < 80; ++b) v.push_back(b);
    return v;
}

TEST(KvrFileLayout, SizesAndOffsets) {
    EXPECT_EQ(kFileSize, 303260u);
    EXPECT_EQ(kTileBlockSize, 20u + 64u * 80u);
    EXPECT_EQ(entry_offset(58, 63), 58u * 5140u + 20u + 63u * 80u);
    EXPECT_EQ(entry_offset(58, 63) + kEntrySize, kFileSize);
}

TEST(KvrFileLoad, AllZeroFileHasNoObjectAndSavesAsZeros) {
    const Image img = zero_image();
    ObjectTable t = parse(img);
    for (int tile = 0; tile < kTileCount; ++tile) {
        EXPECT_EQ(t.tile(tile).object_count, 0);
        for (int k = 0; k < kSlotCount; ++k) ASSERT_FALSE(t.object(tile, k).in_use) << tile << "/" << k;
    }
    EXPECT_EQ(build_save_image(t), img);
}

TEST(KvrFileLoad, SkippedBytesAloneLeaveAnEntryNotInUse) {
    for (int b : skipped_entry_bytes()) {
        Image img = zero_image();
        img[entry_offset(7, 12) + static_cast<std::size_t>(b)] = 0xA5;
        const ObjectTable t = parse(img);
        EXPECT_FALSE(t.object(7, 12).in_use) << "byte " << b;
        EXPECT_EQ(t.object(7, 12), ObjectRecord{}) << "byte " << b;
    }
    // Nor do the skipped header bytes reach the table.
    Image img = zero_image();
    for (int b : {0, 5, 15, 17, 18, 19}) img[3 * kTileBlockSize + static_cast<std::size_t>(b)] = 0xFF;
    EXPECT_EQ(parse(img), ObjectTable{});
}

TEST(KvrFileLoad, AnyOneOfTheFourValuesMakesAnObject) {
    struct Case {
        const char* field;
        std::size_t offset;
        ObjectRecord expected;
    };
    const Case cases[] = {
        {"type", 0, rec(9, 0, 0, 0)},
        {"orientation", 3, rec(0, 9, 0, 0)},
        {"x", 4, rec(0, 0, 9, 0)},
        {"y", 8, rec(0, 0, 0, 9)},
    };
    for (const Case& c : cases) {
        Image img = zero_image();
        img[entry_offset(20, 33) + c.offset] = 9;
        const ObjectTable t = parse(img);
        EXPECT_EQ(t.object(20, 33), c.expected) << c.field;
        EXPECT_FALSE(t.object(20, 32).in_use);
        EXPECT_FALSE(t.object(20, 34).in_use);
    }
}

TEST(KvrFileLoad, ReadsEveryEntryIntoItsOwnSlotWhateverTheCount) {
    Image img = zero_image();
    put_entry(img, 0, 0, 72, 255, 1, 254);
    put_entry(img, 58, 63, 200, 128, 255, 0);  // a type beyond the type list is kept as it is
    put_entry(img, 31, 50, 5, 6, 7, 8);
    count_byte(img, 31) = 7;  // disagrees with the single entry the tile holds
    const ObjectTable t = parse(img);
    EXPECT_EQ(t.object(0, 0), rec(72, 255, 1, 254));
    EXPECT_EQ(t.object(58, 63), rec(200, 128, 255, 0));
    EXPECT_EQ(t.object(31, 50), rec(5, 6, 7, 8));
    EXPECT_EQ(t.tile(31).object_count, 7);
    EXPECT_EQ(t.tile(0).object_count, 0);

    // The save writes the recomputed count and moves the entry down to entry 0.
    ObjectTable copy = t;
    const Image saved = build_save_image(copy);
    EXPECT_EQ(copy.tile(31).object_count, 1);
    EXPECT_EQ(saved[31 * kTileBlockSize + 16], 1);
    EXPECT_EQ(saved[entry_offset(31, 0)], 5);
    EXPECT_EQ(saved[entry_offset(31, 50)], 0);
}

TEST(KvrFileSave, SlotsThreeAndTenBecomeEntriesZeroAndOne) {
    ObjectTable t;
    t.object(4, 3) = rec(17, 64, 100, 120);
    t.object(4, 10) = rec(32, 192, 30, 40);
    const Image img = build_save_image(t);
    EXPECT_EQ(t.tile(4).object_count, 2);

    Image expected = zero_image();
    count_byte(expected, 4) = 2;
    put_entry(expected, 4, 0, 17, 64, 100, 120);
    put_entry(expected, 4, 1, 32, 192, 30, 40);
    EXPECT_EQ(img, expected);
}

TEST(KvrFileSave, SlotsOneFiveAndSixtyThreeReadBackAsZeroOneTwo) {
    ObjectTable t;
    t.object(12, 1) = rec(1, 2, 3, 4);
    t.object(12, 5) = rec(5, 6, 7, 8);
    t.object(12, 63) = rec(9, 10, 11, 12);
    const Image img = build_save_image(t);
    EXPECT_EQ(img[12 * kTileBlockSize + 16], 3);

    const ObjectTable back = parse(img);
    EXPECT_EQ(back.object(12, 0), rec(1, 2, 3, 4));
    EXPECT_EQ(back.object(12, 1), rec(5, 6, 7, 8));
    EXPECT_EQ(back.object(12, 2), rec(9, 10, 11, 12));
    for (int k = 3; k < kSlotCount; ++k) EXPECT_FALSE(back.object(12, k).in_use) << k;
    EXPECT_EQ(back.tile(12).object_count, 3);
}

TEST(KvrFileSave, OnlyTheInUseFlagDecidesWhatIsWritten) {
    ObjectTable t;
    t.object(0, 0) = rec(40, 50, 60, 70, false);  // cleared in-use box: dropped, values and all
    t.object(0, 2) = rec(0, 0, 0, 0, true);       // marked in use with nothing set: counted, all zeros
    t.object(0, 5) = rec(8, 9, 10, 11, true);
    const Image img = build_save_image(t);
    EXPECT_EQ(t.tile(0).object_count, 2);
    EXPECT_EQ(img[16], 2);
    Image expected = zero_image();
    count_byte(expected, 0) = 2;
    put_entry(expected, 0, 1, 8, 9, 10, 11);  // entry 0 is the all-zero object
    EXPECT_EQ(img, expected);

    const ObjectTable back = parse(img);
    EXPECT_FALSE(back.object(0, 0).in_use);  // the all-zero object reads back as not in use
    EXPECT_EQ(back.object(0, 1), rec(8, 9, 10, 11));
    EXPECT_EQ(back.tile(0).object_count, 2);
}

TEST(KvrFileSave, FullTileCountsSixtyFour) {
    ObjectTable t;
    for (int k = 0; k < kSlotCount; ++k) t.object(58, k) = rec(static_cast<std::uint8_t>(k + 1), 1, 2, 3);
    const Image img = build_save_image(t);
    EXPECT_EQ(img[58 * kTileBlockSize + 16], 64);
    EXPECT_EQ(parse(img), t);
}

TEST(KvrFileSave, SkippedBytesComeOutZero) {
    std::mt19937 gen(7);
    Image noisy(kFileSize);
    for (auto& b : noisy) b = static_cast<std::uint8_t>(gen());
    ObjectTable t = parse(noisy);
    const Image img = build_save_image(t);
    for (int tile = 0; tile < kTileCount; ++tile) {
        const std::size_t base = static_cast<std::size_t>(tile) * kTileBlockSize;
        for (std::size_t b : {0u, 7u, 15u, 17u, 18u, 19u}) ASSERT_EQ(img[base + b], 0) << tile;
        for (int k = 0; k < kSlotCount; ++k)
            for (int b : skipped_entry_bytes()) ASSERT_EQ(img[entry_offset(tile, k) + static_cast<std::size_t>(b)], 0);
    }
}

// A table like one a user edits: random values, random in-use flags, some all-zero objects.
ObjectTable random_table(unsigned seed) {
    std::mt19937 gen(seed);
    ObjectTable t;
    for (int tile = 0; tile < kTileCount; ++tile) {
        t.tile(tile).object_count = static_cast<std::uint8_t>(gen());
        for (int k = 0; k < kSlotCount; ++k) {
            ObjectRecord& r = t.object(tile, k);
            if (gen() % 5 != 0) {
                r = rec(static_cast<std::uint8_t>(gen()), static_cast<std::uint8_t>(gen()),
                        static_cast<std::uint8_t>(gen()), static_cast<std::uint8_t>(gen()), gen() % 3 != 0);
            }
        }
    }
    return t;
}

// What a save followed by a load must give: each tile's in-use objects in slot order from
// slot 0, all-zero ones included as slots that are not in use.
ObjectTable packed(const ObjectTable& t) {
    ObjectTable out;
    for (int tile = 0; tile < kTileCount; ++tile) {
        int n = 0;
        for (int k = 0; k < kSlotCount; ++k) {
            ObjectRecord r = t.object(tile, k);
            if (!r.in_use) continue;
            r.in_use = (r.type | r.orientation | r.x | r.y) != 0;
            out.object(tile, n++) = r;
        }
        out.tile(tile).object_count = static_cast<std::uint8_t>(n);
    }
    return out;
}

TEST(KvrFileRoundTrip, SaveThenLoadGivesThePackedTable) {
    for (unsigned seed : {1u, 2u, 3u}) {
        ObjectTable t = random_table(seed);
        const ObjectTable expected = packed(t);
        const Image first = build_save_image(t);
        ObjectTable back = parse(first);
        EXPECT_EQ(back, expected) << "seed " << seed;
        // A second save of the loaded table changes nothing but dropping all-zero objects
        // from the counts; a third is stable.
        const Image second = build_save_image(back);
        ObjectTable again = parse(second);
        EXPECT_EQ(build_save_image(again), second) << "seed " << seed;
    }
}

TEST(KvrFileRoundTrip, PackedFileWithZeroSkippedBytesIsReproducedExactly) {
    std::mt19937 gen(11);
    Image img = zero_image();
    for (int tile = 0; tile < kTileCount; ++tile) {
        const int n = static_cast<int>(gen() % 65);
        count_byte(img, tile) = static_cast<std::uint8_t>(n);
        for (int k = 0; k < n; ++k) {
            // Never all four zero: such an entry would read back as no object.
            put_entry(img, tile, k, static_cast<std::uint8_t>(1 + gen() % 72), static_cast<std::uint8_t>(gen()),
                      static_cast<std::uint8_t>(gen()), static_cast<std::uint8_t>(gen()));
        }
    }
    ObjectTable t = parse(img);
    EXPECT_EQ(build_save_image(t), img);
}

TEST(KvrFileLoad, ShortInputIsRefusedAndTheTableKept) {
    ObjectTable source = random_table(5);
    const Image img = build_save_image(source);
    const ObjectTable before = random_table(6);  // what the caller holds
    for (std::size_t size : {std::size_t{0}, std::size_t{1}, kTileBlockSize, kFileSize - 1}) {
        ObjectTable t = before;
        std::string reason;
        EXPECT_FALSE(parse_file_image(img.data(), size, t, reason)) << size;
        EXPECT_NE(reason.find(std::to_string(size)), std::string::npos) << reason;
        EXPECT_NE(reason.find("303260"), std::string::npos) << reason;
        EXPECT_EQ(t, before) << size;
    }
    ObjectTable t = before;
    std::string reason;
    EXPECT_FALSE(parse_file_image(nullptr, kFileSize, t, reason));
    EXPECT_FALSE(reason.empty());
    EXPECT_EQ(t, before);
}

TEST(KvrFileLoad, LongerInputIsReadUpToTheFileSize) {
    ObjectTable t = random_table(9);
    Image img = build_save_image(t);
    const ObjectTable expected = parse(img);
    img.resize(kFileSize + 5000, 0xEE);  // whatever follows is ignored
    EXPECT_EQ(parse(img), expected);
}

TEST(KvrFileSave, WriteBlocksCoverTheFileSixTilesAtATime) {
    std::size_t total = 0;
    for (int b = 0; b < kWriteBlockCount; ++b) {
        EXPECT_EQ(write_block_offset(b), total) << b;
        EXPECT_EQ(write_block_size(b), b < 9 ? 30840u : 25700u) << b;
        total += write_block_size(b);
    }
    EXPECT_EQ(total, kFileSize);
    for (int tile = 0; tile < kTileCount; ++tile) {
        const int block = tile / kTilesPerWriteBlock;
        const std::size_t in_block = static_cast<std::size_t>(tile % kTilesPerWriteBlock) * kTileBlockSize;
        EXPECT_EQ(write_block_offset(block) + in_block, static_cast<std::size_t>(tile) * kTileBlockSize);
        EXPECT_LT(in_block, write_block_size(block));
    }
}

}  // namespace
}  // namespace kvr
