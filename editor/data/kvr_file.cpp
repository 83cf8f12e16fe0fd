#include "editor/data/kvr_file.h"

#include <cstring>

namespace kvr {

namespace {

std::size_t entry_offset(int tile, int slot) {
    return static_cast<std::size_t>(tile) * kTileBlockSize + kTileHeaderSize +
           static_cast<std::size_t>(slot) * kEntrySize;
}

}  // namespace

bool parse_file_image(const std::uint8_t* data, std::size_t size, ObjectTable& out, std::string& reason) {
    if (data == nullptr || size < kFileSize) {
        reason = "the file holds " + std::to_string(data ? size : 0) + " bytes; a KVR_ZPL.DAT file holds " +
                 std::to_string(kFileSize);
        return false;
    }
    // Built aside and assigned at the end, so a caller's table is never half-filled.
    ObjectTable table;
    for (int t = 0; t < kTileCount; ++t) {
        TileRecord& tile = table.tile(t);
        tile.object_count = data[static_cast<std::size_t>(t) * kTileBlockSize + kCountOffset];
        for (int k = 0; k < kSlotCount; ++k) {
            const std::uint8_t* e = data + entry_offset(t, k);
            ObjectRecord& r = tile.object(k);
            r.type = e[kTypeOffset];
            r.orientation = e[kOrientationOffset];
            r.x = e[kXOffset];
            r.y = e[kYOffset];
            r.in_use = (r.type | r.orientation | r.x | r.y) != 0;
        }
    }
    out = table;
    return true;
}

void build_save_image(ObjectTable& table, std::uint8_t* image) {
    std::memset(image, 0, kFileSize);
    for (int t = 0; t < kTileCount; ++t) {
        TileRecord& tile = table.tile(t);
        int n = 0;
        for (int k = 0; k < kSlotCount; ++k) {
            const ObjectRecord& r = tile.object(k);
            if (!r.in_use) continue;
            std::uint8_t* e = image + entry_offset(t, n);
            e[kTypeOffset] = r.type;
            e[kOrientationOffset] = r.orientation;
            e[kXOffset] = r.x;
            e[kYOffset] = r.y;
            ++n;
        }
        tile.object_count = static_cast<std::uint8_t>(n);
        image[static_cast<std::size_t>(t) * kTileBlockSize + kCountOffset] = tile.object_count;
    }
}

std::vector<std::uint8_t> build_save_image(ObjectTable& table) {
    std::vector<std::uint8_t> image(kFileSize);
    build_save_image(table, image.data());
    return image;
}

std::size_t write_block_offset(int block) {
    if (block < 0 || block >= kWriteBlockCount) index_out_of_range("write block", block, kWriteBlockCount);
    return static_cast<std::size_t>(block) * kTilesPerWriteBlock * kTileBlockSize;
}

std::size_t write_block_size(int block) {
    if (block < 0 || block >= kWriteBlockCount) index_out_of_range("write block", block, kWriteBlockCount);
    const int first = block * kTilesPerWriteBlock;
    const int last = first + kTilesPerWriteBlock < kTileCount ? first + kTilesPerWriteBlock : kTileCount;
    return static_cast<std::size_t>(last - first) * kTileBlockSize;
}

}  // namespace kvr
