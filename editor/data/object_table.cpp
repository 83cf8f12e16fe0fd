#include "editor/data/object_table.h"

#include <cstdio>
#include <cstdlib>

namespace kvr {

void index_out_of_range(const char* what, int index, int limit) {
    std::fprintf(stderr, "KVR_ZPL: %s index %d outside 0..%d\n", what, index, limit - 1);
    std::fflush(stderr);
    std::abort();
}

ObjectRecord& TileRecord::object(int slot) {
    if (slot < 0 || slot >= kSlotCount) index_out_of_range("slot", slot, kSlotCount);
    return objects[static_cast<std::size_t>(slot)];
}

const ObjectRecord& TileRecord::object(int slot) const {
    if (slot < 0 || slot >= kSlotCount) index_out_of_range("slot", slot, kSlotCount);
    return objects[static_cast<std::size_t>(slot)];
}

TileRecord& ObjectTable::tile(int t) {
    if (t < 0 || t >= kTileCount) index_out_of_range("tile", t, kTileCount);
    return tiles[static_cast<std::size_t>(t)];
}

const TileRecord& ObjectTable::tile(int t) const {
    if (t < 0 || t >= kTileCount) index_out_of_range("tile", t, kTileCount);
    return tiles[static_cast<std::size_t>(t)];
}

}  // namespace kvr
