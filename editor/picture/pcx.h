// PCX picture decoder (portable). Reads 1, 2, 4 and 8 bits per pixel with 1 to 4
// planes, 24-bit colour as 8 bits x 3 planes, header and 256-colour palettes.
// Refuses malformed input with a reason; never reads or writes out of bounds.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace kvr::pcx {

// Guards applied before anything is allocated.
inline constexpr int kMaxDimension = 16384;
inline constexpr std::size_t kMaxPixels = std::size_t{64} * 1024 * 1024;

struct Image {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;  // row-major, top row first, 0x00RRGGBB
};

// Decodes a whole file image. On failure returns false, sets `reason` and leaves `out`
// unchanged.
bool decode(const std::uint8_t* data, std::size_t size, Image& out, std::string& reason);

// Enlarges by a whole factor (each source pixel becomes factor x factor pixels).
// Returns an empty image (0 x 0) when factor is below 1 or the result would exceed
// kMaxDimension on a side or kMaxPixels in all.
Image scale(const Image& in, int factor);

// A picture of up to 256 colours as palette indices, with the palette that decode()
// paints them in (2, 4, 8, 16 or 256 entries; every index is below its size).
struct IndexedImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> indices;   // row-major, top row first
    std::vector<std::uint32_t> palette;  // 0x00RRGGBB
};

// As decode(), for pictures with a palette; 24-bit pictures are refused.
bool decode_indexed(const std::uint8_t* data, std::size_t size, IndexedImage& out,
                    std::string& reason);

}  // namespace kvr::pcx
