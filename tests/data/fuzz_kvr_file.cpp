// Fuzzes the KVR_ZPL.DAT reader and checks the save against it: any input either is refused
// (short, table untouched) or loads, and saving what was loaded gives a file that loads as
// the packed table and saves again unchanged.
//
// Inputs are mostly short, so each one is also spread over a whole file (byte i of the file
// is byte i mod n of the input), which puts fuzzer-chosen bytes into every tile.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "editor/data/kvr_file.h"

namespace {

void require(bool ok) {
    if (!ok) std::abort();
}

kvr::ObjectTable packed(const kvr::ObjectTable& t) {
    kvr::ObjectTable out;
    for (int tile = 0; tile < kvr::kTileCount; ++tile) {
        int n = 0;
        for (int k = 0; k < kvr::kSlotCount; ++k) {
            kvr::ObjectRecord r = t.object(tile, k);
            if (!r.in_use) continue;
            r.in_use = (r.type | r.orientation | r.x | r.y) != 0;
            out.object(tile, n++) = r;
        }
        out.tile(tile).object_count = static_cast<std::uint8_t>(n);
    }
    return out;
}

void check_full_image(const std::uint8_t* data, std::size_t size) {
    kvr::ObjectTable table;
    std::string reason;
    require(kvr::parse_file_image(data, size, table, reason));
    for (int t = 0; t < kvr::kTileCount; ++t) {
        const std::uint8_t* block = data + static_cast<std::size_t>(t) * kvr::kTileBlockSize;
        require(table.tile(t).object_count == block[kvr::kCountOffset]);
        for (int k = 0; k < kvr::kSlotCount; ++k) {
            const std::uint8_t* e = block + kvr::kTileHeaderSize + static_cast<std::size_t>(k) * kvr::kEntrySize;
            const kvr::ObjectRecord& r = table.object(t, k);
            require(r.type == e[0] && r.orientation == e[3] && r.x == e[4] && r.y == e[8]);
            require(r.in_use == ((e[0] | e[3] | e[4] | e[8]) != 0));
        }
    }
    // parse(build(parse(x))) is the packed table, and a further round changes nothing.
    kvr::ObjectTable saved_from = table;
    const std::vector<std::uint8_t> image = kvr::build_save_image(saved_from);
    require(image.size() == kvr::kFileSize);
    kvr::ObjectTable back;
    require(kvr::parse_file_image(image.data(), image.size(), back, reason));
    require(back == packed(table));
    kvr::ObjectTable again = back;
    require(kvr::build_save_image(again) == image);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < kvr::kFileSize) {
        kvr::ObjectTable table;
        table.object(5, 5).type = 77;  // a caller's table must survive a refused input
        const kvr::ObjectTable before = table;
        std::string reason;
        require(!kvr::parse_file_image(data, size, table, reason));
        require(!reason.empty() && table == before);
    } else {
        check_full_image(data, size);
    }
    if (size > 0 && size < kvr::kFileSize) {
        // Whole copies of the input one after another (memcpy keeps this cheap under coverage
        // tracing; a byte loop over 303,260 bytes would dominate every run).
        std::vector<std::uint8_t> spread(kvr::kFileSize);
        for (std::size_t at = 0; at < spread.size(); at += size)
            std::memcpy(spread.data() + at, data, std::min(size, spread.size() - at));
        check_full_image(spread.data(), spread.size());
    }
    return 0;
}
