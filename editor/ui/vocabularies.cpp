#include "editor/ui/vocabularies.h"

#include "editor/data/object_table.h"

namespace kvr::ui {

const std::array<const char*, kObjectTypeCount> ObjectTypeNames = {
    "0 - ???", "1 - Oil plant", "2 - Ball bearing plant", "3 - Chemical plant",
    "4 - Aircraft factory", "5 - Airfield", "6 - Armaments factory", "7 - RR station",
    "8 - Shipyard", "9 - U-boat pen", "10 - V-1 site", "11 - Road Bridge Stone",
    "12 - Road Bridge Wood", "13 - Road Bridge Iron", "14 - Rail Bridge Stone",
    "15 - Rail Bridge Wood", "16 - Rail Bridge Iron", "17 - Flak", "18 - Light flak",
    "19 - Oil tank", "20 - Radar station", "21 - Radar tower", "22 - 3D forest", "23 - Fort",
    "24 - Airfield fuel dump", "25 - Control tower", "26 - Airfield ammo bunker", "27 - Hangar",
    "28 - Airfield barracks", "29 - Airfield mess", "30 - Airfield O-club", "31 - Briefing hut",
    "32 - Tree", "33 - Trees", "34 - Tree", "35 - Trees", "36 - Tree", "37 - Trees", "38 - Tree",
    "39 - Trees", "40 - 3D forest", "41 - Warehouse", "42 - 3D forest", "43 - Train Engine",
    "44 - Train Tender", "45 - Train Boxcar", "46 - Train Oil Tanker", "47 - Train Flatbed",
    "48 - Train Flatbed Tanks", "49 - Train Flatbed Guns", "50 - Fuel Truck", "51 - Truck",
    "52 - Truck", "53 - Half-track", "54 - Kubelwagen", "55 - Panther Tank", "56 - Sherman Tank",
    "57 - Freighter", "58 - Church", "59 - City1", "60 - City2", "61 - City3", "62 - City4",
    "63 - Cathedral", "64 - Farm", "65 - Manor house", "66 - Chateau", "67 - Windmill",
    "68 - House", "69 - Parachutist", "70 - People Milling", "71 - People Marching",
    "72 - Destroyer",
};

namespace {

std::array<const char*, kObjectTypeCount> dialog_type_names() {
    std::array<const char*, kObjectTypeCount> names = ObjectTypeNames;
    names[70] = "70 - ???";
    names[71] = "71 - ???";
    return names;
}

}  // namespace

const std::array<const char*, kObjectTypeCount> DialogObjectTypeNames = dialog_type_names();

const std::array<const char*, kTileNameCount> TileNames = {
    "00 - Field8", "01 - Grass",  "02 - Water",  "03 - Coast1", "04 - Coast3", "05 - Coast2",
    "06 - Field1", "07 - Field2", "08 - Field5", "09 - Field4", "10 - City1",  "11 - City2",
    "12 - City3",  "13 - City4",  "14 - River1", "15 - River2", "16 - River9", "17 - River4",
    "18 - River5", "19 - River6", "20 - River7", "21 - River8", "22 - Mount1", "23 - Mount4",
    "24 - Mount3", "25 - Mount2", "26 - Forst4", "27 - Forst1", "28 - Forst5", "29 - Forst6",
    "30 - Forst3", "31 - Forst2", "32 - Coast4", "33 - Coast5", "34 - Road1",  "35 - Road2",
    "36 - Road6",  "37 - Road4",  "38 - Field7", "39 - Road8",  "40 - Road9",  "41 - Forst7",
    "42 - City5",  "43 - RivrND", "44 - Coast6", "45 - Road10", "46 - City9",  "47 - Field6",
    "48 - City7",  "49 - City8",  "50 - CostU1", "51 - CostU2", "52 - CostBR", "53 - RivrBR",
    "54 - RivrFK", "55 - CostRV", "56 - RivrTR", "57 - CostCT", "58 - CostTR",
};

std::string picture_file_name(std::string_view tile_entry) {
    std::string name(tile_entry.size() > 5 ? tile_entry.substr(5) : std::string_view{});
    if (!name.empty() && std::string_view(name).substr(0, name.size() - 1) == "City") {
        name = "alcty" + name.substr(name.size() - 1);
        if (name == "alcty1") name = "alcty";
    }
    return "bn" + name + ".pcx";
}

std::string tile_picture_file_name(int tile) {
    if (tile < 0 || tile >= kTileNameCount) index_out_of_range("tile", tile, kTileNameCount);
    return picture_file_name(TileNames[static_cast<std::size_t>(tile)]);
}

std::string tile_picture_path(const std::string& folder, int tile) {
    return folder + "\\" + tile_picture_file_name(tile);
}

std::string trim_blanks(std::string_view text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) return {};
    const auto last = text.find_last_not_of(' ');
    return std::string(text.substr(first, last - first + 1));
}

}  // namespace kvr::ui
