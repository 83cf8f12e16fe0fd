// The two marker pictures: red pixels on transparent ones.
#pragma once

#include <cstdint>

namespace kvr::ui {

inline constexpr int kUnselectedMarkerSize = 4;   // a small disc: 4 x 4 without its corners
inline constexpr int kSelectedMarkerSize = 10;    // a ring with a 2 x 2 centre dot

// Marker red, 0x00RRGGBB.
inline constexpr std::uint32_t kMarkerRed = 0xFF0000;

// Side length of the picture.
int marker_size(bool selected);

// True where the picture is red, false where it is transparent. Row and column count from
// 0 at the top left; positions outside the picture are transparent.
bool marker_pixel(bool selected, int row, int column);

}  // namespace kvr::ui
