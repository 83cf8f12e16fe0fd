#include "editor/ui/marker_pictures.h"

namespace kvr::ui {

namespace {

// One bit per column, bit 0 = column 0.
constexpr std::uint16_t kUnselectedRows[kUnselectedMarkerSize] = {0x6, 0xF, 0xF, 0x6};
constexpr std::uint16_t kSelectedRows[kSelectedMarkerSize] = {
    0x0FC,  // row 0: columns 2..7
    0x102,  // row 1: columns 1 and 8
    0x201,  // rows 2..7: columns 0 and 9, the dot in rows 4 and 5 at columns 4 and 5
    0x201, 0x231, 0x231, 0x201, 0x201,
    0x102,  // row 8
    0x0FC,  // row 9
};

}  // namespace

int marker_size(bool selected) { return selected ? kSelectedMarkerSize : kUnselectedMarkerSize; }

bool marker_pixel(bool selected, int row, int column) {
    const int size = marker_size(selected);
    if (row < 0 || column < 0 || row >= size || column >= size) return false;
    const std::uint16_t bits = selected ? kSelectedRows[row] : kUnselectedRows[row];
    return (bits >> column) & 1u;
}

}  // namespace kvr::ui
