#include "tools/demo_data/tile_pictures.h"

namespace kvr::demo {

const std::array<std::string_view, 59>& tile_picture_names() {
    static const std::array<std::string_view, 59> names = {
        "Field8", "Grass",  "Water",  "Coast1", "Coast3", "Coast2", "Field1", "Field2", "Field5", "Field4",
        "City1",  "City2",  "City3",  "City4",  "River1", "River2", "River9", "River4", "River5", "River6",
        "River7", "River8", "Mount1", "Mount4", "Mount3", "Mount2", "Forst4", "Forst1", "Forst5", "Forst6",
        "Forst3", "Forst2", "Coast4", "Coast5", "Road1",  "Road2",  "Road6",  "Road4",  "Field7", "Road8",
        "Road9",  "Forst7", "City5",  "RivrND", "Coast6", "Road10", "City9",  "Field6", "City7",  "City8",
        "CostU1", "CostU2", "CostBR", "RivrBR", "RivrFK", "CostRV", "RivrTR", "CostCT", "CostTR",
    };
    return names;
}

std::string tile_picture_file(int tile) {
    std::string name(tile_picture_names().at(static_cast<std::size_t>(tile)));
    if (!name.empty() && name.substr(0, name.size() - 1) == "City") {
        name = "alcty" + name.substr(name.size() - 1);
        if (name == "alcty1") name = "alcty";
    }
    return "bn" + name + ".pcx";
}

std::vector<std::uint8_t> ppm_image(const std::vector<std::uint8_t>& indices, int width, int height,
                                    const std::array<Rgb, 256>& palette) {
    const std::string header = "P6\n" + std::to_string(width) + " " + std::to_string(height) + "\n255\n";
    std::vector<std::uint8_t> out(header.begin(), header.end());
    out.reserve(out.size() + indices.size() * 3);
    for (std::uint8_t i : indices) {
        const Rgb c = palette[i];
        out.push_back(c.r);
        out.push_back(c.g);
        out.push_back(c.b);
    }
    return out;
}

bool check_pcx_8bit(const std::vector<std::uint8_t>& f, int width, int height, std::string& reason) {
    constexpr std::size_t kHeader = 128;
    constexpr std::size_t kPalette = 769;
    if (f.size() < kHeader + kPalette) {
        reason = "too short for a PCX header and a palette";
        return false;
    }
    auto word = [&f](std::size_t at) { return f[at] | (f[at + 1] << 8); };
    const int xmin = word(4), ymin = word(6), xmax = word(8), ymax = word(10);
    if (f[0] != 0x0A || f[2] != 1) {
        reason = "not a run-length PCX file";
    } else if (f[3] != 8 || f[65] != 1) {
        reason = std::to_string(f[3]) + " bits in " + std::to_string(f[65]) + " planes, not 8 bits in one plane";
    } else if (xmax - xmin + 1 != width || ymax - ymin + 1 != height) {
        reason = "picture is " + std::to_string(xmax - xmin + 1) + " x " + std::to_string(ymax - ymin + 1);
    } else if (word(66) < width) {
        reason = "lines shorter than the picture";
    } else if (f[f.size() - kPalette] != 0x0C) {
        reason = "no 256-colour palette at the end";
    } else {
        return true;
    }
    return false;
}

}  // namespace kvr::demo
