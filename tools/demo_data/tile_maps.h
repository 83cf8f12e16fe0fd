// The ground of a demo tile, pixel by pixel: what each pixel is (sea, road, building ...),
// and its colour as a material and a shade. The picture is drawn from `material` and
// `shade`; objects are placed by looking at `use`.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "tools/demo_data/tile_layout.h"

namespace kvr::demo {

enum class Use : std::uint8_t {
    Open,   // grass or a field
    Hedge,  // field border
    Wood,   // tree cover
    Rock,
    Snow,
    Sea,
    Shore,  // beach or river bank
    River,
    Lake,
    Street,  // town street or square
    Building,
    Park,
    Road,
    Rail,
    Bridge,  // a road or railway over water
    Runway,
    Apron,  // taxiway and apron
};

// Each material comes in kShades shades, darkest first; a pixel's palette index is
// material * kShades + shade, which keeps every picture within 256 colours.
enum class Material : std::uint8_t {
    DeepWater,
    ShallowWater,
    Sand,
    Grass,
    CropGreen,
    CropYellow,
    Ploughed,
    Forest,
    Rock,
    Snow,
    Asphalt,
    Dirt,
    RoofRed,
    Concrete,
    Pavement,
    Hedge,
};
inline constexpr int kMaterialCount = 16;
inline constexpr int kShades = 16;

struct Rgb {
    std::uint8_t r = 0, g = 0, b = 0;
    bool operator==(const Rgb&) const = default;
};

// The 256 colours every demo picture draws from.
const std::array<Rgb, 256>& demo_palette();

struct TileMaps {
    std::vector<Use> use;              // kTileSize * kTileSize, row by row
    std::vector<std::uint8_t> colour;  // palette index per pixel
    std::vector<float> sea_depth;      // distance from the shore into the sea; 0 elsewhere

    static int index(int x, int y) { return y * kTileSize + x; }
    static bool inside(int x, int y) { return x >= 0 && y >= 0 && x < kTileSize && y < kTileSize; }
    Use use_at(int x, int y) const { return use[static_cast<std::size_t>(index(x, y))]; }
    float depth_at(int x, int y) const { return sea_depth[static_cast<std::size_t>(index(x, y))]; }
};

TileMaps build_tile_maps(const TileLayout& layout);

bool is_water(Use u);

}  // namespace kvr::demo
