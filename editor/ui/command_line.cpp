#include "editor/ui/command_line.h"

namespace kvr::ui {

std::string first_argument(std::string_view command_line) {
    std::size_t i = command_line.find_first_not_of(" \t");
    if (i == std::string_view::npos) return {};
    if (command_line[i] == '"') {
        const std::size_t close = command_line.find('"', i + 1);
        return std::string(command_line.substr(i + 1, close == std::string_view::npos ? std::string_view::npos
                                                                                     : close - i - 1));
    }
    const std::size_t end = command_line.find_first_of(" \t", i);
    return std::string(command_line.substr(i, end == std::string_view::npos ? std::string_view::npos : end - i));
}

}  // namespace kvr::ui
