// The editor's fixed vocabularies and the tile picture file names derived from them.
// A list entry's index is the code it stands for (type code, tile number).
#pragma once

#include <array>
#include <string>
#include <string_view>

namespace kvr::ui {

inline constexpr int kObjectTypeCount = 73;  // type codes 0..72
inline constexpr int kTileNameCount = 59;    // tiles 0..58

// The main window's type list.
extern const std::array<const char*, kObjectTypeCount> ObjectTypeNames;
// The Find & Replace dialog's type lists: entries 70 and 71 read "70 - ???" and "71 - ???".
extern const std::array<const char*, kObjectTypeCount> DialogObjectTypeNames;
extern const std::array<const char*, kTileNameCount> TileNames;

// File name of a tile picture from its list entry: the entry without its first five
// characters ("00 - "), "City<d>" spelt "alcty<d>" and "alcty1" shortened to "alcty",
// then "bn" + name + ".pcx".  "00 - Field8" -> "bnField8.pcx", "10 - City1" -> "bnalcty.pcx".
std::string picture_file_name(std::string_view tile_entry);

// The same for tile 0..58; an out-of-range tile is a programming error (aborts).
std::string tile_picture_file_name(int tile);

// Full path of a tile picture: the folder, always one "\", then the file name; a folder
// that already ends in "\" (a drive root) therefore gives two.
std::string tile_picture_path(const std::string& folder, int tile);

// The text with leading and trailing blanks removed.
std::string trim_blanks(std::string_view text);

}  // namespace kvr::ui
