// The demo tile pictures as files: the names the editor looks for, the PPM that ppmtopcx
// reads, and a check of the PCX it writes.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "tools/demo_data/tile_maps.h"

namespace kvr::demo {

// The picture name of each tile, in tile order: "Field8", "Grass", "Water", ...
const std::array<std::string_view, 59>& tile_picture_names();

// The file the editor opens for `tile`: "bn" + the picture name + ".pcx", where "City<c>"
// becomes "alcty<c>" and "alcty1" plain "alcty" (bnField8.pcx, bnalcty.pcx, bnalcty2.pcx).
std::string tile_picture_file(int tile);

// A binary PPM (P6) of an indexed picture.
std::vector<std::uint8_t> ppm_image(const std::vector<std::uint8_t>& indices, int width, int height,
                                    const std::array<Rgb, 256>& palette);

// Checks that `file` is a run-length PCX of width × height with 8 bits per pixel in one
// plane and a 256-colour palette at its end. On failure returns false and sets `reason`.
bool check_pcx_8bit(const std::vector<std::uint8_t>& file, int width, int height, std::string& reason);

}  // namespace kvr::demo
