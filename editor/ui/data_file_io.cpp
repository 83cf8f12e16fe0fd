#include "editor/ui/data_file_io.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "editor/data/kvr_file.h"

namespace kvr::ui {

bool read_data_file(const std::string& path, ObjectTable& table, std::string& reason) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) {
        reason = "The file cannot be opened (" + std::string(std::strerror(errno)) + ").";
        return false;
    }
    std::vector<std::uint8_t> image(kFileSize);
    const std::size_t n = std::fread(image.data(), 1, image.size(), f);
    const bool failed = std::ferror(f) != 0;
    std::fclose(f);
    if (failed) {
        reason = "The file cannot be read.";
        return false;
    }
    if (n < kFileSize) {
        reason = "The file holds " + std::to_string(n) + " bytes; a KVR_ZPL.DAT file holds " +
                 std::to_string(kFileSize) + " bytes.";
        return false;
    }
    std::string parse_reason;
    if (!parse_file_image(image.data(), image.size(), table, parse_reason)) {
        reason = parse_reason;
        return false;
    }
    return true;
}

}  // namespace kvr::ui
