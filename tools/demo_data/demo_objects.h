// The objects of the demo KVR_ZPL.DAT: for every tile, objects that fit its ground (ships
// at sea, bridges where roads cross water, trains on the railway, flak round the airfield,
// factories and city blocks in towns, trees in the woods), from a fixed seed.
#pragma once

#include <cstdint>

#include "editor/data/object_table.h"
#include "tools/demo_data/tile_layout.h"
#include "tools/demo_data/tile_maps.h"

namespace kvr::demo {

// Object type codes, as the editor's type list numbers them.
enum ObjectType : std::uint8_t {
    kOilPlant = 1,
    kBallBearingPlant,
    kChemicalPlant,
    kAircraftFactory,
    kAirfield,
    kArmamentsFactory,
    kRailStation,
    kShipyard,
    kUBoatPen,
    kV1Site,
    kRoadBridgeStone,
    kRoadBridgeWood,
    kRoadBridgeIron,
    kRailBridgeStone,
    kRailBridgeWood,
    kRailBridgeIron,
    kFlak,
    kLightFlak,
    kOilTank,
    kRadarStation,
    kRadarTower,
    kForest3D,
    kFort,
    kFuelDump,
    kControlTower,
    kAmmoBunker,
    kHangar,
    kBarracks,
    kMess,
    kOfficersClub,
    kBriefingHut,
    kTree,
    kTrees,
    kTreeB,
    kTreesB,
    kTreeC,
    kTreesC,
    kTreeD,
    kTreesD,
    kForest3DB,
    kWarehouse,
    kForest3DC,
    kTrainEngine,
    kTrainTender,
    kTrainBoxcar,
    kTrainOilTanker,
    kTrainFlatbed,
    kTrainFlatbedTanks,
    kTrainFlatbedGuns,
    kFuelTruck,
    kTruck,
    kTruckB,
    kHalfTrack,
    kKubelwagen,
    kPantherTank,
    kShermanTank,
    kFreighter,
    kChurch,
    kCityBlock1,
    kCityBlock2,
    kCityBlock3,
    kCityBlock4,
    kCathedral,
    kFarm,
    kManorHouse,
    kChateau,
    kWindmill,
    kHouse,
    kParachutist,
    kPeopleMilling,
    kPeopleMarching,
    kDestroyer,
};
static_assert(kFreighter == 57 && kCathedral == 63 && kDestroyer == 72);

// Tiles the demo leaves without objects.
bool demo_tile_is_empty(int tile);

// Fills `out` (slots from 0, in_use set, object_count left alone) with the objects of one
// tile laid out as `layout` and drawn as `maps`.
void place_tile_objects(const TileLayout& layout, const TileMaps& maps, TileRecord& out);

// The whole demo table, every tile's objects packed from slot 0 and counted.
ObjectTable make_demo_table();

}  // namespace kvr::demo
