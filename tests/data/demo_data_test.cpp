// The demo data: its tile pictures show what their names say, its objects stand on fitting
// ground, its table is a valid packed file, and (native build) the generated files match.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "editor/data/kvr_file.h"
#include "tools/demo_data/demo_objects.h"
#include "tools/demo_data/tile_layout.h"
#include "tools/demo_data/tile_maps.h"
#include "tools/demo_data/tile_pictures.h"

namespace kvr::demo {
namespace {

constexpr int kPixels = kTileSize * kTileSize;

// Every tile's ground and objects, worked out once per test program.
struct Demo {
    std::vector<TileMaps> maps;
    ObjectTable table;
};

const Demo& demo() {
    static const Demo d = [] {
        Demo d;
        for (int t = 0; t < kTileCount; ++t) {
            const TileLayout layout = tile_layout(t);
            d.maps.push_back(build_tile_maps(layout));
            place_tile_objects(layout, d.maps.back(), d.table.tile(t));
            int n = 0;
            for (const ObjectRecord& r : d.table.tile(t).objects) n += r.in_use;
            d.table.tile(t).object_count = static_cast<std::uint8_t>(n);
        }
        return d;
    }();
    return d;
}

const ObjectTable& demo_table() { return demo().table; }
const std::vector<TileMaps>& all_maps() { return demo().maps; }

double share(const TileMaps& m, std::initializer_list<Use> uses) {
    const auto n = std::count_if(m.use.begin(), m.use.end(),
                                 [&](Use u) { return std::find(uses.begin(), uses.end(), u) != uses.end(); });
    return static_cast<double>(n) / kPixels;
}

std::string name_of(int tile) { return std::string(tile_picture_names()[static_cast<std::size_t>(tile)]); }
bool starts(const std::string& s, const char* prefix) { return s.rfind(prefix, 0) == 0; }

TEST(DemoPictures, FileNamesFollowTheTileNames) {
    const char* expected[kTileCount] = {
        "bnField8.pcx", "bnGrass.pcx",  "bnWater.pcx",  "bnCoast1.pcx", "bnCoast3.pcx", "bnCoast2.pcx", "bnField1.pcx",
        "bnField2.pcx", "bnField5.pcx", "bnField4.pcx", "bnalcty.pcx",  "bnalcty2.pcx", "bnalcty3.pcx", "bnalcty4.pcx",
        "bnRiver1.pcx", "bnRiver2.pcx", "bnRiver9.pcx", "bnRiver4.pcx", "bnRiver5.pcx", "bnRiver6.pcx", "bnRiver7.pcx",
        "bnRiver8.pcx", "bnMount1.pcx", "bnMount4.pcx", "bnMount3.pcx", "bnMount2.pcx", "bnForst4.pcx", "bnForst1.pcx",
        "bnForst5.pcx", "bnForst6.pcx", "bnForst3.pcx", "bnForst2.pcx", "bnCoast4.pcx", "bnCoast5.pcx", "bnRoad1.pcx",
        "bnRoad2.pcx",  "bnRoad6.pcx",  "bnRoad4.pcx",  "bnField7.pcx", "bnRoad8.pcx",  "bnRoad9.pcx",  "bnForst7.pcx",
        "bnalcty5.pcx", "bnRivrND.pcx", "bnCoast6.pcx", "bnRoad10.pcx", "bnalcty9.pcx", "bnField6.pcx", "bnalcty7.pcx",
        "bnalcty8.pcx", "bnCostU1.pcx", "bnCostU2.pcx", "bnCostBR.pcx", "bnRivrBR.pcx", "bnRivrFK.pcx", "bnCostRV.pcx",
        "bnRivrTR.pcx", "bnCostCT.pcx", "bnCostTR.pcx",
    };
    for (int t = 0; t < kTileCount; ++t) EXPECT_EQ(tile_picture_file(t), expected[t]) << "tile " << t;
}

TEST(DemoPictures, PpmCarriesThePaletteColours) {
    std::array<Rgb, 256> palette{};
    palette[3] = {1, 2, 3};
    palette[200] = {250, 251, 252};
    const std::vector<std::uint8_t> ppm = ppm_image({3, 200, 200}, 3, 1, palette);
    const std::string header = "P6\n3 1\n255\n";
    ASSERT_EQ(ppm.size(), header.size() + 9);
    EXPECT_EQ(std::string(ppm.begin(), ppm.begin() + static_cast<long>(header.size())), header);
    const std::vector<std::uint8_t> pixels(ppm.begin() + static_cast<long>(header.size()), ppm.end());
    EXPECT_EQ(pixels, (std::vector<std::uint8_t>{1, 2, 3, 250, 251, 252, 250, 251, 252}));
}

// A minimal 8-bit paletted PCX of w x h, every pixel colour 0.
std::vector<std::uint8_t> tiny_pcx(int w, int h) {
    std::vector<std::uint8_t> f(128, 0);
    f[0] = 0x0A;
    f[1] = 5;
    f[2] = 1;
    f[3] = 8;
    f[8] = static_cast<std::uint8_t>(w - 1);
    f[10] = static_cast<std::uint8_t>(h - 1);
    f[65] = 1;
    f[66] = static_cast<std::uint8_t>(w + (w & 1));
    for (int y = 0; y < h; ++y) {
        f.push_back(static_cast<std::uint8_t>(0xC0 | (w + (w & 1))));
        f.push_back(0);
    }
    f.push_back(0x0C);
    f.resize(f.size() + 768, 0x40);
    return f;
}

TEST(DemoPictures, PcxCheckAcceptsOnlyEightBitPalettedPictures) {
    std::string reason;
    EXPECT_TRUE(check_pcx_8bit(tiny_pcx(5, 3), 5, 3, reason)) << reason;

    auto fails = [](std::vector<std::uint8_t> f, int w, int h, const char* what) {
        std::string why;
        EXPECT_FALSE(check_pcx_8bit(f, w, h, why)) << what;
        EXPECT_FALSE(why.empty()) << what;
    };
    fails(tiny_pcx(5, 3), 6, 3, "other width");
    fails(tiny_pcx(5, 3), 5, 4, "other height");
    auto f = tiny_pcx(5, 3);
    f[3] = 1;
    f[65] = 4;
    fails(f, 5, 3, "16-colour planes");
    f = tiny_pcx(5, 3);
    f[65] = 3;
    fails(f, 5, 3, "24-bit");
    f = tiny_pcx(5, 3);
    f[f.size() - 769] = 0;
    fails(f, 5, 3, "no palette marker");
    f = tiny_pcx(5, 3);
    f[2] = 0;
    fails(f, 5, 3, "not run-length");
    fails(std::vector<std::uint8_t>(600, 0x0A), 5, 3, "too short");
}

// Each picture shows what its name promises.
TEST(DemoPictures, TilesShowWhatTheirNamesSay) {
    for (int t = 0; t < kTileCount; ++t) {
        const TileMaps& m = all_maps()[static_cast<std::size_t>(t)];
        const std::string name = name_of(t);
        SCOPED_TRACE(name);
        const double sea = share(m, {Use::Sea});
        if (name == "Water") {
            EXPECT_EQ(sea, 1.0);
        }
        if (starts(name, "Coast") || starts(name, "Cost")) {
            EXPECT_GT(sea, 0.1);
            EXPECT_LT(sea, 0.9);
            EXPECT_GT(share(m, {Use::Shore}), 0.005);
        }
        if (!starts(name, "Coast") && !starts(name, "Cost") && name != "Water") {
            EXPECT_EQ(sea, 0.0);
        }
        if (starts(name, "River") || starts(name, "Rivr") || name == "CostRV") {
            EXPECT_GT(share(m, {Use::River}), 0.015);
        }
        if (starts(name, "City") || name == "CostCT") {
            EXPECT_GT(share(m, {Use::Building}), 0.05);
        }
        if (starts(name, "Forst") || name == "CostTR") {
            EXPECT_GT(share(m, {Use::Wood}), 0.25);
        }
        if (starts(name, "Mount")) {
            EXPECT_GT(share(m, {Use::Rock}), 0.1);
            EXPECT_GT(share(m, {Use::Snow}), 0.0);
        }
        if (starts(name, "Road")) {
            EXPECT_GT(share(m, {Use::Road}), 0.02);
        }
        if (starts(name, "Field")) {
            EXPECT_GT(share(m, {Use::Hedge}), 0.01);
            EXPECT_GT(share(m, {Use::Open, Use::Hedge}), 0.5);
        }
        if (name == "RivrND") {
            EXPECT_GT(share(m, {Use::Lake}), 0.03);
        }
        if (name == "RivrBR" || name == "CostBR" || name == "River8") {
            EXPECT_GT(share(m, {Use::Bridge}), 0.0);
        }
        EXPECT_EQ(share(m, {Use::Runway}) > 0, name == "Field8");
    }
}

TEST(DemoObjects, TableIsAPackedCountedFile) {
    const ObjectTable& t = demo_table();
    for (int tile = 0; tile < kTileCount; ++tile) {
        int n = 0;
        for (int k = 0; k < kSlotCount; ++k) {
            const ObjectRecord& r = t.object(tile, k);
            if (!r.in_use) {
                EXPECT_EQ(r, ObjectRecord{}) << tile << "/" << k;
                continue;
            }
            EXPECT_EQ(k, n++) << "tile " << tile << ": a gap before slot " << k;
            EXPECT_GE(r.type, 1) << tile << "/" << k;
            EXPECT_LE(r.type, 72) << tile << "/" << k;
        }
        EXPECT_EQ(t.tile(tile).object_count, n) << tile;
    }
    // Written and read back, nothing changes.
    ObjectTable copy = t;
    const std::vector<std::uint8_t> image = build_save_image(copy);
    ObjectTable back;
    std::string reason;
    ASSERT_TRUE(parse_file_image(image.data(), image.size(), back, reason)) << reason;
    EXPECT_EQ(back, t);
}

TEST(DemoObjects, MakeDemoTableCountsWhatThePlacerPlaced) { EXPECT_EQ(make_demo_table(), demo_table()); }

TEST(DemoObjects, TilesRangeFromEmptyToFull) {
    const ObjectTable& t = demo_table();
    int empty = 0, full = 0;
    for (int tile = 0; tile < kTileCount; ++tile) {
        const int n = t.tile(tile).object_count;
        EXPECT_EQ(n == 0, demo_tile_is_empty(tile)) << tile;
        empty += n == 0;
        full += n == kSlotCount;
    }
    EXPECT_GE(empty, 3);
    EXPECT_EQ(full, 1);
    EXPECT_EQ(t.tile(10).object_count, kSlotCount);
    EXPECT_GE(t.tile(0).object_count, 12);  // the first tile the editor shows
}

TEST(DemoObjects, ManyTypesAndEveryHeading) {
    std::set<int> types;
    std::array<int, 8> octants{};
    for (const TileRecord& tile : demo_table().tiles)
        for (const ObjectRecord& r : tile.objects)
            if (r.in_use) {
                types.insert(r.type);
                ++octants[r.orientation / 32];
            }
    EXPECT_GE(types.size(), 65u);
    for (int o = 0; o < 8; ++o) EXPECT_GE(octants[static_cast<std::size_t>(o)], 10) << "octant " << o;
}

// Where each kind of object may stand.
bool fits(std::uint8_t type, Use u) {
    const bool water = is_water(u);
    switch (type) {
        case kFreighter:
        case kDestroyer:
            return u == Use::Sea;
        case kRoadBridgeStone:
        case kRoadBridgeWood:
        case kRoadBridgeIron:
        case kRailBridgeStone:
        case kRailBridgeWood:
        case kRailBridgeIron:
            return u == Use::Bridge;
        case kTrainEngine:
        case kTrainTender:
        case kTrainBoxcar:
        case kTrainOilTanker:
        case kTrainFlatbed:
        case kTrainFlatbedTanks:
        case kTrainFlatbedGuns:
            return u == Use::Rail;
        case kAirfield:
            return u == Use::Runway;
        case kCityBlock1:
        case kCityBlock2:
        case kCityBlock3:
        case kCityBlock4:
        case kChurch:
        case kCathedral:
            return u == Use::Building;
        case kForest3D:
        case kForest3DB:
        case kForest3DC:
            return u == Use::Wood;
        case kFuelTruck:
        case kTruck:
        case kTruckB:
        case kHalfTrack:
        case kKubelwagen:
        case kPantherTank:
        case kShermanTank:
        case kPeopleMarching:
            return u == Use::Road || u == Use::Street || u == Use::Apron || u == Use::Open;
        default:
            return !water && u != Use::Bridge && u != Use::Runway;
    }
}

TEST(DemoObjects, ObjectsStandOnFittingGround) {
    const ObjectTable& t = demo_table();
    for (int tile = 0; tile < kTileCount; ++tile) {
        const TileMaps& m = all_maps()[static_cast<std::size_t>(tile)];
        for (int k = 0; k < t.tile(tile).object_count; ++k) {
            const ObjectRecord& r = t.object(tile, k);
            const Use u = m.use_at(r.x, r.y);
            EXPECT_TRUE(fits(r.type, u)) << name_of(tile) << " slot " << k << ": type " << int(r.type) << " at ("
                                         << int(r.x) << ", " << int(r.y) << ") on ground " << int(u);
        }
    }
}

TEST(DemoObjects, BridgesLieAlongTheirRoad) {
    // A bridge heading along its road: stepping from the bridge along its heading stays on
    // the bridge or road for a few pixels.
    const ObjectTable& t = demo_table();
    int bridges = 0;
    for (int tile = 0; tile < kTileCount; ++tile) {
        const TileMaps& m = all_maps()[static_cast<std::size_t>(tile)];
        for (const ObjectRecord& r : t.tile(tile).objects) {
            if (!r.in_use || r.type < kRoadBridgeStone || r.type > kRailBridgeIron) continue;
            ++bridges;
            const double turn = r.orientation / 256.0 * 2 * kPi;
            const Point dir{-std::sin(turn), -std::cos(turn)};
            for (double step : {-4.0, 4.0}) {
                const int x = static_cast<int>(std::floor(r.x + 0.5 + dir.x * step));
                const int y = static_cast<int>(std::floor(r.y + 0.5 + dir.y * step));
                const Use u = m.use_at(x, y);
                EXPECT_TRUE(u == Use::Bridge || u == Use::Road || u == Use::Rail)
                    << name_of(tile) << " bridge at (" << int(r.x) << ", " << int(r.y) << ") heading "
                    << int(r.orientation);
            }
        }
    }
    EXPECT_GE(bridges, 6);
}

#ifdef KVR_DEMO_OUTPUT

std::vector<std::uint8_t> read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The pixels of an 8-bit run-length PCX as RGB triples via its own palette.
std::vector<Rgb> decode_pcx(const std::vector<std::uint8_t>& f, int w, int h) {
    const int line = f[66] | (f[67] << 8);
    const std::size_t pal = f.size() - 768;
    std::vector<Rgb> out;
    std::size_t at = 128;
    for (int y = 0; y < h; ++y) {
        std::vector<std::uint8_t> row;
        while (static_cast<int>(row.size()) < line && at < pal) {
            std::uint8_t b = f[at++];
            int run = 1;
            if ((b & 0xC0) == 0xC0) {
                run = b & 0x3F;
                b = f[at++];
            }
            row.insert(row.end(), static_cast<std::size_t>(run), b);
        }
        for (int x = 0; x < w; ++x) {
            const std::size_t i = pal + 3u * row.at(static_cast<std::size_t>(x));
            out.push_back({f[i], f[i + 1], f[i + 2]});
        }
    }
    return out;
}

TEST(DemoFiles, DataFileIsTheDemoTable) {
    const std::vector<std::uint8_t> file = read_file(std::string(KVR_DEMO_OUTPUT) + "/KVR_ZPL.DAT");
    ASSERT_EQ(file.size(), kFileSize);
    ObjectTable loaded;
    std::string reason;
    ASSERT_TRUE(parse_file_image(file.data(), file.size(), loaded, reason)) << reason;
    EXPECT_EQ(loaded, demo_table());
    int empty = 0;
    bool full = false;
    for (const TileRecord& tile : loaded.tiles) {
        empty += tile.object_count == 0;
        full = full ||
               std::all_of(tile.objects.begin(), tile.objects.end(), [](const ObjectRecord& r) { return r.in_use; });
    }
    EXPECT_TRUE(full);
    EXPECT_GE(empty, 3);
}

TEST(DemoFiles, EveryTilePictureIsAnEightBitPcxOfItsTile) {
    for (int t = 0; t < kTileCount; ++t) {
        const std::string path = std::string(KVR_DEMO_OUTPUT) + "/tiles/" + tile_picture_file(t);
        const std::vector<std::uint8_t> f = read_file(path);
        std::string reason;
        ASSERT_TRUE(check_pcx_8bit(f, kTileSize, kTileSize, reason)) << path << ": " << reason;
        const std::vector<Rgb> pixels = decode_pcx(f, kTileSize, kTileSize);
        const TileMaps& m = all_maps()[static_cast<std::size_t>(t)];
        for (int i = 0; i < kPixels; ++i)
            ASSERT_EQ(pixels[static_cast<std::size_t>(i)], demo_palette()[m.colour[static_cast<std::size_t>(i)]])
                << path << " pixel " << i;
    }
}

#endif

}  // namespace
}  // namespace kvr::demo
