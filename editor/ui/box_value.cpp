#include "editor/ui/box_value.h"

#include <cmath>
#include <cstdlib>
#include <string>

#include "editor/ui/marker_geometry.h"

namespace kvr::ui {

namespace {

// The text with the user's decimal separator turned into the '.' that strtod reads (the
// program keeps the "C" locale). Empty when the text holds a '.' that is not the separator.
std::optional<std::string> with_decimal_point(std::string_view text, std::string_view separator) {
    if (separator.empty() || separator == ".") return std::string(text);
    std::string out;
    for (std::size_t i = 0; i < text.size();) {
        if (text.substr(i, separator.size()) == separator) {
            out += '.';
            i += separator.size();
        } else if (text[i] == '.') {
            return std::nullopt;
        } else {
            out += text[i++];
        }
    }
    return out;
}

}  // namespace

std::optional<double> box_value(std::string_view text, std::string_view decimal_separator) {
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return std::nullopt;
    const std::size_t last = text.find_last_not_of(" \t");
    const std::optional<std::string> read = with_decimal_point(text.substr(first, last - first + 1), decimal_separator);
    if (!read) return std::nullopt;
    const std::string& number = *read;
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
