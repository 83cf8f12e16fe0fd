// The value of the x, y and orientation boxes: their text read as a decimal number.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace kvr::ui {

// The number the text stands for ("12", "12.5", " -5 ", "1e3"); empty for text that is not
// a number as a whole (letters, a lone minus sign) and for empty text. `decimal_separator`
// is the user's (the regional number format): with "," the text "12,5" is 12.5, and a "."
// makes the text no number.
std::optional<double> box_value(std::string_view text, std::string_view decimal_separator = ".");

// The byte stored from a value of 0 to 255: the nearest whole number, a half to the even one.
std::uint8_t stored_byte(double value);

}  // namespace kvr::ui
