// The editor's one in-memory table: 59 terrain tiles, 64 object slots each.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace kvr {

inline constexpr int kTileCount = 59;
inline constexpr int kSlotCount = 64;

struct ObjectRecord {
    std::uint8_t type = 0;
    std::uint8_t orientation = 0;
    std::uint8_t x = 0;
    std::uint8_t y = 0;
    bool in_use = false;

    bool operator==(const ObjectRecord&) const = default;
};

struct TileRecord {
    std::uint8_t object_count = 0;
    std::array<ObjectRecord, kSlotCount> objects{};

    // Bounds-checked slot access: a slot outside 0..63 is a programming error.
    ObjectRecord& object(int slot);
    const ObjectRecord& object(int slot) const;

    bool operator==(const TileRecord&) const = default;
};

struct ObjectTable {
    std::array<TileRecord, kTileCount> tiles{};

    // Bounds-checked tile access: a tile outside 0..58 is a programming error.
    TileRecord& tile(int t);
    const TileRecord& tile(int t) const;
    ObjectRecord& object(int t, int slot) { return tile(t).object(slot); }
    const ObjectRecord& object(int t, int slot) const { return tile(t).object(slot); }

    bool operator==(const ObjectTable&) const = default;
};

// Called on an out-of-range index: reports it on stderr and aborts. Never returns.
[[noreturn]] void index_out_of_range(const char* what, int index, int limit);

}  // namespace kvr
