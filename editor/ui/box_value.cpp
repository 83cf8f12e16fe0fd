#include "editor/ui/box_value.h"

#include <cmath>
#include <cstdlib>
#include <string>

#include "editor/ui/marker_geometry.h"

namespace kvr::ui {

std::optional<double> box_value(std::string_view text) {
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return std::nullopt;
    const std::size_t last = text.find_last_not_of(" \t");
    const std::string number(text.substr(first, last - first + 1));
    // strtod would also take "inf", "nan" and hexadecimal; a box holds plain decimals.
    if (number.find_first_not_of("0123456789.+-eE") != std::string::npos) return std::nullopt;
    char* end = nullptr;
    const double value = std::strtod(number.c_str(), &end);
    if (end != number.c_str() + number.size() || !std::isfinite(value)) return std::nullopt;
    return value;
}

std::uint8_t stored_byte(double value) {
    const long whole = round_half_even(value);
    return static_cast<std::uint8_t>(whole < 0 ? 0 : (whole > 255 ? 255 : whole));
}

}  // namespace kvr::ui
