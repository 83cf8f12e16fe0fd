// Test helpers for the PCX decoder: a small PCX writer for hand-made files, PNM reading
// and writing, and running the netpbm / ImageMagick programs.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace pcxtest {

// Header fields of a file to build.
struct Layout {
    int version = 5;
    int encoding = 1;  // 1 run-length, 0 stored
    int bits = 8;
    int planes = 1;
    int width = 1;
    int height = 1;
    int bytes_per_line = 0;  // 0: the smallest that holds a line
    int x_min = 0;
    int y_min = 0;
    int h_res = 0;
    int v_res = 0;
    std::array<std::uint8_t, 48> header_palette{};
};

int bytes_per_line(const Layout& l);

// Packs palette indices (one per pixel, row-major) into the file's line layout: for each
// line, each plane's bits_per_pixel-wide share of every index, padded to bytes_per_line
// with `pad`.
std::vector<std::uint8_t> pack_indices(const Layout& l, const std::vector<std::uint8_t>& indices,
                                       std::uint8_t pad = 0);

// Colour planes for 8-bit x 3 or 4 planes (pixels 0x00RRGGBB; a fourth plane gets `alpha`).
std::vector<std::uint8_t> pack_rgb(const Layout& l, const std::vector<std::uint32_t>& pixels,
                                   std::uint8_t alpha = 0xFF);

// Run-length encodes line bytes. With `line_size` > 0 no run crosses a line boundary;
// with 0 runs carry on across lines and planes.
std::vector<std::uint8_t> rle(const std::vector<std::uint8_t>& raw, std::size_t line_size);

// Header + body (+ 0x0C and the 256-colour palette when `trailer` has 256 entries).
std::vector<std::uint8_t> make_file(const Layout& l, const std::vector<std::uint8_t>& body,
                                    const std::vector<std::uint32_t>& trailer = {});

// Encodes `raw` as the layout's encoding (runs kept within lines) and builds the file.
std::vector<std::uint8_t> encode_file(const Layout& l, const std::vector<std::uint8_t>& raw,
                                      const std::vector<std::uint32_t>& trailer = {});

void set_header_colour(Layout& l, int index, std::uint32_t rgb);

struct Pnm {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;  // 0x00RRGGBB
};

// Reads binary PGM/PPM or plain PPM with a maximum value of 255; false with `error` set otherwise.
bool read_pnm(const std::string& path, Pnm& out, std::string& error);
bool write_ppm(const std::string& path, const Pnm& image);

std::vector<std::uint8_t> read_file(const std::string& path);

// A fresh folder for one test's files under the build tree.
std::string scratch_dir(const std::string& name);

// Runs a shell command; returns its exit status (0 on success).
int run(const std::string& command);

std::string quote(const std::string& path);

}  // namespace pcxtest
