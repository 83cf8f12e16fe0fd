// What lies on each of the 59 demo tiles: the ground, the sea, rivers, roads, railways,
// towns, woods, mountains and an airfield, in tile units (0..255, one unit = one picture
// pixel, y downwards). The picture painter and the object placer both work from this, so
// the objects stand where the picture shows the matching ground.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "tools/demo_data/demo_math.h"

namespace kvr::demo {

inline constexpr int kTileSize = 256;

enum class Ground : std::uint8_t { Grass, Fields, Forest, Mountain, Sea };

struct Path {
    std::vector<Point> points;
    double width = 4;
};

struct Ellipse {
    Point centre;
    double rx = 0;
    double ry = 0;
};

// A runway from a to b. The taxiway runs parallel on the side given by `side` (the runway
// direction turned a quarter to the right), the apron beyond it at the middle.
struct Runway {
    Point a;
    Point b;
    double width = 12;
};

struct RunwayFrame {
    Point centre;
    Point along;  // unit vector from a to b
    Point side;   // unit vector towards the taxiway and apron
    double half_length = 0;
};
RunwayFrame runway_frame(const Runway& r);

inline constexpr double kTaxiwayOffset = 22;  // from the runway's centre line
inline constexpr double kApronNear = 25;
inline constexpr double kApronFar = 48;
inline constexpr double kApronHalfLength = 34;

struct Mountain {
    Point centre;
    double height = 1;  // relative; the tallest reaches snow
    double radius = 50;
};

struct TileLayout {
    int tile = 0;
    std::uint32_t seed = 0;
    Ground ground = Ground::Grass;
    double field_size = 48;  // spacing of the field patchwork
    std::vector<Point> sea;  // closed outline of the sea (may reach past the tile); empty: none
    std::vector<Path> rivers;
    std::vector<Path> roads;
    std::vector<Path> rails;
    std::vector<Path> quays;  // concrete piers, drawn over land and sea alike
    std::vector<Ellipse> lakes;
    std::vector<Ellipse> towns;
    double street_angle = 0;  // turn of the town street grid, radians
    std::vector<Ellipse> woods;
    std::vector<Ellipse> clearings;
    std::vector<Mountain> mountains;
    std::optional<Runway> runway;
};

// The layout of demo tile `tile` (0..58).
TileLayout tile_layout(int tile);

}  // namespace kvr::demo
