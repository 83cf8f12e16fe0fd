// Builds an object record for test tables.
#pragma once

#include <cstdint>

#include "editor/data/object_table.h"

namespace kvr::test {

inline ObjectRecord make_object(int type, int orientation, int x, int y, bool in_use = true) {
    ObjectRecord r;
    r.type = static_cast<std::uint8_t>(type);
    r.orientation = static_cast<std::uint8_t>(orientation);
    r.x = static_cast<std::uint8_t>(x);
    r.y = static_cast<std::uint8_t>(y);
    r.in_use = in_use;
    return r;
}

}  // namespace kvr::test
