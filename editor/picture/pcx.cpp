// PCX decoding: header checks, palette choice, run-length expansion line by line.
#include "editor/picture/pcx.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <utility>

namespace kvr::pcx {
namespace {

constexpr std::size_t kHeaderSize = 128;
constexpr std::size_t kTrailerSize = 769;  // 0x0C marker + 256 RGB triples
constexpr std::uint8_t kManufacturer = 0x0A;
constexpr std::uint8_t kTrailerMarker = 0x0C;

// Colours for a header palette that holds one single colour (some writers leave it
// empty): the 16 standard text-mode colours, colour 6 brown as the monitors show it.
constexpr std::array<std::uint32_t, 16> kDefaultColours = {
    0x000000, 0x0000AA, 0x00AA00, 0x00AAAA, 0xAA0000, 0xAA00AA, 0xAA5500, 0xAAAAAA,
    0x555555, 0x5555FF, 0x55FF55, 0x55FFFF, 0xFF5555, 0xFF55FF, 0xFFFF55, 0xFFFFFF};

struct Header {
    int version = 0;
    bool rle = true;
    int bits = 0;    // bits per pixel in one plane
    int planes = 0;
    std::size_t bytes_per_line = 0;  // per plane
    int width = 0;
    int height = 0;
    int h_res = 0;
    int v_res = 0;
    const std::uint8_t* header_palette = nullptr;  // 16 RGB triples
    bool rgb = false;  // 8 bits x 3 or 4 planes: colour planes, no palette
    int index_bits = 0;
};

std::uint16_t read_u16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

std::uint32_t rgb_at(const std::uint8_t* triple) {
    return (std::uint32_t{triple[0]} << 16) | (std::uint32_t{triple[1]} << 8) | triple[2];
}

bool fail(std::string& reason, std::string text) {
    reason = std::move(text);
    return false;
}

std::string layout_text(int bits, int planes) {
    return std::to_string(bits) + " bit(s) per pixel in " + std::to_string(planes) + " plane(s)";
}

bool read_header(const std::uint8_t* data, std::size_t size, Header& h, std::string& reason) {
    if (data == nullptr || size < kHeaderSize)
        return fail(reason, "file is shorter than a PCX header (128 bytes)");
    if (data[0] != kManufacturer) return fail(reason, "not a PCX file (first byte is not 0x0A)");
    h.version = data[1];
    if (h.version != 0 && h.version != 2 && h.version != 3 && h.version != 4 && h.version != 5)
        return fail(reason, "unknown PCX version " + std::to_string(h.version));
    if (data[2] > 1) return fail(reason, "unknown encoding " + std::to_string(data[2]));
    h.rle = data[2] == 1;
    h.bits = data[3];
    h.planes = data[65];

    const bool known_bits = h.bits == 1 || h.bits == 2 || h.bits == 4 || h.bits == 8;
    if (!known_bits || h.planes < 1 || h.planes > 4)
        return fail(reason, "unsupported layout: " + layout_text(h.bits, h.planes));
    if (h.bits == 8) {
        if (h.planes == 2) return fail(reason, "unsupported layout: " + layout_text(8, 2));
        h.rgb = h.planes >= 3;  // a fourth plane is alpha, which the picture does not keep
    } else {
        h.index_bits = h.bits * h.planes;
        if (h.index_bits > 8) return fail(reason, "unsupported layout: " + layout_text(h.bits, h.planes));
    }
    if (h.bits == 8 && h.planes == 1) h.index_bits = 8;

    // Positions may be negative (written as 16-bit two's complement), so the extent is
    // taken modulo 2^16.
    const unsigned span_x = static_cast<std::uint16_t>(read_u16(data + 8) - read_u16(data + 4));
    const unsigned span_y = static_cast<std::uint16_t>(read_u16(data + 10) - read_u16(data + 6));
    const unsigned width = span_x + 1;
    const unsigned height = span_y + 1;
    if (width > static_cast<unsigned>(kMaxDimension) || height > static_cast<unsigned>(kMaxDimension) ||
        std::size_t{width} * height > kMaxPixels)
        return fail(reason, "picture of " + std::to_string(width) + " x " + std::to_string(height) +
                                " pixels is too large");
    h.width = static_cast<int>(width);
    h.height = static_cast<int>(height);
    h.h_res = read_u16(data + 12);
    h.v_res = read_u16(data + 14);
    h.header_palette = data + 16;

    h.bytes_per_line = read_u16(data + 66);
    const std::size_t needed = (std::size_t{width} * static_cast<unsigned>(h.bits) + 7) / 8;
    if (h.bytes_per_line < needed)
        return fail(reason, "bytes per line (" + std::to_string(h.bytes_per_line) +
                                ") too small for a width of " + std::to_string(width) + " pixels");
    return true;
}

// Paint programs of the CGA days saved the display mode's resolution in the header. In a
// picture made for the CGA 640 x 200 two-colour mode the first palette bytes hold the
// mode's register setting, not colours; that mode shows black and white.
bool made_for_two_colour_640_mode(const Header& h) {
    return h.bits == 1 && h.planes == 1 && h.h_res == 640 && h.v_res == 200;
}

// Fills `palette` (256 entries, unused ones black) for an indexed picture and narrows
// `data_end` to the picture data when a 256-colour palette trails it.
bool choose_palette(const Header& h, const std::uint8_t* data, std::size_t size,
                    std::array<std::uint32_t, 256>& palette, std::size_t& data_end, std::string& reason) {
    palette.fill(0);
    data_end = size;
    const int colours = 1 << h.index_bits;

    if (h.index_bits > 4) {
        if (size < kHeaderSize + kTrailerSize || data[size - kTrailerSize] != kTrailerMarker)
            return fail(reason, "the 256-colour palette (0x0C marker and 768 bytes at the end) is missing");
        const std::uint8_t* p = data + size - kTrailerSize + 1;
        for (int i = 0; i < 256; ++i) palette[static_cast<std::size_t>(i)] = rgb_at(p + 3 * i);
        data_end = size - kTrailerSize;
        return true;
    }
    const std::uint32_t black_white[2] = {0x000000, 0xFFFFFF};
    if (made_for_two_colour_640_mode(h)) {
        std::copy(black_white, black_white + 2, palette.begin());
        return true;
    }

    // Up to 16 colours: the header palette as it stands, whatever the version or the
    // resolution. A palette of one single colour cannot be meant (the picture would be a
    // plain area), so it gets black and white or the standard colours instead.
    for (int i = 0; i < colours; ++i) palette[static_cast<std::size_t>(i)] = rgb_at(h.header_palette + 3 * i);
    const bool all_same =
        std::all_of(palette.begin(), palette.begin() + colours, [&](std::uint32_t c) { return c == palette[0]; });
    if (all_same) {
        if (colours == 2)
            std::copy(black_white, black_white + 2, palette.begin());
        else
            std::copy(kDefaultColours.begin(), kDefaultColours.begin() + colours, palette.begin());
    }
    return true;
}

// Expands the run-length stream; a run may carry on into the next line or plane.
struct RunReader {
    const std::uint8_t* pos;
    const std::uint8_t* end;
    bool rle;
    std::size_t run_left = 0;
    std::uint8_t run_value = 0;
};

// Fills dst[0, count); false when the data ends first.
bool read_bytes(RunReader& in, std::uint8_t* dst, std::size_t count) {
    std::size_t done = 0;
    while (done < count) {
        if (in.run_left > 0) {
            const std::size_t n = std::min(in.run_left, count - done);
            std::memset(dst + done, in.run_value, n);
            done += n;
            in.run_left -= n;
            continue;
        }
        if (in.pos == in.end) return false;
        const std::uint8_t b = *in.pos++;
        if (!in.rle || (b & 0xC0) != 0xC0) {
            dst[done++] = b;
            continue;
        }
        if (in.pos == in.end) return false;
        in.run_left = b & 0x3F;
        in.run_value = *in.pos++;
    }
    return true;
}

// Index of every pixel of one decoded line (all planes, bits < 8 or 8 x 1).
void line_indices(const Header& h, const std::uint8_t* line, std::uint8_t* out) {
    const unsigned bits = static_cast<unsigned>(h.bits);
    if (bits == 8) {
        std::memcpy(out, line, static_cast<std::size_t>(h.width));
        return;
    }
    const unsigned mask = (1u << bits) - 1;
    for (int x = 0; x < h.width; ++x) {
        const std::size_t bit = static_cast<std::size_t>(x) * bits;
        const unsigned shift = 8 - bits - static_cast<unsigned>(bit & 7);
        unsigned index = 0;
        for (int p = 0; p < h.planes; ++p) {
            const std::uint8_t byte = line[static_cast<std::size_t>(p) * h.bytes_per_line + (bit >> 3)];
            index |= ((byte >> shift) & mask) << (static_cast<unsigned>(p) * bits);
        }
        out[x] = static_cast<std::uint8_t>(index);
    }
}

// Runs `take_line(y, line)` for every decoded line (planes x bytes_per_line bytes).
template <class TakeLine>
bool expand_lines(const Header& h, const std::uint8_t* data, std::size_t data_end, std::string& reason,
                  TakeLine take_line) {
    const std::size_t line_size = static_cast<std::size_t>(h.planes) * h.bytes_per_line;
    std::vector<std::uint8_t> line(line_size);
    RunReader in{data + kHeaderSize, data + data_end, h.rle};
    for (int y = 0; y < h.height; ++y) {
        if (!read_bytes(in, line.data(), line_size))
            return fail(reason, "picture data ends early, in line " + std::to_string(y + 1) + " of " +
                                    std::to_string(h.height));
        take_line(y, line.data());
    }
    if (in.run_left > 0) return fail(reason, "a run goes past the end of the picture");
    return true;
}

// Every input byte expands to at most 31.5 bytes (a run pair gives 63); a header that
// promises more than that is refused before any allocation.
bool data_can_fill(const Header& h, std::size_t data_end, std::string& reason) {
    const std::size_t available = data_end > kHeaderSize ? data_end - kHeaderSize : 0;
    const std::uint64_t wanted = std::uint64_t{h.bytes_per_line} * static_cast<unsigned>(h.planes) *
                                 static_cast<unsigned>(h.height);
    const std::uint64_t most = std::uint64_t{available} * (h.rle ? 32 : 1);
    if (wanted > most)
        return fail(reason, "file is too short for a picture of " + std::to_string(h.width) + " x " +
                                std::to_string(h.height) + " pixels");
    return true;
}

bool decode_rgb(const Header& h, const std::uint8_t* data, std::size_t size, Image& out, std::string& reason) {
    if (!data_can_fill(h, size, reason)) return false;
    Image img;
    img.width = h.width;
    img.height = h.height;
    img.pixels.resize(static_cast<std::size_t>(h.width) * static_cast<std::size_t>(h.height));
    const std::size_t bpl = h.bytes_per_line;
    const bool ok = expand_lines(h, data, size, reason, [&](int y, const std::uint8_t* line) {
        std::uint32_t* row = img.pixels.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(h.width);
        const std::uint8_t* r = line;
        const std::uint8_t* g = line + bpl;
        const std::uint8_t* b = line + 2 * bpl;
        for (int x = 0; x < h.width; ++x)
            row[x] = (std::uint32_t{r[x]} << 16) | (std::uint32_t{g[x]} << 8) | b[x];
    });
    if (!ok) return false;
    out = std::move(img);
    return true;
}

bool decode_with_palette(const Header& h, const std::uint8_t* data, std::size_t size, Image& out,
                         std::string& reason) {
    std::array<std::uint32_t, 256> palette;
    std::size_t data_end = 0;
    if (!choose_palette(h, data, size, palette, data_end, reason) || !data_can_fill(h, data_end, reason))
        return false;
    Image img;
    img.width = h.width;
    img.height = h.height;
    img.pixels.resize(static_cast<std::size_t>(h.width) * static_cast<std::size_t>(h.height));
    std::vector<std::uint8_t> indices(static_cast<std::size_t>(h.width));
    const bool ok = expand_lines(h, data, data_end, reason, [&](int y, const std::uint8_t* line) {
        std::uint32_t* row = img.pixels.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(h.width);
        const std::uint8_t* index = line;
        if (h.bits != 8) {
            line_indices(h, line, indices.data());
            index = indices.data();
        }
        for (int x = 0; x < h.width; ++x) row[x] = palette[index[x]];
    });
    if (!ok) return false;
    out = std::move(img);
    return true;
}

}  // namespace

bool decode(const std::uint8_t* data, std::size_t size, Image& out, std::string& reason) {
    Header h;
    if (!read_header(data, size, h, reason)) return false;
    return h.rgb ? decode_rgb(h, data, size, out, reason) : decode_with_palette(h, data, size, out, reason);
}

bool decode_indexed(const std::uint8_t* data, std::size_t size, IndexedImage& out, std::string& reason) {
    Header h;
    if (!read_header(data, size, h, reason)) return false;
    if (h.rgb) return fail(reason, "a 24-bit picture has no palette");
    std::array<std::uint32_t, 256> palette;
    std::size_t data_end = 0;
    if (!choose_palette(h, data, size, palette, data_end, reason) || !data_can_fill(h, data_end, reason))
        return false;
    IndexedImage img;
    img.width = h.width;
    img.height = h.height;
    img.indices.resize(static_cast<std::size_t>(h.width) * static_cast<std::size_t>(h.height));
    const bool ok = expand_lines(h, data, data_end, reason, [&](int y, const std::uint8_t* line) {
        line_indices(h, line, img.indices.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(h.width));
    });
    if (!ok) return false;
    img.palette.assign(palette.begin(), palette.begin() + (std::size_t{1} << h.index_bits));
    out = std::move(img);
    return true;
}

Image scale(const Image& in, int factor) {
    Image out;
    if (factor < 1 || in.width < 0 || in.height < 0 ||
        in.pixels.size() != static_cast<std::size_t>(in.width) * static_cast<std::size_t>(in.height))
        return out;
    const std::size_t w = static_cast<std::size_t>(in.width) * static_cast<std::size_t>(factor);
    const std::size_t h = static_cast<std::size_t>(in.height) * static_cast<std::size_t>(factor);
    if (w > static_cast<std::size_t>(kMaxDimension) || h > static_cast<std::size_t>(kMaxDimension) ||
        w * h > kMaxPixels)
        return out;
    out.width = static_cast<int>(w);
    out.height = static_cast<int>(h);
    out.pixels.resize(w * h);
    const std::size_t f = static_cast<std::size_t>(factor);
    for (std::size_t y = 0; y < static_cast<std::size_t>(in.height); ++y) {
        const std::uint32_t* src = in.pixels.data() + y * static_cast<std::size_t>(in.width);
        std::uint32_t* first = out.pixels.data() + y * f * w;
        std::uint32_t* dst = first;
        for (std::size_t x = 0; x < static_cast<std::size_t>(in.width); ++x) {
            std::fill_n(dst, f, src[x]);
            dst += f;
        }
        // The other rows of the band are copies of the first.
        for (std::size_t r = 1; r < f; ++r) std::copy_n(first, w, first + r * w);
    }
    return out;
}

}  // namespace kvr::pcx
