// Fuzz target: any bytes through both decoders and the enlargement. Successful decodes must
// be self-consistent; ASan and UBSan watch every access.
#include "editor/picture/pcx.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    kvr::pcx::Image img;
    std::string reason;
    if (kvr::pcx::decode(data, size, img, reason)) {
        if (img.width < 1 || img.height < 1 ||
            img.pixels.size() != static_cast<std::size_t>(img.width) * static_cast<std::size_t>(img.height))
            std::abort();
        for (std::uint32_t c : img.pixels)
            if (c > 0xFFFFFF) std::abort();
        if (img.pixels.size() <= 4096) {
            const kvr::pcx::Image big = kvr::pcx::scale(img, 2);
            if (big.pixels.size() != img.pixels.size() * 4 || big.pixels.back() != img.pixels.back()) std::abort();
        }
    } else if (reason.empty()) {
        std::abort();
    }

    kvr::pcx::IndexedImage idx;
    reason.clear();
    if (kvr::pcx::decode_indexed(data, size, idx, reason)) {
        if (img.pixels.size() != idx.indices.size() || idx.indices.size() != static_cast<std::size_t>(idx.width) * static_cast<std::size_t>(idx.height) ||
            idx.palette.empty() || idx.palette.size() > 256)
            std::abort();
        for (std::uint8_t i : idx.indices)
            if (i >= idx.palette.size()) std::abort();
        // Both ways must agree on every pixel.
        for (std::size_t i = 0; i < idx.indices.size(); ++i)
            if (img.pixels[i] != idx.palette[idx.indices[i]]) std::abort();
    } else if (reason.empty()) {
        std::abort();
    }
    return 0;
}
