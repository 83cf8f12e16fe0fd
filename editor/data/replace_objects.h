// The Find & Replace pass over the object table: change every object of one type to
// another type, or delete them all, on one tile or on every tile.
// Portable: the dialog gathers the settings from its controls and calls this.
#pragma once

#include "editor/data/object_table.h"

namespace kvr {

inline constexpr int kNoType = -1;        // a list with nothing selected
inline constexpr int kTypeListSize = 73;  // the dialog's lists offer codes 0..72

struct ReplaceSettings {
    int find_type = kNoType;     // 0..72, or kNoType
    int replace_type = kNoType;  // 0..72, or kNoType; not consulted when deleting
    bool delete_found = false;   // set type 0 and clear in_use instead of replacing
    bool all_tiles = false;      // false: only `current_tile`
    int current_tile = 0;        // the tile selected in the main window
};

// Visits the tiles in scope in ascending order and their slots 0..63; a slot matches
// when its type equals the find type (in_use is not looked at). A match is deleted
// (type 0, in_use false) or given the replacement type with in_use kept; x, y and
// orientation are never touched, nor is object_count.
// Nothing changes when there is no find type, when neither deleting nor a replacement
// type is given, or when a code lies outside 0..72 or the current tile outside 0..58.
// Returns the number of slots whose record actually changed.
int replace_objects(ObjectTable& table, const ReplaceSettings& settings);

}  // namespace kvr
