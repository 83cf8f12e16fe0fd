// The exact byte layout of KVR_ZPL.DAT: 59 tile blocks of 5,140 bytes, no header.
// Portable: the Windows Load and Save commands call these.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "editor/data/object_table.h"

namespace kvr {

inline constexpr std::size_t kTileBlockSize = 5140;
inline constexpr std::size_t kTileHeaderSize = 20;
inline constexpr std::size_t kEntrySize = 80;
inline constexpr std::size_t kFileSize = kTileBlockSize * kTileCount;  // 303,260

// Offsets inside a tile block and inside an object entry.
inline constexpr std::size_t kCountOffset = 16;
inline constexpr std::size_t kTypeOffset = 0;
inline constexpr std::size_t kOrientationOffset = 3;
inline constexpr std::size_t kXOffset = 4;
inline constexpr std::size_t kYOffset = 8;

// Fills `out` from a file image. Bytes past kFileSize are ignored. On a short image
// returns false, leaves `out` untouched and sets `reason`.
bool parse_file_image(const std::uint8_t* data, std::size_t size, ObjectTable& out, std::string& reason);

// Rewrites every tile's object_count to its number of in-use slots and writes the
// kFileSize-byte image: in-use slots packed in slot order, zeros everywhere else.
// `image` must hold kFileSize bytes.
void build_save_image(ObjectTable& table, std::uint8_t* image);
std::vector<std::uint8_t> build_save_image(ObjectTable& table);

// The ten write blocks of the Save command: tiles 6b..6b+5 (the last holds 54..58).
inline constexpr int kWriteBlockCount = 10;
inline constexpr int kTilesPerWriteBlock = 6;
std::size_t write_block_offset(int block);
std::size_t write_block_size(int block);

}  // namespace kvr
