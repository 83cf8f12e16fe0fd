// The PCX decoder on files made by other tools: the shared test pictures against their PNG
// renderings, and every variant netpbm's ppmtopcx and ImageMagick write, against the
// pixels they were made from.
#include "editor/picture/pcx.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <set>

#include "pcx_test_support.h"

namespace {

using kvr::pcx::Image;
using kvr::pcx::IndexedImage;

const std::string kPictures = std::string(KVR_SHARED_TESTDATA) + "/pcx/";
const char* const kConvert = "/usr/bin/convert";  // the real ImageMagick, not a stand-in

struct Decoded {
    Image image;
    IndexedImage indexed;
    std::vector<std::uint8_t> file;
};

// Decodes a file both ways (the indexed way only when it has a palette).
::testing::AssertionResult decode_file(const std::string& path, Decoded& d, bool indexed) {
    d.file = pcxtest::read_file(path);
    if (d.file.empty()) return ::testing::AssertionFailure() << "cannot read " << path;
    std::string reason;
    if (!kvr::pcx::decode(d.file.data(), d.file.size(), d.image, reason))
        return ::testing::AssertionFailure() << path << ": " << reason;
    if (indexed && !kvr::pcx::decode_indexed(d.file.data(), d.file.size(), d.indexed, reason))
        return ::testing::AssertionFailure() << path << " (indexed): " << reason;
    return ::testing::AssertionSuccess();
}

// The reference rendering, turned into PNM by netpbm at test time.
::testing::AssertionResult png_pixels(const std::string& png, const std::string& dir, pcxtest::Pnm& out) {
    const std::string pnm = dir + "/" + std::filesystem::path(png).stem().string() + ".pnm";
    if (pcxtest::run("pngtopnm " + pcxtest::quote(png) + " > " + pcxtest::quote(pnm)) != 0)
        return ::testing::AssertionFailure() << "pngtopnm failed on " << png;
    std::string error;
    if (!pcxtest::read_pnm(pnm, out, error)) return ::testing::AssertionFailure() << error;
    return ::testing::AssertionSuccess();
}

std::string hex_colour(std::uint32_t rgb) {
    char text[8];
    std::snprintf(text, sizeof text, "%06X", static_cast<unsigned>(rgb & 0xFFFFFF));
    return text;
}

::testing::AssertionResult same_pixels(const Image& got, const pcxtest::Pnm& want) {
    if (got.width != want.width || got.height != want.height)
        return ::testing::AssertionFailure() << "size " << got.width << "x" << got.height << ", expected "
                                             << want.width << "x" << want.height;
    for (std::size_t i = 0; i < want.pixels.size(); ++i)
        if (got.pixels[i] != want.pixels[i])
            return ::testing::AssertionFailure()
                   << "pixel " << i % static_cast<std::size_t>(want.width) << "," << i / static_cast<std::size_t>(want.width)
                   << " is " << hex_colour(got.pixels[i]) << ", expected " << hex_colour(want.pixels[i]);
    return ::testing::AssertionSuccess();
}

// Every shared picture against its PNG rendering; for those with a palette, the indexed
// decoding against the colours as well.
TEST(PcxSharedPictures, EveryPictureMatchesItsRenderingPixelForPixel) {
    const std::string dir = pcxtest::scratch_dir("shared");
    const char* const files[] = {"gmarbles.pcx",     "marbles.pcx",       "tiny.pcx",          "cga/CGA_BW.PCX",
                                 "cga/CGA_FSD.PCX", "cga/CGA_RGBI.PCX", "cga/CGA_TST1.PCX"};
    for (const char* file : files) {
        SCOPED_TRACE(file);
        const std::filesystem::path path = kPictures + file;
        Decoded d;
        ASSERT_TRUE(decode_file(path.string(), d, false));
        pcxtest::Pnm want;
        ASSERT_TRUE(png_pixels(std::filesystem::path(path).replace_extension(".png").string(), dir, want));
        EXPECT_TRUE(same_pixels(d.image, want));

        const bool colour_planes = d.file[3] == 8 && d.file[65] >= 3;
        if (colour_planes) continue;
        ASSERT_TRUE(decode_file(path.string(), d, true));
        ASSERT_EQ(d.indexed.width, d.image.width);
        ASSERT_EQ(d.indexed.height, d.image.height);
        ASSERT_EQ(d.indexed.indices.size(), d.image.pixels.size());
        for (std::size_t i = 0; i < d.image.pixels.size(); ++i) {
            const std::uint8_t index = d.indexed.indices[i];
            ASSERT_LT(index, d.indexed.palette.size()) << "pixel " << i;
            ASSERT_EQ(d.indexed.palette[index], d.image.pixels[i]) << "pixel " << i;
        }
    }
}

// A PPM with `colours` distinct colours in a pattern with runs and single pixels.
pcxtest::Pnm pattern(int width, int height, const std::vector<std::uint32_t>& colours) {
    pcxtest::Pnm p;
    p.width = width;
    p.height = height;
    const std::size_t n = colours.size();
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const std::size_t k = static_cast<std::size_t>(x / 4 + y * 3 + (x * y) % 7);
            p.pixels.push_back(colours[(k + static_cast<std::size_t>(x % 3 == 0 ? 0 : y)) % n]);
        }
    // Make sure every colour is there.
    for (std::size_t i = 0; i < n && i < p.pixels.size(); ++i) p.pixels[i] = colours[i];
    return p;
}

std::vector<std::uint32_t> distinct_colours(int count, std::uint32_t seed) {
    std::set<std::uint32_t> seen;
    std::vector<std::uint32_t> v;
    std::uint32_t x = seed;
    while (static_cast<int>(v.size()) < count) {
        x = x * 1664525u + 1013904223u;
        const std::uint32_t c = (x >> 8) & 0xFFFFFF;
        if (seen.insert(c).second) v.push_back(c);
    }
    return v;
}

std::vector<std::uint32_t> standard_16() {
    pcxtest::Pnm std_palette;
    std::string error;
    EXPECT_TRUE(pcxtest::read_pnm("/usr/share/netpbm/pcxstd.ppm", std_palette, error)) << error;
    return std_palette.pixels;
}

struct ToolCase {
    std::string name;
    std::string options;
    pcxtest::Pnm source;
    int bits;
    int planes;
};

// Writes the source, has `command` make the PCX, checks the layout it chose and that the
// decoder gives the source pixels back.
void check_variant(const std::string& dir, const ToolCase& c, const std::string& command) {
    SCOPED_TRACE(c.name + " (" + c.options + ")");
    const std::string ppm = dir + "/" + c.name + ".ppm";
    const std::string pcx = dir + "/" + c.name + ".pcx";
    ASSERT_TRUE(pcxtest::write_ppm(ppm, c.source));
    ASSERT_EQ(pcxtest::run(command + " " + c.options + " " + pcxtest::quote(ppm) + " > " + pcxtest::quote(pcx)), 0)
        << command << " failed";
    Decoded d;
    ASSERT_TRUE(decode_file(pcx, d, false));
    ASSERT_GE(d.file.size(), 128u);
    EXPECT_EQ(d.file[3], c.bits) << "bits per pixel the tool wrote";
    EXPECT_EQ(d.file[65], c.planes) << "planes the tool wrote";
    EXPECT_TRUE(same_pixels(d.image, c.source));
}

TEST(PcxNetpbm, EveryVariantOfPpmtopcxDecodesToItsSource) {
    const std::string dir = pcxtest::scratch_dir("netpbm");
    const auto black_white = std::vector<std::uint32_t>{0x000000, 0xFFFFFF};
    const std::vector<ToolCase> cases = {
        {"two_colours", "", pattern(37, 11, {0xD02010, 0x1030C0}), 1, 1},
        {"black_white_packed", "-packed", pattern(64, 9, black_white), 1, 1},
        {"four_packed", "-packed", pattern(37, 11, distinct_colours(4, 1)), 2, 1},
        {"four_planes2", "", pattern(37, 11, distinct_colours(4, 2)), 1, 2},
        {"eight_planes3", "", pattern(19, 7, distinct_colours(8, 3)), 1, 3},
        {"sixteen_planes4", "", pattern(41, 13, distinct_colours(16, 4)), 1, 4},
        {"five_forced_planes4", "-planes=4", pattern(23, 5, distinct_colours(5, 5)), 1, 4},
        {"sixteen_packed", "-packed", pattern(41, 13, distinct_colours(16, 6)), 4, 1},
        {"standard_palette", "-stdpalette", pattern(33, 9, standard_16()), 1, 4},
        {"five_8bit", "-8bit", pattern(17, 5, distinct_colours(5, 7)), 8, 1},
        {"two_hundred", "", pattern(53, 29, distinct_colours(200, 8)), 8, 1},
        {"true_colour", "", pattern(45, 21, distinct_colours(700, 9)), 8, 3},
        {"five_24bit", "-24bit", pattern(17, 5, distinct_colours(5, 10)), 8, 3},
        {"one_pixel", "", pattern(1, 1, {0x123456}), 1, 1},
        {"offset", "-xpos=-5 -ypos=3", pattern(30, 4, distinct_colours(40, 11)), 8, 1},
        {"tile", "-8bit", pattern(256, 256, distinct_colours(256, 12)), 8, 1},
    };
    for (const ToolCase& c : cases) {
        ASSERT_FALSE(c.source.pixels.empty()) << c.name;
        check_variant(dir, c, "ppmtopcx -quiet");
    }
}

TEST(PcxImageMagick, EveryVariantImageMagickWritesDecodesToItsSource) {
    const std::string dir = pcxtest::scratch_dir("imagemagick");
    const std::string convert = std::string(kConvert);
    const std::vector<ToolCase> cases = {
        {"palette_200", "-type palette", pattern(53, 29, distinct_colours(200, 20)), 8, 1},
        {"palette_16", "-type palette", pattern(41, 13, distinct_colours(16, 21)), 8, 1},
        {"palette_3", "-type palette", pattern(9, 33, distinct_colours(3, 22)), 8, 1},
        {"true_colour", "-type truecolor", pattern(45, 21, distinct_colours(700, 23)), 8, 3},
        {"alpha", "-alpha set -channel A -evaluate set 50% +channel", pattern(30, 8, distinct_colours(300, 24)), 8, 4},
        {"tile", "-type palette", pattern(256, 256, distinct_colours(256, 25)), 8, 1},
    };
    for (const ToolCase& c : cases) {
        // ImageMagick names its output by extension and wants files, not pipes.
        SCOPED_TRACE(c.name);
        const std::string ppm = dir + "/" + c.name + ".ppm";
        const std::string pcx = dir + "/" + c.name + ".pcx";
        ASSERT_TRUE(pcxtest::write_ppm(ppm, c.source));
        ASSERT_EQ(pcxtest::run(convert + " " + pcxtest::quote(ppm) + " " + c.options + " " + pcxtest::quote(pcx)), 0);
        Decoded d;
        ASSERT_TRUE(decode_file(pcx, d, false));
        EXPECT_EQ(d.file[3], c.bits) << "bits per pixel ImageMagick wrote";
        EXPECT_EQ(d.file[65], c.planes) << "planes ImageMagick wrote";
        EXPECT_TRUE(same_pixels(d.image, c.source));
    }
}

TEST(PcxImageMagick, ItsOneBitPicturesDecodeAsNetpbmReadsThem) {
    // ImageMagick's two-colour files set bit 1 for the pixels of its header's colour 0, so
    // read by their header they come out inverted; its own reader ignores that header.
    // netpbm's pcxtoppm follows the header, and so does the decoder.
    const std::string dir = pcxtest::scratch_dir("imagemagick_bilevel");
    const pcxtest::Pnm source = pattern(77, 9, {0x000000, 0xFFFFFF});
    const std::string ppm = dir + "/bilevel.ppm";
    const std::string pcx = dir + "/bilevel.pcx";
    const std::string netpbm = dir + "/netpbm.ppm";
    ASSERT_TRUE(pcxtest::write_ppm(ppm, source));
    ASSERT_EQ(pcxtest::run(std::string(kConvert) + " " + pcxtest::quote(ppm) + " +dither -remap pattern:gray50 " +
                           pcxtest::quote(pcx)),
              0);
    ASSERT_EQ(pcxtest::run("pcxtoppm " + pcxtest::quote(pcx) + " > " + pcxtest::quote(netpbm)), 0);
    Decoded d;
    ASSERT_TRUE(decode_file(pcx, d, false));
    EXPECT_EQ(d.file[3], 1);
    EXPECT_EQ(d.file[65], 1);
    pcxtest::Pnm want;
    std::string error;
    ASSERT_TRUE(pcxtest::read_pnm(netpbm, want, error)) << error;
    EXPECT_TRUE(same_pixels(d.image, want));
}

}  // namespace
