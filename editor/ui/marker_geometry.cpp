#include "editor/ui/marker_geometry.h"

#include <cmath>

namespace kvr::ui {

MarkerPlace in_use_marker_place(float picture_left, float picture_top, std::uint8_t x, std::uint8_t y) {
    // 2x is whole; the sums are formed in single precision.
    const float left = picture_left + static_cast<float>(kPixelsPerUnit * x) - 2.0f;
    const float top = picture_top + static_cast<float>(kPixelsPerUnit * y) - 2.0f;
    return {left, top};
}

MarkerPlace shifted(MarkerPlace place, float by) { return {place.left + by, place.top + by}; }

IndicatorEnd indicator_end(std::uint8_t orientation) {
    const int o = orientation;
    const double u = kPi / 128.0;
    const auto t = [u](int units) { return 5.0 * std::tan(units * u); };
    // One octant at a time, counter-clockwise from north; the corners and the four
    // compass points are exact.
    if (o == 0) return {5, 0};
    if (o < 32) return {5 - t(o), 0};
    if (o == 32) return {0, 0};
    if (o < 64) return {0, 5 - t(64 - o)};
    if (o == 64) return {0, 5};
    if (o < 96) return {0, 5 + t(o - 64)};
    if (o == 96) return {0, 10};
    if (o < 128) return {5 - t(128 - o), 10};
    if (o == 128) return {5, 10};
    if (o < 160) return {5 + t(o - 128), 10};
    if (o == 160) return {10, 10};
    if (o < 192) return {10, 5 + t(192 - o)};
    if (o == 192) return {10, 5};
    if (o < 224) return {10, 5 - t(o - 192)};
    if (o == 224) return {10, 0};
    return {5 + t(256 - o), 0};
}

long round_half_even(double value) {
    // Spelt out rather than left to the floating-point rounding mode.
    const double below = std::floor(value);
    const double rest = value - below;
    long whole = static_cast<long>(below);
    if (rest > 0.5 || (rest == 0.5 && whole % 2 != 0)) ++whole;
    return whole;
}

IndicatorPixel indicator_end_rounded(std::uint8_t orientation) {
    const IndicatorEnd end = indicator_end(orientation);
    return {static_cast<int>(round_half_even(end.x)), static_cast<int>(round_half_even(end.y))};
}

}  // namespace kvr::ui
