#include "editor/ui/pcxdir_file.h"

#include <cstdio>

namespace kvr::ui {

std::optional<std::string> first_delimited_field(std::string_view content) {
    std::size_t i = 0;
    while (i < content.size() && (content[i] == ' ' || content[i] == '\t')) ++i;
    if (i == content.size()) return std::nullopt;
    std::string field;
    if (content[i] == '"') {
        const std::size_t close = content.find('"', i + 1);
        field = std::string(content.substr(i + 1, close == std::string_view::npos ? std::string_view::npos
                                                                                 : close - i - 1));
    } else {
        const std::size_t end = content.find_first_of(",\r\n", i);
        field = std::string(content.substr(i, end == std::string_view::npos ? std::string_view::npos : end - i));
    }
    if (field.empty()) return std::nullopt;
    return field;
}

std::string pcxdir_line(std::string_view folder) {
    std::string line = "\"";
    line += folder;
    line += "\"\r\n";
    return line;
}

std::optional<std::string> read_pcxdir_file(const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return std::nullopt;
    // One line of a path (260 characters at most) and its quotes; more is never needed.
    char buffer[1024];
    const std::size_t n = std::fread(buffer, 1, sizeof buffer, f);
    const bool failed = std::ferror(f) != 0;
    std::fclose(f);
    if (failed) return std::nullopt;
    return first_delimited_field(std::string_view(buffer, n));
}

bool write_pcxdir_file(const std::string& path, std::string_view folder) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const std::string line = pcxdir_line(folder);
    const bool written = std::fwrite(line.data(), 1, line.size(), f) == line.size();
    const bool closed = std::fclose(f) == 0;
    return written && closed;
}

}  // namespace kvr::ui
