#include "tools/demo_data/tile_layout.h"

#include <cmath>
#include <utility>

namespace kvr::demo {

namespace {

// Paths enter and leave at the middle of an edge, a little past it, so that rivers and roads
// of neighbouring tiles meet.
constexpr Point N{128, -12};
constexpr Point S{128, 268};
constexpr Point W{-12, 128};
constexpr Point E{268, 128};

Path river(std::vector<Point> control, double width, std::uint32_t seed, double wander = 9) {
    return {meander(smooth_path(control, 14), wander, seed), width};
}

Path road(std::vector<Point> control, double width = 5) { return {smooth_path(control, 10), width}; }

std::vector<Point> shore(std::vector<Point> outline, std::uint32_t seed, double roughness = 12) {
    return roughen_outline(outline, roughness, 5, seed);
}

// A square well past the tile: the whole tile is sea.
std::vector<Point> open_sea() { return {{-200, -200}, {456, -200}, {456, 456}, {-200, 456}}; }

// The shores used by several coast tiles.
std::vector<Point> sea_to_north() {
    return {{-60, -60}, {316, -60}, {316, 94}, {200, 106}, {120, 86}, {40, 100}, {-60, 96}};
}
std::vector<Point> sea_to_east() {
    return {{170, -60}, {316, -60}, {316, 316}, {172, 316}, {168, 268}, {180, 170}, {165, 80}, {175, -12}};
}

void fields(TileLayout& L, double size) {
    L.ground = Ground::Fields;
    L.field_size = size;
}

void town(TileLayout& L, Ellipse e, double angle) {
    L.towns.push_back(e);
    L.street_angle = angle;
}

void mountain_tile(TileLayout& L, std::vector<Mountain> peaks) {
    L.ground = Ground::Mountain;
    L.mountains = std::move(peaks);
}

}  // namespace

RunwayFrame runway_frame(const Runway& r) {
    RunwayFrame f;
    const Point d = r.b - r.a;
    const double len = length(d);
    f.centre = (r.a + r.b) * 0.5;
    f.along = d * (1.0 / len);
    f.side = {-f.along.y, f.along.x};
    f.half_length = len / 2;
    return f;
}

TileLayout tile_layout(int tile) {
    TileLayout L;
    L.tile = tile;
    const std::uint32_t s = 0x5EED0000u + static_cast<std::uint32_t>(tile) * 7919u;
    L.seed = s;
    switch (tile) {
        case 0:  // Field8: farmland with an airfield
            fields(L, 50);
            L.runway = Runway{{52, 172}, {204, 84}, 12};
            L.roads = {road({{-12, 236}, {100, 226}, {180, 238}, {268, 224}}),
                       road({{200, 234}, {192, 205}, {170, 178}, {159, 166}}, 3)};
            L.woods = {{{40, 60}, 34, 24}, {{226, 34}, 30, 20}};
            break;
        case 1:  // Grass
            L.woods = {{{60, 70}, 30, 22}, {{190, 185}, 40, 26}, {{205, 60}, 18, 14}};
            L.lakes = {{{100, 175}, 22, 15}};
            L.roads = {road({W, {80, 112}, {150, 128}, {268, 104}}, 3)};
            break;
        case 2:  // Water
            L.sea = open_sea();
            break;
        case 3:  // Coast1: sea to the north
            fields(L, 44);
            L.sea = shore(sea_to_north(), s);
            L.roads = {road({{-12, 172}, {128, 160}, {268, 176}})};
            L.woods = {{{210, 222}, 30, 20}};
            break;
        case 4:  // Coast3: sea in the north-east corner
            L.sea = shore({{100, -60}, {316, -60}, {316, 160}, {268, 150}, {190, 100}, {130, 40}, {110, -12}}, s);
            L.woods = {{{60, 190}, 35, 25}};
            L.roads = {road({W, {90, 140}, S})};
            break;
        case 5:  // Coast2: sea to the west
            fields(L, 46);
            L.sea =
                shore({{-60, -60}, {92, -60}, {96, -12}, {80, 80}, {105, 150}, {90, 268}, {85, 316}, {-60, 316}}, s);
            L.roads = {road({N, {160, 128}, S})};
            break;
        case 6:  // Field1
            fields(L, 38);
            L.roads = {road({{-12, 90}, {128, 104}, {268, 110}}, 3)};
            L.woods = {{{60, 200}, 22, 16}};
            break;
        case 7:  // Field2
            fields(L, 56);
            L.woods = {{{200, 200}, 30, 24}};
            L.roads = {road({N, {110, 128}, {60, 268}}, 3)};
            break;
        case 8:  // Field5
            fields(L, 44);
            L.roads = {road({N, {128, 128}, S}, 4)};
            L.woods = {{{200, 70}, 26, 20}};
            break;
        case 9:  // Field4
            fields(L, 60);
            L.lakes = {{{70, 80}, 24, 18}};
            L.roads = {road({W, {128, 170}, E}, 3)};
            break;
        case 10:  // City1: a city on a river
            town(L, {{128, 128}, 122, 112}, 0.0);
            L.rivers = {river({W, {128, 146}, {268, 118}}, 12, s, 5)};
            L.roads = {road({{112, -12}, {114, 128}, {118, 268}}, 6), road({{-12, 72}, {128, 78}, {268, 84}}, 6)};
            L.rails = {road({{-12, 218}, {128, 210}, {268, 202}}, 6)};
            break;
        case 11:  // City2: a railway town
            fields(L, 44);
            town(L, {{128, 118}, 100, 86}, 0.3);
            L.rails = {road({{-12, 190}, {128, 170}, {268, 150}}, 6)};
            L.roads = {road({N, {128, 128}, S}, 6)};
            break;
        case 12:  // City3: an industrial town
            fields(L, 40);
            town(L, {{140, 140}, 94, 92}, -0.2);
            L.rails = {road({{-12, 60}, {128, 70}, {268, 40}}, 6)};
            L.roads = {road({W, E}, 6)};
            break;
        case 13:  // City4: a town at a crossroads
            fields(L, 48);
            town(L, {{128, 128}, 74, 70}, 0.0);
            L.roads = {road({N, S}, 6), road({W, E}, 6)};
            break;
        case 14:  // River1
            L.rivers = {river({N, {110, 90}, {150, 170}, S}, 12, s)};
            L.woods = {{{40, 60}, 30, 40}, {{210, 200}, 35, 30}};
            break;
        case 15:  // River2
            fields(L, 50);
            L.rivers = {river({W, {90, 110}, {170, 150}, E}, 12, s)};
            break;
        case 16:  // River9: a wide meander
            L.rivers = {river({W, {60, 90}, {110, 50}, {150, 110}, {160, 200}, {215, 190}, E}, 11, s, 4)};
            L.woods = {{{60, 200}, 40, 30}};
            break;
        case 17:  // River4: from north to east
            fields(L, 46);
            L.rivers = {river({N, {128, 90}, {170, 128}, E}, 12, s)};
            break;
        case 18:  // River5: from east to south
            L.rivers = {river({E, {170, 128}, {128, 170}, S}, 12, s)};
            L.woods = {{{60, 60}, 40, 36}};
            break;
        case 19:  // River6: from south to west
            fields(L, 52);
            L.rivers = {river({S, {128, 170}, {86, 128}, W}, 12, s)};
            break;
        case 20:  // River7: from west to north
            L.rivers = {river({W, {86, 128}, {128, 86}, N}, 12, s)};
            L.rails = {road({{40, 268}, {70, 120}, {120, -12}}, 6)};
            L.woods = {{{190, 190}, 45, 35}};
            break;
        case 21:  // River8: a river with a road bridge
            fields(L, 48);
            L.rivers = {river({N, {140, 100}, {118, 170}, S}, 12, s)};
            L.roads = {road({W, {128, 140}, E}, 5)};
            break;
        case 22:  // Mount1: one tall peak
            mountain_tile(L, {{{128, 118}, 1.0, 62}, {{60, 200}, 0.55, 40}, {{210, 60}, 0.45, 36}});
            break;
        case 23:  // Mount4: a ridge with a pass road
            mountain_tile(L, {{{30, 92}, 0.8, 44}, {{110, 78}, 1.0, 46}, {{200, 100}, 0.85, 44}});
            L.roads = {road({S, {150, 180}, {150, 90}, {128, 40}, N}, 4)};
            break;
        case 24:  // Mount3: two peaks and a valley
            mountain_tile(L, {{{70, 78}, 0.9, 52}, {{190, 182}, 0.95, 56}});
            L.roads = {road({{-12, 230}, {90, 170}, {160, 90}, {268, 40}}, 4)};
            break;
        case 25:  // Mount2: a ridge from north-west to south-east
            mountain_tile(L,
                          {{{40, 40}, 0.8, 42}, {{100, 100}, 1.0, 46}, {{170, 160}, 0.9, 44}, {{232, 222}, 0.7, 40}});
            break;
        case 26:  // Forst4: forest in the north, fields in the south
            fields(L, 46);
            L.woods = {{{128, 50}, 170, 80}};
            break;
        case 27:  // Forst1: unbroken forest
            L.ground = Ground::Forest;
            break;
        case 28:  // Forst5: copses on grassland
            L.woods = {{{50, 50}, 40, 32}, {{170, 60}, 44, 32}, {{90, 172}, 48, 36}, {{212, 198}, 34, 40}};
            break;
        case 29:  // Forst6: forest around a lake
            L.ground = Ground::Forest;
            L.lakes = {{{150, 110}, 36, 26}};
            L.clearings = {{{150, 110}, 50, 40}};
            break;
        case 30:  // Forst3: forest with a road through
            L.ground = Ground::Forest;
            L.roads = {road({W, {128, 120}, E}, 5)};
            break;
        case 31:  // Forst2: forest with a clearing and a track
            L.ground = Ground::Forest;
            L.clearings = {{{128, 128}, 52, 42}};
            L.roads = {road({S, {130, 180}, {128, 150}}, 3)};
            break;
        case 32:  // Coast4: sea in the south-west corner
            L.sea = shore({{-60, 120}, {-12, 118}, {60, 150}, {120, 210}, {140, 268}, {140, 316}, {-60, 316}}, s);
            L.woods = {{{180, 70}, 40, 30}};
            L.roads = {road({N, {190, 150}, E}, 4)};
            break;
        case 33:  // Coast5: only the north-west corner is land
            fields(L, 40);
            L.sea = shore({{316, -60},
                           {316, 316},
                           {-60, 316},
                           {-60, 150},
                           {-12, 150},
                           {80, 120},
                           {140, 70},
                           {160, -12},
                           {165, -60}},
                          s);
            break;
        case 34:  // Road1: north to south
            fields(L, 48);
            L.roads = {road({N, {120, 128}, S})};
            break;
        case 35:  // Road2: west to east
            L.roads = {road({W, {128, 136}, E})};
            L.woods = {{{60, 60}, 30, 22}, {{190, 210}, 36, 24}};
            break;
        case 36:  // Road6: crossroads
            fields(L, 44);
            L.roads = {road({N, S}), road({W, E})};
            break;
        case 37:  // Road4: a bend from north to east
            fields(L, 52);
            L.roads = {road({N, {128, 100}, {156, 128}, E})};
            break;
        case 38:  // Field7
            fields(L, 34);
            L.woods = {{{190, 70}, 28, 20}};
            break;
        case 39:  // Road8: a T-junction
            fields(L, 46);
            L.roads = {road({W, E}), road({{128, 128}, S})};
            break;
        case 40:  // Road9: a bend from west to south
            L.roads = {road({W, {100, 140}, S})};
            L.woods = {{{200, 60}, 40, 30}};
            break;
        case 41:  // Forst7: forest with a river
            L.ground = Ground::Forest;
            L.rivers = {river({N, {110, 100}, {140, 170}, S}, 10, s)};
            break;
        case 42:  // City5: a town on a river
            town(L, {{128, 128}, 104, 100}, 0.15);
            L.rivers = {river({N, {120, 128}, S}, 12, s, 4)};
            L.roads = {road({W, {128, 100}, E}, 6), road({W, {128, 180}, E}, 6)};
            L.rails = {road({{-12, 236}, {128, 226}, {268, 232}}, 6)};
            break;
        case 43:  // RivrND: a river ending in a lake
            L.rivers = {river({N, {120, 70}, {128, 130}}, 10, s)};
            L.lakes = {{{130, 155}, 44, 32}};
            L.woods = {{{40, 210}, 30, 30}};
            break;
        case 44:  // Coast6: sea to the east with a bay
            L.sea = shore({{170, -60},
                           {316, -60},
                           {316, 316},
                           {160, 316},
                           {165, 268},
                           {150, 200},
                           {110, 150},
                           {120, 100},
                           {165, 60},
                           {160, -12}},
                          s);
            L.roads = {road({{-12, 140}, {60, 130}, {90, 60}, {100, -12}})};
            break;
        case 45:  // Road10: a road beside a railway
            fields(L, 50);
            L.roads = {road({W, {128, 118}, E})};
            L.rails = {road({{-12, 150}, {128, 140}, {268, 150}}, 6)};
            break;
        case 46:  // City9: a large city
            town(L, {{128, 128}, 124, 120}, 0.1);
            L.roads = {road({N, S}, 6), road({W, E}, 6)};
            L.rails = {road({{-12, 40}, {128, 30}, {268, 40}}, 6)};
            break;
        case 47:  // Field6
            fields(L, 50);
            break;
        case 48:  // City7: a small town in fields
            fields(L, 42);
            town(L, {{140, 110}, 78, 64}, -0.3);
            L.roads = {road({W, {150, 100}, E}, 5)};
            break;
        case 49:  // City8: a town on two roads
            fields(L, 46);
            town(L, {{100, 150}, 72, 56}, 0.2);
            L.roads = {road({W, {100, 150}, E}, 5), road({N, {100, 150}, S}, 5)};
            break;
        case 50:  // CostU1: a bay opening to the north
            L.sea = shore({{70, -60}, {72, -12}, {80, 110}, {128, 165}, {180, 110}, {186, -12}, {190, -60}}, s, 8);
            L.roads = {road({W, {128, 205}, E})};
            L.woods = {{{30, 70}, 25, 35}};
            L.quays = {{{{56, 70}, {104, 70}}, 6}};
            break;
        case 51:  // CostU2: a peninsula from the south
            L.sea = shore({{-60, -60},
                           {316, -60},
                           {316, 316},
                           {195, 316},
                           {190, 268},
                           {180, 150},
                           {128, 85},
                           {76, 150},
                           {66, 268},
                           {61, 316},
                           {-60, 316}},
                          s, 8);
            L.roads = {road({S, {128, 130}}, 3)};
            break;
        case 52:  // CostBR: a road bridge over a sea inlet
            fields(L, 44);
            L.sea = shore({{-60, 316},
                           {-60, 190},
                           {-12, 192},
                           {90, 180},
                           {112, 120},
                           {118, 40},
                           {120, -12},
                           {122, -60},
                           {140, -60},
                           {142, -12},
                           {144, 40},
                           {150, 120},
                           {170, 180},
                           {268, 185},
                           {316, 185},
                           {316, 316}},
                          s, 4);
            L.roads = {road({W, {128, 96}, E})};
            break;
        case 53:  // RivrBR: road and rail bridges
            fields(L, 48);
            L.rivers = {river({N, {128, 128}, S}, 12, s, 5)};
            L.roads = {road({{-12, 118}, {128, 122}, {268, 130}})};
            L.rails = {road({{-12, 176}, {128, 170}, {268, 164}}, 6)};
            break;
        case 54:  // RivrFK: two rivers joining
            L.rivers = {river({N, {120, 60}, {128, 128}}, 11, s), river({{128, 128}, {84, 190}, {40, 268}}, 9, s + 1),
                        river({{128, 128}, {180, 196}, {200, 268}}, 9, s + 2)};
            L.woods = {{{40, 80}, 30, 36}, {{215, 90}, 30, 26}};
            break;
        case 55:  // CostRV: a river mouth
            fields(L, 46);
            L.sea = shore(sea_to_north(), s);
            L.rivers = {river({S, {140, 180}, {120, 60}}, 11, s)};
            break;
        case 56:  // RivrTR: a river between woods
            L.rivers = {river({W, {90, 120}, {170, 136}, E}, 11, s)};
            L.woods = {{{60, 70}, 50, 34}, {{190, 70}, 56, 30}, {{100, 200}, 60, 32}, {{220, 200}, 40, 30}};
            break;
        case 57:  // CostCT: a harbour town
            L.sea = shore(sea_to_east(), s, 6);
            town(L, {{84, 128}, 90, 112}, 0.05);
            L.roads = {road({W, {150, 128}}, 6)};
            L.rails = {road({{-12, 200}, {100, 196}, {150, 190}}, 6)};
            L.quays = {{{{148, 128}, {210, 128}}, 8}, {{{150, 80}, {204, 84}}, 7}, {{{146, 176}, {200, 172}}, 7}};
            break;
        case 58:  // CostTR: forest down to the shore
            L.ground = Ground::Forest;
            L.sea = shore(
                {{-60, 316}, {-60, 170}, {-12, 172}, {80, 190}, {170, 165}, {268, 180}, {316, 178}, {316, 316}}, s);
            break;
        default:
            break;
    }
    return L;
}

}  // namespace kvr::demo
