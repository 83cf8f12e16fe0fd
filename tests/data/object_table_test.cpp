// Index checks of the object table: an index outside 0..58 / 0..63 is a programming error
// and stops the program with a message naming it.
#include <gtest/gtest.h>

#include "editor/data/kvr_file.h"
#include "editor/data/object_table.h"

namespace kvr {
namespace {

TEST(ObjectTable, StartsEmpty) {
    const ObjectTable t;
    for (int tile = 0; tile < kTileCount; ++tile) {
        EXPECT_EQ(t.tile(tile).object_count, 0);
        for (int k = 0; k < kSlotCount; ++k) ASSERT_EQ(t.object(tile, k), ObjectRecord{});
    }
}

TEST(ObjectTable, EdgeIndicesReachTheirOwnRecords) {
    ObjectTable t;
    t.object(0, 0).type = 1;
    t.object(58, 63).type = 2;
    t.tile(58).object(0).type = 3;
    EXPECT_EQ(t.tiles[0].objects[0].type, 1);
    EXPECT_EQ(t.tiles[58].objects[63].type, 2);
    EXPECT_EQ(t.tiles[58].objects[0].type, 3);
}

using ObjectTableDeathTest = ::testing::Test;

TEST_F(ObjectTableDeathTest, TileOutsideTheTableAborts) {
    ObjectTable t;
    EXPECT_DEATH(t.tile(59), "tile index 59 outside 0..58");
    EXPECT_DEATH(t.tile(-1), "tile index -1");
    const ObjectTable& c = t;
    EXPECT_DEATH(c.object(100, 0), "tile index 100");
}

TEST_F(ObjectTableDeathTest, SlotOutsideTheTileAborts) {
    ObjectTable t;
    EXPECT_DEATH(t.object(0, 64), "slot index 64 outside 0..63");
    EXPECT_DEATH(t.tile(3).object(-1), "slot index -1");
    const TileRecord& c = t.tile(3);
    EXPECT_DEATH(c.object(1000), "slot index 1000");
}

TEST_F(ObjectTableDeathTest, WriteBlockOutsideTheTenAborts) {
    EXPECT_DEATH(write_block_size(10), "write block index 10 outside 0..9");
    EXPECT_DEATH(write_block_offset(-1), "write block index -1");
}

}  // namespace
}  // namespace kvr
