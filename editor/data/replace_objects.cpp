#include "editor/data/replace_objects.h"

namespace kvr {

namespace {

bool is_type_code(int code) { return code >= 0 && code < kTypeListSize; }

// Rewrites the matching slots of one tile; returns how many records changed.
int replace_in_tile(TileRecord& tile, std::uint8_t find, std::uint8_t replacement, bool delete_found) {
    int changed = 0;
    for (int slot = 0; slot < kSlotCount; ++slot) {
        ObjectRecord& record = tile.object(slot);
        if (record.type != find) continue;
        const ObjectRecord before = record;
        if (delete_found) {
            record.type = 0;
            record.in_use = false;
        } else {
            record.type = replacement;
        }
        if (!(record == before)) ++changed;
    }
    return changed;
}

}  // namespace

int replace_objects(ObjectTable& table, const ReplaceSettings& settings) {
    if (!is_type_code(settings.find_type)) return 0;
    // Writing a type from an empty replacement list would invent a value: leave the table alone.
    if (!settings.delete_found && !is_type_code(settings.replace_type)) return 0;

    const auto find = static_cast<std::uint8_t>(settings.find_type);
    const auto replacement =
        static_cast<std::uint8_t>(settings.delete_found ? 0 : settings.replace_type);

    if (!settings.all_tiles) {
        // The main window has no tile selected before a file is loaded; nothing to act on.
        if (settings.current_tile < 0 || settings.current_tile >= kTileCount) return 0;
        return replace_in_tile(table.tile(settings.current_tile), find, replacement,
                               settings.delete_found);
    }
    int changed = 0;
    for (int t = 0; t < kTileCount; ++t)
        changed += replace_in_tile(table.tile(t), find, replacement, settings.delete_found);
    return changed;
}

}  // namespace kvr
