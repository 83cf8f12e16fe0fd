#include "tools/demo_data/demo_objects.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <initializer_list>
#include <optional>
#include <vector>

namespace kvr::demo {

namespace {

using UseSet = std::uint32_t;

constexpr UseSet set_of(std::initializer_list<Use> uses) {
    UseSet s = 0;
    for (Use u : uses) s |= 1u << static_cast<unsigned>(u);
    return s;
}

constexpr UseSet kOpen = set_of({Use::Open});
constexpr UseSet kCountry = set_of({Use::Open, Use::Hedge});
constexpr UseSet kTreeGround = set_of({Use::Open, Use::Hedge, Use::Wood, Use::Park});
constexpr UseSet kWood = set_of({Use::Wood});
constexpr UseSet kTownBuilt = set_of({Use::Building});
constexpr UseSet kTownOpen = set_of({Use::Street, Use::Park});
constexpr UseSet kLand =
    set_of({Use::Open, Use::Hedge, Use::Wood, Use::Rock, Use::Snow, Use::Shore, Use::Park, Use::Street, Use::Building});
constexpr UseSet kSea = set_of({Use::Sea});
constexpr UseSet kRoad = set_of({Use::Road});
constexpr UseSet kRail = set_of({Use::Rail});

constexpr int kMargin = 5;  // objects keep off the very edge of the tile

struct Pose {
    Point at;
    Point dir;  // unit heading
};

double path_length(const Path& path) {
    double len = 0;
    for (std::size_t i = 1; i < path.points.size(); ++i) len += length(path.points[i] - path.points[i - 1]);
    return len;
}

Pose pose_along(const Path& path, double distance) {
    const auto& pts = path.points;
    for (std::size_t i = 1; i < pts.size(); ++i) {
        const Point d = pts[i] - pts[i - 1];
        const double len = length(d);
        if (len == 0) continue;
        if (distance <= len || i + 1 == pts.size()) {
            const double t = std::clamp(distance / len, 0.0, 1.0);
            return {pts[i - 1] + d * t, d * (1.0 / len)};
        }
        distance -= len;
    }
    return {pts.empty() ? Point{} : pts.front(), {0, -1}};
}

Point turned(Point d) { return {-d.x, -d.y}; }

class Placer {
public:
    Placer(const TileLayout& layout, const TileMaps& maps, TileRecord& tile)
        : layout(layout),
          maps(maps),
          rng(0xD3A0'0000ull + static_cast<std::uint64_t>(layout.tile) * 104729ull),
          tile_(tile) {}

    bool full() const { return used_ == kSlotCount; }
    int count() const { return used_; }

    // Puts an object into the next free slot; false when the tile is full or the place is
    // off the tile.
    bool add(std::uint8_t type, Point p, std::uint8_t orientation) {
        const long x = std::lround(p.x - 0.5);
        const long y = std::lround(p.y - 0.5);
        if (full() || x < kMargin || y < kMargin || x > kTileSize - 1 - kMargin || y > kTileSize - 1 - kMargin)
            return false;
        ObjectRecord& r = tile_.object(used_++);
        r.type = type;
        r.orientation = orientation;
        r.x = static_cast<std::uint8_t>(x);
        r.y = static_cast<std::uint8_t>(y);
        r.in_use = true;
        placed_.push_back({x + 0.5, y + 0.5});
        return true;
    }

    bool ground_is(Point p, UseSet ok) const {
        const int x = static_cast<int>(std::floor(p.x));
        const int y = static_cast<int>(std::floor(p.y));
        return TileMaps::inside(x, y) && (ok >> static_cast<unsigned>(maps.use_at(x, y)) & 1u);
    }

    // True when every pixel within `radius` of p is one of `ok`.
    bool ground_around(Point p, double radius, UseSet ok) const {
        for (double dy = -radius; dy <= radius; dy += 1.5)
            for (double dx = -radius; dx <= radius; dx += 1.5)
                if (dx * dx + dy * dy <= radius * radius && !ground_is(p + Point{dx, dy}, ok)) return false;
        return true;
    }

    bool ground_near(Point p, double radius, UseSet wanted) const {
        for (double dy = -radius; dy <= radius; dy += 2)
            for (double dx = -radius; dx <= radius; dx += 2)
                if (dx * dx + dy * dy <= radius * radius && ground_is(p + Point{dx, dy}, wanted)) return true;
        return false;
    }

    bool clear_of_others(Point p, double gap) const {
        return std::all_of(placed_.begin(), placed_.end(), [&](Point q) { return length(p - q) >= gap; });
    }

    // A random free spot on ground `ok`, at least `gap` from every placed object and passing `extra`.
    std::optional<Point> find(UseSet ok, double gap, const std::function<bool(Point)>& extra = {}, int tries = 800) {
        for (int n = 0; n < tries; ++n) {
            const Point p{rng.between(kMargin, kTileSize - 1 - kMargin) + 0.5,
                          rng.between(kMargin, kTileSize - 1 - kMargin) + 0.5};
            if (ground_is(p, ok) && clear_of_others(p, gap) && (!extra || extra(p))) return p;
        }
        return std::nullopt;
    }

    std::optional<Point> find_near(Point centre, double radius, UseSet ok, double gap) {
        return find(ok, gap, [&](Point p) { return length(p - centre) <= radius; });
    }

    std::uint8_t any_heading() { return static_cast<std::uint8_t>(rng.between(0, 255)); }

    std::uint8_t pick(std::initializer_list<std::uint8_t> types) {
        return *(types.begin() + rng.between(0, static_cast<int>(types.size()) - 1));
    }

    // Up to `n` objects of the given types on ground `ok`; returns how many were placed.
    int scatter(std::initializer_list<std::uint8_t> types, int n, UseSet ok, double gap,
                const std::function<bool(Point)>& extra = {}) {
        int done = 0;
        for (int k = 0; k < n && !full(); ++k) {
            const auto p = find(ok, gap, extra);
            if (p && add(pick(types), *p, any_heading())) ++done;
        }
        return done;
    }

    // A building's heading: square to the town's streets.
    std::uint8_t street_heading() {
        const double a = layout.street_angle;
        return static_cast<std::uint8_t>(orientation_of({std::sin(a), -std::cos(a)}) + 64 * rng.between(0, 3));
    }

    const TileLayout& layout;
    const TileMaps& maps;
    Rng rng;

private:
    TileRecord& tile_;
    int used_ = 0;
    std::vector<Point> placed_;
};

// Bridges where a road or railway crosses water: one at the middle of each stretch of
// bridge deck along the path, turned along the path.
void place_bridges(Placer& P, const std::vector<Path>& paths, bool rail) {
    for (const Path& path : paths) {
        const double len = path_length(path);
        double start = -1;
        for (double d = 0; d <= len + 0.5; d += 0.5) {
            const bool deck = d <= len && P.ground_is(pose_along(path, d).at, set_of({Use::Bridge}));
            if (deck && start < 0) start = d;
            if (!deck && start >= 0) {
                const Pose mid = pose_along(path, (start + d - 0.5) / 2);
                const double span = d - start;
                const std::uint8_t type = rail ? P.pick({kRailBridgeStone, kRailBridgeWood, kRailBridgeIron})
                                               : P.pick({kRoadBridgeStone, kRoadBridgeWood, kRoadBridgeIron});
                if (P.ground_is(mid.at, set_of({Use::Bridge}))) {
                    P.add(type, mid.at, orientation_of(mid.dir));
                    // Bridges are targets: light flak on the banks.
                    if (span > 8)
                        P.scatter({kLightFlak}, 1, kLand, 10, [&](Point p) { return length(p - mid.at) < 26; });
                }
                start = -1;
            }
        }
    }
}

// A train on the railway: engine, tender and a few wagons, all heading the same way.
void place_train(Placer& P, const Path& rail) {
    const double len = path_length(rail);
    const int wagons = P.rng.between(2, 5);
    const double spacing = 7;
    const double train = spacing * (wagons + 1);
    for (int attempt = 0; attempt < 30; ++attempt) {
        const double head = P.rng.range(train + 10, len - 10);
        const bool forwards = P.rng.chance(0.5);
        std::vector<Pose> cars;
        bool ok = true;
        for (int k = 0; k < wagons + 2 && ok; ++k) {
            const double d = forwards ? head - k * spacing : len - head + k * spacing;
            Pose pose = pose_along(rail, d);
            if (!forwards) pose.dir = turned(pose.dir);
            ok = P.ground_is(pose.at, kRail) && P.clear_of_others(pose.at, 5);
            cars.push_back(pose);
        }
        if (!ok) continue;
        const std::uint8_t heading = orientation_of(cars.front().dir);
        P.add(kTrainEngine, cars[0].at, heading);
        P.add(kTrainTender, cars[1].at, heading);
        for (std::size_t k = 2; k < cars.size(); ++k)
            P.add(P.pick({kTrainBoxcar, kTrainBoxcar, kTrainOilTanker, kTrainFlatbed, kTrainFlatbedTanks,
                          kTrainFlatbedGuns}),
                  cars[k].at, heading);
        return;
    }
}

// Vehicles on a road: now a single one, now a short column, now a marching troop.
void place_traffic(Placer& P, const Path& road) {
    const double len = path_length(road);
    const int groups = road.width >= 5 ? P.rng.between(1, 3) : P.rng.between(0, 1);
    for (int g = 0; g < groups; ++g) {
        const int column = road.width >= 5 ? P.rng.between(1, 4) : 1;
        const bool forwards = P.rng.chance(0.5);
        const double spacing = 6;
        for (int attempt = 0; attempt < 20; ++attempt) {
            const double first = P.rng.range(10, std::max(11.0, len - 10 - column * spacing));
            std::vector<Pose> poses;
            bool ok = true;
            for (int k = 0; k < column && ok; ++k) {
                Pose pose = pose_along(road, first + k * spacing);
                if (!forwards) pose.dir = turned(pose.dir);
                ok = P.ground_is(pose.at, kRoad) && P.clear_of_others(pose.at, 5);
                poses.push_back(pose);
            }
            if (!ok) continue;
            const bool troops = column > 1 && P.rng.chance(0.2);
            for (const Pose& pose : poses) {
                const std::uint8_t type = troops ? std::uint8_t{kPeopleMarching}
                                                 : P.pick({kFuelTruck, kTruck, kTruckB, kTruck, kHalfTrack, kKubelwagen,
                                                           kPantherTank, kShermanTank});
                P.add(type, pose.at, orientation_of(pose.dir));
            }
            break;
        }
    }
}

// An airfield: the field itself on the runway, its buildings beside the apron, aircraft
// shelters along it and flak round the ends.
void place_airfield(Placer& P) {
    const RunwayFrame f = runway_frame(*P.layout.runway);
    auto at = [&](double along, double side) { return f.centre + f.along * along + f.side * side; };
    const std::uint8_t runway_heading = orientation_of(f.along);
    const std::uint8_t facing_runway = orientation_of(turned(f.side));
    P.add(kAirfield, f.centre, runway_heading);
    for (double a : {-24.0, -8.0, 8.0, 24.0}) P.add(kHangar, at(a, kApronFar - 6), facing_runway);
    P.add(kControlTower, at(kApronHalfLength + 8, kApronNear + 4), facing_runway);
    P.add(kBriefingHut, at(kApronHalfLength + 8, kApronFar - 2), facing_runway);
    P.add(kFuelDump, at(-kApronHalfLength - 10, kApronNear + 6), runway_heading);
    P.add(kAmmoBunker, at(-kApronHalfLength - 12, kApronFar + 4), runway_heading);
    P.add(kBarracks, at(-14, kApronFar + 12), facing_runway);
    P.add(kMess, at(2, kApronFar + 12), facing_runway);
    P.add(kOfficersClub, at(18, kApronFar + 12), facing_runway);
    P.add(kFuelTruck, at(-28, kApronNear + 4), orientation_of(f.along) + 64);
    // Heavy flak off both ends of the runway, light flak along its sides.
    for (double end : {-1.0, 1.0}) {
        for (double side : {-22.0, 22.0}) P.add(kFlak, at(end * (f.half_length + 8), side), P.any_heading());
        P.add(kLightFlak, at(end * (f.half_length * 0.5), -18), P.any_heading());
    }
}

void place_town(Placer& P, int tile) {
    const Ellipse& town = P.layout.towns.front();
    const double size = std::min(town.rx, town.ry);
    const auto in_town = [&](double share) {
        return [&town, share](Point p) {
            const double dx = (p.x - town.centre.x) / town.rx;
            const double dy = (p.y - town.centre.y) / town.ry;
            return dx * dx + dy * dy < share * share;
        };
    };
    // A church or a cathedral near the middle.
    if (auto p = P.find(kTownBuilt, 10, in_town(0.3))) P.add(size > 100 ? kCathedral : kChurch, *p, P.street_heading());
    const int blocks = static_cast<int>(size / 10);
    for (int k = 0; k < blocks && !P.full(); ++k)
        if (auto p = P.find(kTownBuilt, 12, in_town(0.8)))
            P.add(P.pick({kCityBlock1, kCityBlock2, kCityBlock3, kCityBlock4}), *p, P.street_heading());
    if (size > 80)
        if (auto p = P.find(kTownBuilt, 10, in_town(0.9))) P.add(kChurch, *p, P.street_heading());
    // Industry stands towards the edge of town.
    const bool industrial = tile == 12 || tile == 46;
    const int works = industrial ? 5 : (size > 80 ? 2 : 1);
    for (int k = 0; k < works && !P.full(); ++k)
        if (auto p = P.find(kTownBuilt | kTownOpen, 14, in_town(1.0)))
            P.add(P.pick({kOilPlant, kBallBearingPlant, kChemicalPlant, kAircraftFactory, kArmamentsFactory}), *p,
                  P.street_heading());
    if (industrial) {
        if (auto plant = P.find(kTownBuilt | kTownOpen | kOpen, 12, in_town(1.0))) {
            P.add(kOilPlant, *plant, P.street_heading());
            for (int k = 0; k < 4; ++k)
                if (auto p = P.find_near(*plant, 22, kTownBuilt | kTownOpen | kOpen, 6)) P.add(kOilTank, *p, 0);
        }
    }
    P.scatter({kWarehouse}, industrial ? 3 : 1, kTownBuilt, 10);
    // A station beside the railway.
    for (const Path& rail : P.layout.rails) {
        const auto near_rail = [&](Point p) {
            for (std::size_t i = 1; i < rail.points.size(); ++i)
                if (segment_distance(p, rail.points[i - 1], rail.points[i]) < 10) return true;
            return false;
        };
        if (auto p = P.find(kTownBuilt | kTownOpen, 10, near_rail)) P.add(kRailStation, *p, P.street_heading());
    }
    P.scatter({kFlak}, size > 80 ? 4 : 2, kTownOpen | kOpen, 18, in_town(1.1));
    P.scatter({kLightFlak}, 2, kTownOpen, 14, in_town(1.0));
    P.scatter({kPeopleMilling}, 2, set_of({Use::Street}), 10, in_town(0.6));
    P.scatter({kHouse}, 3, kCountry | kTownBuilt, 10, in_town(1.3));
}

void place_coast(Placer& P, int tile) {
    const bool open_sea = tile == 2;
    const auto deep = [&](double depth, double hull) {
        return [&P, depth, hull](Point p) {
            return P.maps.depth_at(static_cast<int>(p.x), static_cast<int>(p.y)) >= depth &&
                   P.ground_around(p, hull, kSea);
        };
    };
    if (open_sea) {
        // A convoy: freighters in rows, destroyers on the flanks, all on one heading.
        const double heading = 40;
        const Point ahead = {-std::sin(heading / 256 * 2 * kPi), -std::cos(heading / 256 * 2 * kPi)};
        const Point beam = {-ahead.y, ahead.x};
        const Point middle{128, 128};
        for (int row = -1; row <= 1; ++row)
            for (int col = -1; col <= 1; ++col)
                P.add(kFreighter, middle + ahead * (row * 36.0) + beam * (col * 30.0 + P.rng.range(-3, 3)),
                      static_cast<std::uint8_t>(heading));
        for (int side : {-1, 1}) {
            P.add(kDestroyer, middle + beam * (side * 66.0) + ahead * 10.0,
                  static_cast<std::uint8_t>(heading + side * 6));
            P.add(kDestroyer, middle + ahead * 72.0 + beam * (side * 24.0), static_cast<std::uint8_t>(heading));
        }
        P.scatter({kFreighter}, 2, kSea, 40);
        return;
    }
    const bool harbour = tile == 57 || tile == 50;
    P.scatter({kFreighter}, harbour ? 3 : P.rng.between(0, 2), kSea, 24, deep(harbour ? 8 : 14, 5));
    P.scatter({kDestroyer}, P.rng.between(0, 1), kSea, 24, deep(16, 4));
    const auto by_the_sea = [&](double r) { return [&P, r](Point p) { return P.ground_near(p, r, kSea); }; };
    if (harbour) {
        P.scatter({kShipyard}, 1, kLand, 16, by_the_sea(6));
        P.scatter({kUBoatPen}, 2, kLand, 14, by_the_sea(5));
        P.scatter({kWarehouse}, 2, kLand, 10, by_the_sea(14));
        P.scatter({kOilTank}, 3, kLand, 7, by_the_sea(22));
    }
    if (P.rng.chance(0.7)) P.scatter({kRadarStation, kRadarTower}, 1, kLand, 14, by_the_sea(30));
    if (P.rng.chance(0.4)) P.scatter({kFort}, 1, kLand, 14, by_the_sea(10));
    P.scatter({kFlak, kLightFlak}, P.rng.between(1, 2), kLand, 16, by_the_sea(20));
}

void place_countryside(Placer& P, int tile) {
    const TileLayout& L = P.layout;
    if (L.ground == Ground::Forest) {
        P.scatter({kForest3D, kForest3DB, kForest3DC}, P.rng.between(5, 9), kWood, 22);
        P.scatter({kTree, kTrees, kTreeB, kTreesB, kTreeC, kTreesC, kTreeD, kTreesD}, P.rng.between(3, 6), kWood, 12);
    } else if (L.ground == Ground::Mountain) {
        P.scatter({kFort}, 1, set_of({Use::Rock}), 20);
        P.scatter({kRadarStation, kRadarTower}, 1, set_of({Use::Snow, Use::Rock}), 20);
        P.scatter({kTree, kTrees, kTreeC, kTreesC}, P.rng.between(3, 6), set_of({Use::Wood}), 12);
        P.scatter({kHouse}, P.rng.between(0, 2), kOpen, 16);
    } else {
        // Farmland and grass; round a town the town itself is the settlement.
        const bool town = !L.towns.empty();
        const int farms = town ? 0 : P.rng.between(0, 2);
        for (int k = 0; k < farms && !P.full(); ++k) {
            if (auto farm = P.find(kCountry, 30)) {
                P.add(kFarm, *farm, P.any_heading());
                if (auto p = P.find_near(*farm, 14, kTreeGround, 5))
                    P.add(P.pick({kTree, kTreeB, kTrees}), *p, P.any_heading());
                if (auto p = P.find_near(*farm, 16, kCountry, 6)) P.add(kHouse, *p, P.any_heading());
            }
        }
        if (!town && P.rng.chance(0.35)) P.scatter({kManorHouse, kChateau}, 1, kCountry, 30);
        if (!town && P.rng.chance(0.35)) P.scatter({kWindmill}, 1, kOpen, 24);
        P.scatter({kHouse}, town ? 0 : P.rng.between(0, 2), kCountry, 18);
        P.scatter({kTree, kTrees, kTreeB, kTreesB, kTreeC, kTreesC, kTreeD, kTreesD}, P.rng.between(1, 5),
                  set_of({Use::Hedge, Use::Open}), 14);
        // Stands of 3D forest in proportion to the wooded ground.
        const auto wooded = std::count(P.maps.use.begin(), P.maps.use.end(), Use::Wood);
        if (wooded > 0) P.scatter({kForest3D, kForest3DB, kForest3DC}, 1 + static_cast<int>(wooded / 2500), kWood, 24);
        if (tile == 1 || tile == 7) P.scatter({kParachutist}, 3, kOpen, 10);
    }
    // Trees along the banks of rivers.
    if (!L.rivers.empty())
        P.scatter({kTree, kTrees, kTreeD, kTreesD}, 3, kTreeGround, 12,
                  [&P](Point p) { return P.ground_near(p, 7, set_of({Use::River})); });
}

// The V-1 sites hidden in the forest tiles.
void place_hidden_sites(Placer& P, int tile) {
    if (tile == 31) {
        P.scatter({kV1Site}, 2, kOpen, 20);
        P.scatter({kLightFlak}, 2, kOpen, 16);
        P.scatter({kTruck, kHalfTrack}, 2, kOpen, 10);
        P.scatter({kPeopleMilling}, 1, kOpen, 10);
    } else if (tile == 30) {
        P.scatter({kV1Site}, 1, kWood, 20, [&P](Point p) { return P.ground_near(p, 14, kRoad); });
    }
}

// Fills every remaining slot: city blocks, houses, trees and people wherever they fit,
// closer together as the free room runs out.
void fill_town(Placer& P) {
    for (double gap = 10; !P.full() && gap >= 2; gap -= 2) {
        while (!P.full()) {
            const auto p = P.find(kTownBuilt | kTownOpen, gap, {}, 300);
            if (!p) break;
            const bool built = P.ground_is(*p, kTownBuilt);
            P.add(built ? P.pick({kCityBlock1, kCityBlock2, kCityBlock3, kCityBlock4, kHouse, kWarehouse})
                        : P.pick({kPeopleMilling, kTree, kTrees, kLightFlak}),
                  *p, built ? P.street_heading() : P.any_heading());
        }
    }
}

}  // namespace

bool demo_tile_is_empty(int tile) { return tile == 24 || tile == 28 || tile == 33 || tile == 40 || tile == 47; }

void place_tile_objects(const TileLayout& layout, const TileMaps& maps, TileRecord& out) {
    if (demo_tile_is_empty(layout.tile)) return;
    Placer P(layout, maps, out);
    const int tile = layout.tile;
    // Fixed structures first, so the scattered objects keep clear of them.
    if (layout.runway) place_airfield(P);
    place_bridges(P, layout.roads, false);
    place_bridges(P, layout.rails, true);
    if (!layout.towns.empty()) place_town(P, tile);
    if (!layout.sea.empty()) place_coast(P, tile);
    for (const Path& rail : layout.rails) place_train(P, rail);
    for (const Path& road : layout.roads) place_traffic(P, road);
    place_hidden_sites(P, tile);
    if (tile != 2) place_countryside(P, tile);
    if (tile == 10) fill_town(P);
}

ObjectTable make_demo_table() {
    ObjectTable table;
    for (int t = 0; t < kTileCount; ++t) {
        const TileLayout layout = tile_layout(t);
        const TileMaps maps = build_tile_maps(layout);
        TileRecord& tile = table.tile(t);
        place_tile_objects(layout, maps, tile);
        int n = 0;
        for (const ObjectRecord& r : tile.objects) n += r.in_use ? 1 : 0;
        tile.object_count = static_cast<std::uint8_t>(n);
    }
    return table;
}

}  // namespace kvr::demo
