// The editor's command line: `KVR_ZPL.exe [FILE]` loads FILE at start.
#pragma once

#include <string>
#include <string_view>

namespace kvr::ui {

// The first argument of a command line (without the program name): leading blanks skipped,
// a quoted argument runs to its closing quote and loses the quotes, an unquoted one ends at
// the next blank. Empty when there is none.
std::string first_argument(std::string_view command_line);

}  // namespace kvr::ui
