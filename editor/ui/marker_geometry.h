// Where the object markers go over the tile picture, and the orientation indicator drawn
// inside the selected marker. Marker places are window pixels held in single precision.
#pragma once

#include <cstdint>

namespace kvr::ui {

struct MarkerPlace {
    float left = 0;
    float top = 0;
    bool operator==(const MarkerPlace&) const = default;
};

// The picture shows each tile unit as 2 x 2 screen pixels.
inline constexpr int kPixelsPerUnit = 2;

// The place of the 4 x 4 marker of an in-use object: centred on (P + 2x, P + 2y).
MarkerPlace in_use_marker_place(float picture_left, float picture_top, std::uint8_t x, std::uint8_t y);

// The selected (10 x 10) marker stands 3 pixels up and left of the unselected one;
// swapping back moves it 3 down and right.
inline constexpr float kSelectedShift = 3.0f;
MarkerPlace shifted(MarkerPlace place, float by);

// Orientation indicator: a line from the marker's centre (5, 5) to a point on its edge.
// Orientation is in 256ths of a turn counter-clockwise from north (up).
struct IndicatorEnd {
    double x = 0;
    double y = 0;
};
inline constexpr double kPi = 3.141592654;  // the program's own value of pi
inline constexpr int kIndicatorCentre = 5;

IndicatorEnd indicator_end(std::uint8_t orientation);

// Nearest whole number, an exact half to the even neighbour.
long round_half_even(double value);

struct IndicatorPixel {
    int x = 0;
    int y = 0;
    bool operator==(const IndicatorPixel&) const = default;
};
// The endpoint as the selection change draws it: both coordinates rounded half to even.
IndicatorPixel indicator_end_rounded(std::uint8_t orientation);

}  // namespace kvr::ui
