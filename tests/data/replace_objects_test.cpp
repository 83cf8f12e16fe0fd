// The Find & Replace pass over the object table.
#include "editor/data/replace_objects.h"
#include "tests/support/object_record.h"

#include <gtest/gtest.h>

namespace {

using kvr::ObjectRecord;
using kvr::ObjectTable;
using kvr::ReplaceSettings;
using kvr::test::make_object;

// A table that looks loaded: a few objects on several tiles, everything else empty,
// with counts that the pass must leave alone.
ObjectTable sample_table() {
    ObjectTable t;
    t.object(0, 0) = make_object(51, 10, 20, 30, true);
    t.object(0, 7) = make_object(17, 1, 2, 3, true);
    t.object(10, 1) = make_object(51, 40, 50, 60, true);
    t.object(10, 2) = make_object(17, 4, 5, 6, true);
    t.object(10, 3) = make_object(51, 70, 80, 90, false);  // unticked by the user, still type 51
    t.object(10, 63) = make_object(0, 0, 200, 0, true);     // "0 - ???" object in use
    t.object(58, 63) = make_object(51, 255, 255, 255, true);
    t.object(20, 5) = make_object(73, 9, 9, 9, true);       // above the list's range
    t.object(20, 6) = make_object(200, 9, 9, 9, true);
    for (int tile = 0; tile < kvr::kTileCount; ++tile)
        t.tile(tile).object_count = static_cast<std::uint8_t>(tile % 7);
    return t;
}

ReplaceSettings replace(int find, int replacement, bool all_tiles, int current_tile = 10) {
    ReplaceSettings s;
    s.find_type = find;
    s.replace_type = replacement;
    s.all_tiles = all_tiles;
    s.current_tile = current_tile;
    return s;
}

ReplaceSettings erase(int find, bool all_tiles, int current_tile = 10) {
    ReplaceSettings s = replace(find, kvr::kNoType, all_tiles, current_tile);
    s.delete_found = true;
    return s;
}

TEST(ReplaceObjects, ReplacesOnlyTheCurrentTileKeepingEverythingButType) {
    ObjectTable t = sample_table();
    ObjectTable expected = t;
    expected.object(10, 1).type = 33;
    expected.object(10, 3).type = 33;  // matches although not in use, and stays not in use

    EXPECT_EQ(kvr::replace_objects(t, replace(51, 33, false)), 2);
    EXPECT_EQ(t, expected);
}

TEST(ReplaceObjects, AllTilesReachesTheFirstAndLastTile) {
    ObjectTable t = sample_table();
    ObjectTable expected = t;
    expected.object(0, 0).type = 33;
    expected.object(10, 1).type = 33;
    expected.object(10, 3).type = 33;
    expected.object(58, 63).type = 33;

    // The current tile does not narrow an all-tiles pass.
    EXPECT_EQ(kvr::replace_objects(t, replace(51, 33, true, 0)), 4);
    EXPECT_EQ(t, expected);
}

TEST(ReplaceObjects, SameFindAndReplacementTypeChangesNothing) {
    ObjectTable t = sample_table();
    const ObjectTable before = t;
    EXPECT_EQ(kvr::replace_objects(t, replace(51, 51, true)), 0);
    EXPECT_EQ(t, before);
}

TEST(ReplaceObjects, ReplacingWithZeroKeepsInUseUnlikeDeleting) {
    ObjectTable replaced = sample_table();
    EXPECT_EQ(kvr::replace_objects(replaced, replace(17, 0, false)), 1);
    EXPECT_EQ(replaced.object(10, 2), make_object(0, 4, 5, 6, true));

    ObjectTable deleted = sample_table();
    EXPECT_EQ(kvr::replace_objects(deleted, erase(17, false)), 1);
    EXPECT_EQ(deleted.object(10, 2), make_object(0, 4, 5, 6, false));
    // The other tile's type-17 object is out of scope either way.
    EXPECT_EQ(replaced.object(0, 7), make_object(17, 1, 2, 3, true));
    EXPECT_EQ(deleted.object(0, 7), make_object(17, 1, 2, 3, true));
}

TEST(ReplaceObjects, FindingZeroAlsoRetypesEmptySlotsWhichStayUnused) {
    ObjectTable t = sample_table();
    // Tile 10: three objects of other types in slots 1-3, a "0 - ???" object in slot 63,
    // sixty empty slots.
    EXPECT_EQ(kvr::replace_objects(t, replace(0, 32, false)), 61);
    for (int slot = 0; slot < kvr::kSlotCount; ++slot) {
        const ObjectRecord& r = t.object(10, slot);
        if (slot >= 1 && slot <= 3) {
            EXPECT_NE(r.type, 32) << "slot " << slot;
            continue;
        }
        EXPECT_EQ(r.type, 32) << "slot " << slot;
        EXPECT_EQ(r.in_use, slot == 63) << "slot " << slot;
    }
    EXPECT_EQ(t.object(10, 63).x, 200);
    EXPECT_EQ(t.object(11, 0).type, 0);  // other tiles untouched
}

TEST(ReplaceObjects, DeletingZeroClearsInUseOnEverySlotOfTypeZero) {
    ObjectTable t = sample_table();
    // Only slot 63 actually changes: the empty slots are already type 0 and unused.
    EXPECT_EQ(kvr::replace_objects(t, erase(0, false)), 1);
    EXPECT_EQ(t.object(10, 63), make_object(0, 0, 200, 0, false));
    for (int slot = 0; slot < kvr::kSlotCount; ++slot) {
        if (t.object(10, slot).type == 0) {
            EXPECT_FALSE(t.object(10, slot).in_use) << slot;
        }
    }
}

TEST(ReplaceObjects, DeletedObjectsKeepPositionAndOrientation) {
    ObjectTable t = sample_table();
    EXPECT_EQ(kvr::replace_objects(t, erase(51, true)), 4);
    EXPECT_EQ(t.object(0, 0), make_object(0, 10, 20, 30, false));
    EXPECT_EQ(t.object(10, 1), make_object(0, 40, 50, 60, false));
    EXPECT_EQ(t.object(10, 3), make_object(0, 70, 80, 90, false));
    EXPECT_EQ(t.object(58, 63), make_object(0, 255, 255, 255, false));
}

TEST(ReplaceObjects, DeletingIgnoresTheReplacementType) {
    ObjectTable t = sample_table();
    ReplaceSettings s = replace(17, 40, true);
    s.delete_found = true;
    EXPECT_EQ(kvr::replace_objects(t, s), 2);
    EXPECT_EQ(t.object(0, 7), make_object(0, 1, 2, 3, false));
    EXPECT_EQ(t.object(10, 2), make_object(0, 4, 5, 6, false));
}

TEST(ReplaceObjects, MissingOrOutOfRangeSelectionsChangeNothing) {
    const ObjectTable before = sample_table();
    const ReplaceSettings cases[] = {
        replace(kvr::kNoType, 33, true),  // no find type
        erase(kvr::kNoType, true),
        replace(51, kvr::kNoType, true),  // no replacement type while not deleting
        replace(73, 1, true),             // codes beyond the list never match...
        replace(200, 1, true),
        erase(73, true),
        replace(51, 73, true),            // ...and are never written
        replace(51, 255, true),
        replace(51, 33, false, -1),       // no tile selected in the main window
        replace(51, 33, false, kvr::kTileCount),
    };
    for (const ReplaceSettings& s : cases) {
        ObjectTable t = before;
        EXPECT_EQ(kvr::replace_objects(t, s), 0)
            << "find " << s.find_type << " replace " << s.replace_type << " tile " << s.current_tile;
        EXPECT_EQ(t, before);
    }
}

TEST(ReplaceObjects, NeverTouchesObjectCount) {
    ObjectTable t = sample_table();
    kvr::replace_objects(t, erase(51, true));
    kvr::replace_objects(t, replace(0, 5, true));
    for (int tile = 0; tile < kvr::kTileCount; ++tile)
        EXPECT_EQ(t.tile(tile).object_count, tile % 7) << tile;
}

}  // namespace
