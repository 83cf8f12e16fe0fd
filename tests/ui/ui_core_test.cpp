// The editor's portable UI pieces: vocabularies, picture file names, marker pictures,
// marker geometry, the remembered folder, the data file reader and the command line.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "editor/data/kvr_file.h"
#include "editor/ui/box_value.h"
#include "editor/ui/command_line.h"
#include "editor/ui/data_file_io.h"
#include "editor/ui/marker_geometry.h"
#include "editor/ui/marker_pictures.h"
#include "editor/ui/pcxdir_file.h"
#include "editor/ui/vocabularies.h"

namespace fs = std::filesystem;
using namespace kvr::ui;

namespace {

fs::path temp_folder(const std::string& name) {
    const char* base = std::getenv("KVR_TMP");
    fs::path folder = fs::path(base ? base : fs::temp_directory_path().string()) / ("ui_core_" + name);
    fs::remove_all(folder);
    fs::create_directories(folder);
    return folder;
}

void write_bytes(const fs::path& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace

// --- vocabularies ------------------------------------------------------------------------------

TEST(Vocabularies, TypeNamesCarryTheirCodeWithoutLeadingZeros) {
    ASSERT_EQ(ObjectTypeNames.size(), 73u);
    size_t longest = 0;
    for (int code = 0; code < 73; ++code) {
        const std::string entry = ObjectTypeNames[static_cast<size_t>(code)];
        EXPECT_EQ(entry.rfind(std::to_string(code) + " - ", 0), 0u) << entry;
        longest = std::max(longest, entry.size());
    }
    EXPECT_EQ(longest, 25u);
    EXPECT_STREQ(ObjectTypeNames[0], "0 - ???");
    EXPECT_STREQ(ObjectTypeNames[9], "9 - U-boat pen");
    EXPECT_STREQ(ObjectTypeNames[26], "26 - Airfield ammo bunker");
    EXPECT_STREQ(ObjectTypeNames[58], "58 - Church");
    EXPECT_STREQ(ObjectTypeNames[69], "69 - Parachutist");
    EXPECT_STREQ(ObjectTypeNames[70], "70 - People Milling");
    EXPECT_STREQ(ObjectTypeNames[71], "71 - People Marching");
    EXPECT_STREQ(ObjectTypeNames[72], "72 - Destroyer");
    // Names that stand under several codes keep one entry per code.
    for (int code : {32, 34, 36, 38}) EXPECT_STREQ(ObjectTypeNames[static_cast<size_t>(code)], (std::to_string(code) + " - Tree").c_str());
    for (int code : {22, 40, 42}) EXPECT_STREQ(ObjectTypeNames[static_cast<size_t>(code)], (std::to_string(code) + " - 3D forest").c_str());
    std::set<std::string> unique(ObjectTypeNames.begin(), ObjectTypeNames.end());
    EXPECT_EQ(unique.size(), 73u);
}

TEST(Vocabularies, DialogTypeNamesDifferOnlyIn70And71) {
    for (size_t code = 0; code < 73; ++code) {
        if (code == 70 || code == 71) continue;
        EXPECT_STREQ(DialogObjectTypeNames[code], ObjectTypeNames[code]) << code;
    }
    EXPECT_STREQ(DialogObjectTypeNames[70], "70 - ???");
    EXPECT_STREQ(DialogObjectTypeNames[71], "71 - ???");
    EXPECT_STREQ(DialogObjectTypeNames[69], "69 - Parachutist");
}

TEST(Vocabularies, TileNamesCarryTwoDigits) {
    ASSERT_EQ(TileNames.size(), 59u);
    size_t longest = 0;
    for (int tile = 0; tile < 59; ++tile) {
        const std::string entry = TileNames[static_cast<size_t>(tile)];
        char digits[3];
        std::snprintf(digits, sizeof digits, "%02d", tile);
        EXPECT_EQ(entry.substr(0, 5), std::string(digits) + " - ") << entry;
        longest = std::max(longest, entry.size());
    }
    EXPECT_EQ(longest, 11u);
    EXPECT_STREQ(TileNames[0], "00 - Field8");
    EXPECT_STREQ(TileNames[43], "43 - RivrND");
    EXPECT_STREQ(TileNames[58], "58 - CostTR");
}

TEST(PictureFileNames, EveryTileHasItsFile) {
    const char* expected[59] = {
        "bnField8.pcx", "bnGrass.pcx",  "bnWater.pcx",  "bnCoast1.pcx", "bnCoast3.pcx", "bnCoast2.pcx",
        "bnField1.pcx", "bnField2.pcx", "bnField5.pcx", "bnField4.pcx", "bnalcty.pcx",  "bnalcty2.pcx",
        "bnalcty3.pcx", "bnalcty4.pcx", "bnRiver1.pcx", "bnRiver2.pcx", "bnRiver9.pcx", "bnRiver4.pcx",
        "bnRiver5.pcx", "bnRiver6.pcx", "bnRiver7.pcx", "bnRiver8.pcx", "bnMount1.pcx", "bnMount4.pcx",
        "bnMount3.pcx", "bnMount2.pcx", "bnForst4.pcx", "bnForst1.pcx", "bnForst5.pcx", "bnForst6.pcx",
        "bnForst3.pcx", "bnForst2.pcx", "bnCoast4.pcx", "bnCoast5.pcx", "bnRoad1.pcx",  "bnRoad2.pcx",
        "bnRoad6.pcx",  "bnRoad4.pcx",  "bnField7.pcx", "bnRoad8.pcx",  "bnRoad9.pcx",  "bnForst7.pcx",
        "bnalcty5.pcx", "bnRivrND.pcx", "bnCoast6.pcx", "bnRoad10.pcx", "bnalcty9.pcx", "bnField6.pcx",
        "bnalcty7.pcx", "bnalcty8.pcx", "bnCostU1.pcx", "bnCostU2.pcx", "bnCostBR.pcx", "bnRivrBR.pcx",
        "bnRivrFK.pcx", "bnCostRV.pcx", "bnRivrTR.pcx", "bnCostCT.pcx", "bnCostTR.pcx",
    };
    for (int tile = 0; tile < 59; ++tile) EXPECT_EQ(tile_picture_file_name(tile), expected[tile]) << tile;
}

TEST(PictureFileNames, CityRuleIsExactAndCaseSensitive) {
    EXPECT_EQ(picture_file_name("10 - City1"), "bnalcty.pcx");
    EXPECT_EQ(picture_file_name("99 - City0"), "bnalcty0.pcx");
    EXPECT_EQ(picture_file_name("99 - CityX"), "bnalctyX.pcx");  // any last character
    EXPECT_EQ(picture_file_name("99 - city3"), "bncity3.pcx");   // case counts
    EXPECT_EQ(picture_file_name("99 - CITY3"), "bnCITY3.pcx");
    EXPECT_EQ(picture_file_name("99 - City12"), "bnCity12.pcx");  // "City1" + "2" is not "City" + one
    EXPECT_EQ(picture_file_name("99 - City"), "bnCity.pcx");
    EXPECT_EQ(picture_file_name("99 - XCity1"), "bnXCity1.pcx");
    EXPECT_EQ(picture_file_name("99 - "), "bn.pcx");
}

TEST(PictureFileNames, PathAlwaysAddsOneBackslash) {
    EXPECT_EQ(tile_picture_path("C:\\tiles", 0), "C:\\tiles\\bnField8.pcx");
    EXPECT_EQ(tile_picture_path("C:\\", 0), "C:\\\\bnField8.pcx");
    EXPECT_EQ(tile_picture_path("D:\\pics", 10), "D:\\pics\\bnalcty.pcx");
}

TEST(PictureFileNames, TrimBlanks) {
    EXPECT_EQ(trim_blanks("  bnWater.pcx "), "bnWater.pcx");
    EXPECT_EQ(trim_blanks("bn a.pcx"), "bn a.pcx");
    EXPECT_EQ(trim_blanks("   "), "");
}

// --- marker pictures ---------------------------------------------------------------------------

TEST(MarkerPictures, UnselectedIsADiscWithoutCorners) {
    const char* picture[4] = {".##.", "####", "####", ".##."};
    ASSERT_EQ(marker_size(false), 4);
    for (int row = 0; row < 4; ++row)
        for (int column = 0; column < 4; ++column)
            EXPECT_EQ(marker_pixel(false, row, column), picture[row][column] == '#') << row << "," << column;
}

TEST(MarkerPictures, SelectedIsARingWithACentreDot) {
    const char* picture[10] = {
        "..######..", ".#......#.", "#........#", "#........#", "#...##...#",
        "#...##...#", "#........#", "#........#", ".#......#.", "..######..",
    };
    ASSERT_EQ(marker_size(true), 10);
    int red = 0;
    for (int row = 0; row < 10; ++row) {
        for (int column = 0; column < 10; ++column) {
            EXPECT_EQ(marker_pixel(true, row, column), picture[row][column] == '#') << row << "," << column;
            red += marker_pixel(true, row, column);
        }
    }
    EXPECT_EQ(red, 32);
}

TEST(MarkerPictures, OutsideIsTransparent) {
    EXPECT_FALSE(marker_pixel(false, 4, 1));
    EXPECT_FALSE(marker_pixel(false, 1, -1));
    EXPECT_FALSE(marker_pixel(true, 10, 2));
    EXPECT_FALSE(marker_pixel(true, 0, 10));
}

// --- marker geometry ---------------------------------------------------------------------------

TEST(MarkerGeometry, InUseMarkerIsCentredOnItsPoint) {
    EXPECT_EQ(in_use_marker_place(8, 8, 0, 0), (MarkerPlace{6, 6}));
    EXPECT_EQ(shifted(in_use_marker_place(8, 8, 0, 0), -kSelectedShift), (MarkerPlace{3, 3}));
    EXPECT_EQ(in_use_marker_place(8, 8, 255, 255), (MarkerPlace{516, 516}));
    EXPECT_EQ(in_use_marker_place(8, 8, 100, 7), (MarkerPlace{206, 20}));
    EXPECT_EQ(in_use_marker_place(20.5f, 3, 1, 2), (MarkerPlace{20.5f, 5}));
    // Selected and back again is where it started.
    const MarkerPlace p = in_use_marker_place(8, 8, 37, 201);
    EXPECT_EQ(shifted(shifted(p, -kSelectedShift), kSelectedShift), p);
}

TEST(MarkerGeometry, IndicatorPointsAtTheCompass) {
    EXPECT_EQ(indicator_end_rounded(0), (IndicatorPixel{5, 0}));     // north, up
    EXPECT_EQ(indicator_end_rounded(32), (IndicatorPixel{0, 0}));
    EXPECT_EQ(indicator_end_rounded(64), (IndicatorPixel{0, 5}));    // west, left
    EXPECT_EQ(indicator_end_rounded(96), (IndicatorPixel{0, 10}));
    EXPECT_EQ(indicator_end_rounded(128), (IndicatorPixel{5, 10}));  // south
    EXPECT_EQ(indicator_end_rounded(160), (IndicatorPixel{10, 10}));
    EXPECT_EQ(indicator_end_rounded(192), (IndicatorPixel{10, 5}));  // east
    EXPECT_EQ(indicator_end_rounded(224), (IndicatorPixel{10, 0}));
}

TEST(MarkerGeometry, IndicatorBetweenTheCorners) {
    // 5 - 5 tan(22.5 degrees) = 2.9289...
    EXPECT_NEAR(indicator_end(16).x, 2.92893, 1e-4);
    EXPECT_EQ(indicator_end(16).y, 0);
    EXPECT_EQ(indicator_end_rounded(16), (IndicatorPixel{3, 0}));
    EXPECT_EQ(indicator_end_rounded(48), (IndicatorPixel{0, 3}));
    EXPECT_EQ(indicator_end_rounded(80), (IndicatorPixel{0, 7}));
    EXPECT_EQ(indicator_end_rounded(112), (IndicatorPixel{3, 10}));
    EXPECT_EQ(indicator_end_rounded(144), (IndicatorPixel{7, 10}));
    EXPECT_EQ(indicator_end_rounded(176), (IndicatorPixel{10, 7}));
    EXPECT_EQ(indicator_end_rounded(208), (IndicatorPixel{10, 3}));
    EXPECT_EQ(indicator_end_rounded(240), (IndicatorPixel{7, 0}));
    // One unit: 5 tan(1.40625 degrees) = 0.1227...
    EXPECT_NEAR(indicator_end(1).x, 5 - 0.122747, 1e-5);
    EXPECT_NEAR(indicator_end(255).x, 5 + 0.122747, 1e-5);
}

TEST(MarkerGeometry, IndicatorEndsOnTheBorderAndTurnsCounterClockwise) {
    double previous_angle = -1;
    for (int o = 0; o < 256; ++o) {
        const IndicatorEnd end = indicator_end(static_cast<std::uint8_t>(o));
        const bool on_border = end.x == 0 || end.x == 10 || end.y == 0 || end.y == 10;
        EXPECT_TRUE(on_border) << o;
        EXPECT_GE(end.x, 0);
        EXPECT_LE(end.x, 10);
        EXPECT_GE(end.y, 0);
        EXPECT_LE(end.y, 10);
        // Counter-clockwise from north on screen (y down): the angle grows with o.
        double angle = std::atan2(-(end.x - 5), -(end.y - 5));
        if (angle < 0) angle += 2 * kPi;
        if (o > 0) {
            EXPECT_GT(angle, previous_angle) << o;
        }
        previous_angle = angle;
        // Mirror image across the north-south line.
        if (o > 0) {
            const IndicatorEnd mirror = indicator_end(static_cast<std::uint8_t>(256 - o));
            EXPECT_NEAR(end.x + mirror.x, 10, 1e-9) << o;
            EXPECT_NEAR(end.y, mirror.y, 1e-9) << o;
        }
    }
}

TEST(MarkerGeometry, RoundHalfEven) {
    EXPECT_EQ(round_half_even(2.5), 2);
    EXPECT_EQ(round_half_even(3.5), 4);
    EXPECT_EQ(round_half_even(0.5), 0);
    EXPECT_EQ(round_half_even(-2.5), -2);
    EXPECT_EQ(round_half_even(-1.5), -2);
    EXPECT_EQ(round_half_even(2.4999), 2);
    EXPECT_EQ(round_half_even(2.5001), 3);
    EXPECT_EQ(round_half_even(7.0), 7);
}

// --- pcxdir.txt ----------------------------------------------------------------------------------

TEST(PcxDirFile, FirstFieldFollowsTheDelimitedRules) {
    EXPECT_EQ(first_delimited_field("\"C:\\tiles\"\r\n"), "C:\\tiles");
    EXPECT_EQ(first_delimited_field("   \"C:\\my tiles, old\" , x\r\n"), "C:\\my tiles, old");
    EXPECT_EQ(first_delimited_field("C:\\tiles,second\r\n"), "C:\\tiles");
    EXPECT_EQ(first_delimited_field("  C:\\tiles\r\nnext line"), "C:\\tiles");
    EXPECT_EQ(first_delimited_field("C:\\tiles\nx"), "C:\\tiles");
    EXPECT_EQ(first_delimited_field("C:\\tiles"), "C:\\tiles");
    EXPECT_EQ(first_delimited_field("\"C:\\no closing quote"), "C:\\no closing quote");
    EXPECT_EQ(first_delimited_field("\t\"Z:\\a\""), "Z:\\a");
    EXPECT_FALSE(first_delimited_field(""));
    EXPECT_FALSE(first_delimited_field("    "));
    EXPECT_FALSE(first_delimited_field("\"\"\r\n"));
    EXPECT_FALSE(first_delimited_field(",C:\\tiles"));
    EXPECT_FALSE(first_delimited_field("\r\nC:\\tiles"));
}

TEST(PcxDirFile, WrittenLineReadsBack) {
    EXPECT_EQ(pcxdir_line("C:\\tiles"), "\"C:\\tiles\"\r\n");
    const fs::path folder = temp_folder("pcxdir");
    const std::string path = (folder / "pcxdir.txt").string();
    ASSERT_TRUE(write_pcxdir_file(path, "Z:\\work\\tiles, old"));
    std::ifstream in(path, std::ios::binary);
    const std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(content, "\"Z:\\work\\tiles, old\"\r\n");
    EXPECT_EQ(read_pcxdir_file(path), "Z:\\work\\tiles, old");
    // Replaced, not appended.
    ASSERT_TRUE(write_pcxdir_file(path, "C:\\"));
    EXPECT_EQ(fs::file_size(path), 7u);
    EXPECT_EQ(read_pcxdir_file(path), "C:\\");
}

TEST(PcxDirFile, FailuresGiveNothing) {
    const fs::path folder = temp_folder("pcxdir_fail");
    EXPECT_FALSE(read_pcxdir_file((folder / "missing.txt").string()));
    write_bytes(folder / "empty.txt", {});
    EXPECT_FALSE(read_pcxdir_file((folder / "empty.txt").string()));
    EXPECT_FALSE(write_pcxdir_file((folder / "no such folder" / "pcxdir.txt").string(), "C:\\"));
}

// --- the data file -------------------------------------------------------------------------------

TEST(DataFileRead, WholeFileFillsTheTable) {
    const fs::path folder = temp_folder("data");
    std::vector<std::uint8_t> image(kvr::kFileSize + 100, 0);
    image[7 * kvr::kTileBlockSize + 16] = 9;                      // tile 7's count
    image[7 * kvr::kTileBlockSize + 20 + 80 * 3 + 0] = 58;        // tile 7, slot 3: type
    image[7 * kvr::kTileBlockSize + 20 + 80 * 3 + 3] = 200;       // orientation
    image[7 * kvr::kTileBlockSize + 20 + 80 * 3 + 4] = 17;        // x
    image[7 * kvr::kTileBlockSize + 20 + 80 * 3 + 8] = 255;       // y
    image[58 * kvr::kTileBlockSize + 20 + 80 * 63 + 79] = 1;      // a skipped byte only
    write_bytes(folder / "KVR_ZPL.DAT", image);

    kvr::ObjectTable table;
    table.object(0, 0) = {1, 2, 3, 4, true};  // overwritten by the load
    std::string reason;
    ASSERT_TRUE(read_data_file((folder / "KVR_ZPL.DAT").string(), table, reason)) << reason;
    EXPECT_EQ(table.tile(7).object_count, 9);
    EXPECT_EQ(table.object(7, 3), (kvr::ObjectRecord{58, 200, 17, 255, true}));
    EXPECT_EQ(table.object(0, 0), kvr::ObjectRecord{});
    EXPECT_FALSE(table.object(58, 63).in_use);
}

TEST(DataFileRead, ShortOrMissingFileChangesNothing) {
    const fs::path folder = temp_folder("data_short");
    write_bytes(folder / "short.dat", std::vector<std::uint8_t>(kvr::kFileSize - 1, 1));
    kvr::ObjectTable table;
    table.object(3, 4) = {1, 2, 3, 4, true};
    const kvr::ObjectTable before = table;
    std::string reason;
    EXPECT_FALSE(read_data_file((folder / "short.dat").string(), table, reason));
    EXPECT_EQ(table, before);
    EXPECT_NE(reason.find("303259"), std::string::npos) << reason;
    EXPECT_NE(reason.find("303260"), std::string::npos) << reason;

    reason.clear();
    EXPECT_FALSE(read_data_file((folder / "missing.dat").string(), table, reason));
    EXPECT_EQ(table, before);
    EXPECT_NE(reason.find("cannot be opened"), std::string::npos) << reason;
}

// --- the command line ----------------------------------------------------------------------------

TEST(CommandLine, FirstArgument) {
    EXPECT_EQ(first_argument("KVR_ZPL.DAT"), "KVR_ZPL.DAT");
    EXPECT_EQ(first_argument("  KVR_ZPL.DAT other"), "KVR_ZPL.DAT");
    EXPECT_EQ(first_argument("\"C:\\my files\\KVR_ZPL.DAT\" x"), "C:\\my files\\KVR_ZPL.DAT");
    EXPECT_EQ(first_argument(""), "");
    EXPECT_EQ(first_argument("   "), "");
    EXPECT_EQ(first_argument("\"C:\\open"), "C:\\open");
}

// --- the values of the position and orientation boxes -------------------------------------------

TEST(BoxValue, DecimalNumbersOnly) {
    EXPECT_EQ(box_value("12"), 12.0);
    EXPECT_EQ(box_value(" 12.5 "), 12.5);
    EXPECT_EQ(box_value("-5"), -5.0);
    EXPECT_EQ(box_value("300"), 300.0);
    EXPECT_EQ(box_value("1e3"), 1000.0);
    EXPECT_EQ(box_value("12."), 12.0);
    EXPECT_EQ(box_value(".5"), 0.5);
    EXPECT_FALSE(box_value(""));
    EXPECT_FALSE(box_value("  "));
    EXPECT_FALSE(box_value("-"));
    EXPECT_FALSE(box_value("ab"));
    EXPECT_FALSE(box_value("12a"));
    EXPECT_FALSE(box_value("1 2"));
    EXPECT_FALSE(box_value("inf"));
    EXPECT_FALSE(box_value("nan"));
    EXPECT_FALSE(box_value("0x10"));
    EXPECT_FALSE(box_value("1e999"));
}

TEST(BoxValue, ReadInTheUsersDecimalSeparator) {
    EXPECT_EQ(box_value("12,5", ","), 12.5);
    EXPECT_EQ(box_value(" -0,25 ", ","), -0.25);
    EXPECT_EQ(box_value("13", ","), 13.0);
    EXPECT_FALSE(box_value("12.5", ","));  // a point is no separator there
    EXPECT_FALSE(box_value("12,5"));
    EXPECT_FALSE(box_value("1,2,3", ","));
    EXPECT_FALSE(box_value(",", ","));
    // Separators of more than one character, as the regional settings allow.
    EXPECT_EQ(box_value("7<>75", "<>"), 7.75);
    EXPECT_FALSE(box_value("7<75", "<>"));
    EXPECT_EQ(box_value("2.5", ""), 2.5);  // no separator known: the point
}

TEST(BoxValue, StoredByteRoundsHalvesToEven) {
    EXPECT_EQ(stored_byte(12.5), 12);
    EXPECT_EQ(stored_byte(13.5), 14);
    EXPECT_EQ(stored_byte(12.49), 12);
    EXPECT_EQ(stored_byte(254.5), 254);
    EXPECT_EQ(stored_byte(255.0), 255);
    EXPECT_EQ(stored_byte(0.5), 0);
    EXPECT_EQ(stored_byte(0.0), 0);
}
