// The PCX decoder on hand-made files: every layout, run handling, palette choice,
// malformed input, and the enlargement.
#include "editor/picture/pcx.h"

#include <gtest/gtest.h>

#include <random>

#include "pcx_test_support.h"

namespace {

using kvr::pcx::decode;
using kvr::pcx::decode_indexed;
using kvr::pcx::Image;
using kvr::pcx::IndexedImage;
using pcxtest::Layout;

std::vector<std::uint8_t> random_indices(int count, int colours, unsigned seed) {
    std::mt19937 rng(seed);
    std::vector<std::uint8_t> v(static_cast<std::size_t>(count));
    // Stretches of one value as well, so that the file has runs.
    for (std::size_t i = 0; i < v.size(); ++i)
        v[i] = static_cast<std::uint8_t>((rng() % 3 == 0 && i > 0) ? v[i - 1] : rng() % static_cast<unsigned>(colours));
    return v;
}

std::vector<std::uint32_t> random_colours(int count, unsigned seed) {
    std::mt19937 rng(seed);
    std::vector<std::uint32_t> v(static_cast<std::size_t>(count));
    for (auto& c : v) c = rng() & 0xFFFFFF;
    return v;
}

bool decodes(const std::vector<std::uint8_t>& file, Image& img, std::string& reason) {
    return decode(file.data(), file.size(), img, reason);
}

std::string refusal(const std::vector<std::uint8_t>& file) {
    Image img;
    std::string reason;
    EXPECT_FALSE(decodes(file, img, reason)) << "a malformed file was accepted";
    EXPECT_FALSE(reason.empty());
    EXPECT_EQ(img.width, 0);
    EXPECT_TRUE(img.pixels.empty());
    return reason;
}

// A valid small 8-bit file with a trailing palette.
std::vector<std::uint8_t> small_8bit_file(Layout& l, std::vector<std::uint8_t>& indices,
                                          std::vector<std::uint32_t>& palette) {
    l.bits = 8;
    l.planes = 1;
    l.width = 9;
    l.height = 5;
    indices = random_indices(l.width * l.height, 256, 3);
    palette = random_colours(256, 4);
    return pcxtest::encode_file(l, pcxtest::pack_indices(l, indices), palette);
}

struct LayoutCase {
    int bits;
    int planes;
};

class PaletteLayouts : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(PaletteLayouts, IndicesAndColoursComeBackFromEveryLayout) {
    const LayoutCase c = GetParam();
    for (int width : {1, 7, 13, 64}) {
        for (int extra_padding : {0, 3}) {
            Layout l;
            l.bits = c.bits;
            l.planes = c.planes;
            l.width = width;
            l.height = 6;
            l.bytes_per_line = (width * c.bits + 7) / 8 + extra_padding;
            const int index_bits = c.bits * c.planes;
            const int colours = 1 << index_bits;
            const auto indices = random_indices(width * l.height, colours, static_cast<unsigned>(width * 31 + index_bits));
            const auto colour_table = random_colours(index_bits > 4 ? 256 : colours, 99u + static_cast<unsigned>(width));
            std::vector<std::uint32_t> trailer;
            if (index_bits > 4)
                trailer = colour_table;
            else
                for (int i = 0; i < colours; ++i) pcxtest::set_header_colour(l, i, colour_table[static_cast<std::size_t>(i)]);
            // Padding bytes hold junk that must not show.
            const auto file = pcxtest::encode_file(l, pcxtest::pack_indices(l, indices, 0xFF), trailer);
            SCOPED_TRACE("width " + std::to_string(width) + ", padding " + std::to_string(extra_padding));

            IndexedImage idx;
            std::string reason;
            ASSERT_TRUE(decode_indexed(file.data(), file.size(), idx, reason)) << reason;
            EXPECT_EQ(idx.width, width);
            EXPECT_EQ(idx.height, l.height);
            EXPECT_EQ(idx.indices, indices);
            ASSERT_EQ(idx.palette.size(), static_cast<std::size_t>(colours));
            for (int i = 0; i < colours; ++i) EXPECT_EQ(idx.palette[static_cast<std::size_t>(i)], colour_table[static_cast<std::size_t>(i)]);

            Image img;
            ASSERT_TRUE(decodes(file, img, reason)) << reason;
            ASSERT_EQ(img.pixels.size(), indices.size());
            for (std::size_t i = 0; i < indices.size(); ++i)
                ASSERT_EQ(img.pixels[i], colour_table[indices[i]]) << "pixel " << i;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Pcx, PaletteLayouts,
                         ::testing::Values(LayoutCase{1, 1}, LayoutCase{1, 2}, LayoutCase{1, 3}, LayoutCase{1, 4},
                                           LayoutCase{2, 1}, LayoutCase{2, 2}, LayoutCase{4, 1}, LayoutCase{8, 1},
                                           LayoutCase{2, 4}, LayoutCase{4, 2}),
                         [](const auto& info) {
                             return std::to_string(info.param.bits) + "bits" + std::to_string(info.param.planes) +
                                    "planes";
                         });

TEST(PcxColourPlanes, ThreeAndFourPlanesGiveTrueColour) {
    for (int planes : {3, 4}) {
        Layout l;
        l.planes = planes;
        l.width = 11;
        l.height = 4;
        l.bytes_per_line = 12;
        auto pixels = random_colours(l.width * l.height, 5);
        pixels[3] = pixels[4] = pixels[5] = 0xC1C2C3;  // bytes that need run pairs
        const auto file = pcxtest::encode_file(l, pcxtest::pack_rgb(l, pixels, 0x80));
        Image img;
        std::string reason;
        ASSERT_TRUE(decodes(file, img, reason)) << reason;
        EXPECT_EQ(img.pixels, pixels) << planes << " planes";
        IndexedImage idx;
        EXPECT_FALSE(decode_indexed(file.data(), file.size(), idx, reason));
        EXPECT_NE(reason.find("24-bit"), std::string::npos);
    }
}

TEST(PcxRuns, RunsMayCrossLinesAndPlanes) {
    Layout l;
    l.planes = 3;
    l.width = 10;
    l.height = 7;
    std::vector<std::uint32_t> pixels(70, 0x202020);
    for (int i = 30; i < 45; ++i) pixels[static_cast<std::size_t>(i)] = 0xE0E0E0;
    const auto raw = pcxtest::pack_rgb(l, pixels);
    const auto across = pcxtest::make_file(l, pcxtest::rle(raw, 0));
    const auto within = pcxtest::encode_file(l, raw);
    ASSERT_LT(across.size(), within.size()) << "the encoder did not join runs across lines";
    Image a, b;
    std::string reason;
    ASSERT_TRUE(decodes(across, a, reason)) << reason;
    ASSERT_TRUE(decodes(within, b, reason)) << reason;
    EXPECT_EQ(a.pixels, pixels);
    EXPECT_EQ(b.pixels, pixels);
}

TEST(PcxRuns, StoredDataAndEmptyRunsAreRead) {
    Layout l;
    l.bits = 1;
    l.planes = 4;
    l.width = 5;
    l.height = 3;
    for (int i = 0; i < 16; ++i) pcxtest::set_header_colour(l, i, 0x010203u * static_cast<unsigned>(i + 1));
    const auto indices = random_indices(15, 16, 8);
    const auto raw = pcxtest::pack_indices(l, indices);

    Layout stored = l;
    stored.encoding = 0;
    IndexedImage idx;
    std::string reason;
    const auto plain = pcxtest::encode_file(stored, raw);
    ASSERT_TRUE(decode_indexed(plain.data(), plain.size(), idx, reason)) << reason;
    EXPECT_EQ(idx.indices, indices);

    // 0xC0 is a run of nothing; sprinkle some between the real codes.
    auto body = pcxtest::rle(raw, 0);
    std::vector<std::uint8_t> padded;
    for (std::size_t i = 0; i < body.size(); ++i) {
        const bool pair_start = (body[i] & 0xC0) == 0xC0;
        if (i % 3 == 0) padded.insert(padded.end(), {0xC0, 0x55});
        padded.push_back(body[i]);
        if (pair_start) padded.push_back(body[++i]);
    }
    const auto with_empty_runs = pcxtest::make_file(l, padded);
    ASSERT_TRUE(decode_indexed(with_empty_runs.data(), with_empty_runs.size(), idx, reason)) << reason;
    EXPECT_EQ(idx.indices, indices);
}

TEST(PcxHeader, NegativePositionsGiveTheRightSize) {
    Layout l;
    l.x_min = 0xFFFB;  // -5 as written by ppmtopcx -xpos=-5
    l.y_min = 0xFFFF;
    l.width = 12;
    l.height = 3;
    const auto indices = random_indices(36, 256, 1);
    const auto palette = random_colours(256, 2);
    const auto file = pcxtest::encode_file(l, pcxtest::pack_indices(l, indices), palette);
    IndexedImage idx;
    std::string reason;
    ASSERT_TRUE(decode_indexed(file.data(), file.size(), idx, reason)) << reason;
    EXPECT_EQ(idx.width, 12);
    EXPECT_EQ(idx.height, 3);
    EXPECT_EQ(idx.indices, indices);
}

// The standard 16 colours, written out as their RGB levels: the fallback for a header
// palette of one colour.
const std::uint32_t kEga[16] = {0x000000, 0x0000AA, 0x00AA00, 0x00AAAA, 0xAA0000, 0xAA00AA, 0xAA5500, 0xAAAAAA,
                                0x555555, 0x5555FF, 0x55FF55, 0x55FFFF, 0xFF5555, 0xFF55FF, 0xFFFF55, 0xFFFFFF};

std::vector<std::uint32_t> palette_of(const Layout& l) {
    const auto indices = random_indices(l.width * l.height, 1 << (l.bits * l.planes), 12);
    const auto file = pcxtest::encode_file(l, pcxtest::pack_indices(l, indices));
    IndexedImage idx;
    std::string reason;
    EXPECT_TRUE(decode_indexed(file.data(), file.size(), idx, reason)) << reason;
    return idx.palette;
}

std::vector<std::uint32_t> header_colours(const Layout& l, int count) {
    std::vector<std::uint32_t> v;
    for (int i = 0; i < count; ++i) {
        const auto* p = &l.header_palette[static_cast<std::size_t>(3 * i)];
        v.push_back((std::uint32_t{p[0]} << 16) | (std::uint32_t{p[1]} << 8) | p[2]);
    }
    return v;
}

TEST(PcxPalette, TheHeaderPaletteHoldsWhateverTheVersionOrResolution) {
    Layout l;
    l.bits = 1;
    l.planes = 4;
    l.width = 9;
    l.height = 2;
    for (int i = 0; i < 16; ++i) pcxtest::set_header_colour(l, i, 0x111111u * static_cast<unsigned>(i) ^ 0x00A000u);
    for (int version : {0, 2, 3, 4, 5}) {
        l.version = version;
        EXPECT_EQ(palette_of(l), header_colours(l, 16)) << "version " << version;
    }
    l.planes = 3;
    EXPECT_EQ(palette_of(l), header_colours(l, 8));

    // Pictures saved in the CGA modes keep mode settings in their header palette; they
    // are shown as the raw colours all the same.
    struct Case {
        int bits, planes, h_res, v_res;
    };
    for (Case c : {Case{2, 1, 320, 200}, Case{1, 2, 320, 200}, Case{4, 1, 320, 200}, Case{1, 1, 320, 200},
                   Case{1, 1, 640, 350}, Case{1, 1, 720, 200}, Case{1, 2, 640, 200}, Case{2, 1, 640, 200}}) {
        Layout m = l;
        m.version = 5;
        m.bits = c.bits;
        m.planes = c.planes;
        m.h_res = c.h_res;
        m.v_res = c.v_res;
        pcxtest::set_header_colour(m, 0, 0x3E3E3E);
        pcxtest::set_header_colour(m, 1, 0xF00000);
        EXPECT_EQ(palette_of(m), header_colours(m, 1 << (c.bits * c.planes)))
            << c.bits << "x" << c.planes << " at " << c.h_res << "x" << c.v_res;
    }
}

TEST(PcxPalette, TheCga640ModeShowsBlackAndWhite) {
    Layout l;
    l.bits = 1;
    l.width = 16;
    l.height = 2;
    l.h_res = 640;
    l.v_res = 200;
    const std::vector<std::uint32_t> black_white = {0x000000, 0xFFFFFF};
    pcxtest::set_header_colour(l, 0, 0xFF0000);
    EXPECT_EQ(palette_of(l), black_white);
    pcxtest::set_header_colour(l, 0, 0xFFFFFF);
    pcxtest::set_header_colour(l, 1, 0x000000);
    EXPECT_EQ(palette_of(l), black_white) << "even a reversed palette";
    l.v_res = 480;
    EXPECT_EQ(palette_of(l), (std::vector<std::uint32_t>{0xFFFFFF, 0x000000})) << "another mode";
}

TEST(PcxPalette, AHeaderPaletteOfOneColourFallsBackToTheDefaults) {
    Layout l;
    l.bits = 4;
    l.width = 6;
    l.height = 2;
    EXPECT_EQ(palette_of(l), std::vector<std::uint32_t>(std::begin(kEga), std::end(kEga)));
    l.bits = 2;
    EXPECT_EQ(palette_of(l), std::vector<std::uint32_t>(std::begin(kEga), std::begin(kEga) + 4));
    l.bits = 1;
    EXPECT_EQ(palette_of(l), (std::vector<std::uint32_t>{0x000000, 0xFFFFFF}));
    for (int i = 0; i < 16; ++i) pcxtest::set_header_colour(l, i, 0x808080);
    EXPECT_EQ(palette_of(l), (std::vector<std::uint32_t>{0x000000, 0xFFFFFF})) << "one grey";
    pcxtest::set_header_colour(l, 0, 0xFF0000);
    pcxtest::set_header_colour(l, 1, 0x0000FF);
    EXPECT_EQ(palette_of(l), (std::vector<std::uint32_t>{0xFF0000, 0x0000FF})) << "a real two-colour palette";
    // Only the entries the picture can use count: a 2-colour picture whose first two
    // entries match is one colour even when the rest of the header differs.
    pcxtest::set_header_colour(l, 1, 0xFF0000);
    EXPECT_EQ(palette_of(l), (std::vector<std::uint32_t>{0x000000, 0xFFFFFF}));
    l.bits = 2;
    EXPECT_EQ(palette_of(l), (std::vector<std::uint32_t>{0xFF0000, 0xFF0000, 0x808080, 0x808080}));
}

TEST(PcxMalformed, HeaderFaultsAreRefusedWithAReason) {
    Layout l;
    std::vector<std::uint8_t> indices;
    std::vector<std::uint32_t> palette;
    const auto good = small_8bit_file(l, indices, palette);
    Image img;
    std::string reason;
    ASSERT_TRUE(decodes(good, img, reason)) << reason;

    EXPECT_NE(refusal({}).find("shorter"), std::string::npos);
    EXPECT_NE(refusal(std::vector<std::uint8_t>(good.begin(), good.begin() + 127)).find("shorter"), std::string::npos);
    Image untouched;
    EXPECT_FALSE(decode(nullptr, 500, untouched, reason));

    auto changed = [&](std::size_t at, std::uint8_t value) {
        auto f = good;
        f[at] = value;
        return f;
    };
    EXPECT_NE(refusal(changed(0, 0x0B)).find("not a PCX"), std::string::npos);
    EXPECT_NE(refusal(changed(1, 1)).find("version"), std::string::npos);
    EXPECT_NE(refusal(changed(1, 6)).find("version"), std::string::npos);
    EXPECT_NE(refusal(changed(2, 2)).find("encoding"), std::string::npos);
    for (std::uint8_t bits : {0, 3, 5, 16}) EXPECT_NE(refusal(changed(3, bits)).find("layout"), std::string::npos);
    for (std::uint8_t planes : {0, 2, 5, 255}) EXPECT_NE(refusal(changed(65, planes)).find("layout"), std::string::npos);
    auto four_by_three = changed(3, 4);
    four_by_three[65] = 3;
    EXPECT_NE(refusal(four_by_three).find("layout"), std::string::npos);
}

TEST(PcxMalformed, BytesPerLineMustHoldTheWidth) {
    struct Case {
        int bits, planes, width;
    };
    for (Case c : {Case{8, 1, 9}, Case{1, 1, 17}, Case{1, 4, 9}, Case{2, 1, 5}, Case{4, 1, 3}, Case{8, 3, 4}}) {
        Layout l;
        l.bits = c.bits;
        l.planes = c.planes;
        l.width = c.width;
        l.height = 2;
        l.bytes_per_line = (c.width * c.bits + 7) / 8 - 1;
        // Enough data for the real width, so that only the header is at fault.
        std::vector<std::uint8_t> raw(static_cast<std::size_t>((l.bytes_per_line + 1) * c.planes * 2), 0x11);
        const auto file = pcxtest::make_file(l, raw, random_colours(256, 1));
        EXPECT_NE(refusal(file).find("bytes per line"), std::string::npos) << c.bits << "x" << c.planes;
    }
    Layout zero;
    zero.bytes_per_line = 0;
    auto file = pcxtest::make_file(zero, {0x11, 0x11}, random_colours(256, 1));
    file[66] = file[67] = 0;
    EXPECT_NE(refusal(file).find("bytes per line"), std::string::npos);
}

TEST(PcxMalformed, HugeDimensionsAreRefusedBeforeAllocating) {
    Layout l;
    l.width = kvr::pcx::kMaxDimension + 1;
    l.height = 1;
    EXPECT_NE(refusal(pcxtest::make_file(l, {0xC1, 0x00})).find("too large"), std::string::npos);
    l.width = 1;
    l.height = 65536;  // the largest a header can say
    EXPECT_NE(refusal(pcxtest::make_file(l, {0xC1, 0x00})).find("too large"), std::string::npos);
    l.width = 9000;
    l.height = 9000;  // each side allowed, the area not
    EXPECT_NE(refusal(pcxtest::make_file(l, {0xC1, 0x00})).find("too large"), std::string::npos);
    // Within the limits, but far more than the data can hold.
    l.width = 8000;
    l.height = 8000;
    l.planes = 3;
    std::vector<std::uint8_t> body(4000, 0xFF);
    EXPECT_NE(refusal(pcxtest::make_file(l, body)).find("too short"), std::string::npos);
}

TEST(PcxMalformed, EveryTruncationIsRefused) {
    Layout rgb;
    rgb.planes = 3;
    rgb.width = 7;
    rgb.height = 5;
    const auto rgb_file = pcxtest::encode_file(rgb, pcxtest::pack_rgb(rgb, random_colours(35, 6)));
    Layout four;
    four.bits = 4;
    four.width = 11;
    four.height = 6;
    for (int i = 0; i < 16; ++i) pcxtest::set_header_colour(four, i, 0x0F0F0Fu * static_cast<unsigned>(i));
    const auto four_file = pcxtest::encode_file(four, pcxtest::pack_indices(four, random_indices(66, 16, 2)));
    Layout l;
    std::vector<std::uint8_t> indices;
    std::vector<std::uint32_t> palette;
    const auto eight_file = small_8bit_file(l, indices, palette);

    for (const auto* file : {&rgb_file, &four_file, &eight_file}) {
        for (std::size_t cut = 128; cut < file->size(); ++cut) {
            const std::vector<std::uint8_t> part(file->begin(), file->begin() + static_cast<std::ptrdiff_t>(cut));
            Image img;
            std::string reason;
            ASSERT_FALSE(decodes(part, img, reason)) << "cut at " << cut << " of " << file->size();
        }
    }
    // A run code as the very last byte has lost its value.
    Layout tiny;
    tiny.planes = 3;
    tiny.width = 2;
    tiny.height = 1;
    EXPECT_NE(refusal(pcxtest::make_file(tiny, {0xC6})).find("ends early"), std::string::npos);
}

TEST(PcxMalformed, MissingTrailingPaletteIsRefused) {
    Layout l;
    std::vector<std::uint8_t> indices;
    std::vector<std::uint32_t> palette;
    auto file = small_8bit_file(l, indices, palette);
    auto wrong_marker = file;
    wrong_marker[wrong_marker.size() - 769] = 0x0D;
    EXPECT_NE(refusal(wrong_marker).find("palette"), std::string::npos);
    const auto no_trailer = pcxtest::encode_file(l, pcxtest::pack_indices(l, indices));
    EXPECT_NE(refusal(no_trailer).find("palette"), std::string::npos);
    // 2 bits x 4 planes also needs it.
    Layout deep;
    deep.bits = 2;
    deep.planes = 4;
    deep.width = 3;
    deep.height = 2;
    EXPECT_NE(refusal(pcxtest::encode_file(deep, pcxtest::pack_indices(deep, random_indices(6, 256, 1))))
                  .find("palette"),
              std::string::npos);
}

TEST(PcxMalformed, PictureDataStopsAtTheTrailingPalette) {
    // The image data lacks its last line; the palette behind it must not stand in for it.
    Layout l;
    l.width = 16;
    l.height = 40;
    const auto indices = random_indices(16 * 40, 256, 9);
    auto body = pcxtest::rle(pcxtest::pack_indices(l, indices), 16);
    const auto full = pcxtest::make_file(l, body, random_colours(256, 3));
    Image img;
    std::string reason;
    ASSERT_TRUE(decodes(full, img, reason)) << reason;
    l.height = 41;
    EXPECT_NE(refusal(pcxtest::make_file(l, body, random_colours(256, 3))).find("ends early"), std::string::npos);
}

TEST(PcxMalformed, RunsPastTheEndOfThePictureAreRefused) {
    Layout l;
    l.planes = 3;
    l.width = 4;
    l.height = 2;
    // 24 bytes are wanted; the last run gives 5 more.
    std::vector<std::uint8_t> body = {0xD4, 0x10, 0xC9, 0x20};
    EXPECT_NE(refusal(pcxtest::make_file(l, body)).find("past the end"), std::string::npos);
    body = {0xD4, 0x10, 0xC4, 0x20};  // exactly 24
    Image img;
    std::string reason;
    ASSERT_TRUE(decodes(pcxtest::make_file(l, body), img, reason)) << reason;
    EXPECT_EQ(img.pixels[0], 0x101010u);
    EXPECT_EQ(img.pixels[7], 0x101020u);  // red and green planes from the first run, blue from the second
    // Bytes after the last line (not a run) are ignored, as writers may leave some.
    body.push_back(0x00);
    EXPECT_TRUE(decodes(pcxtest::make_file(l, body), img, reason)) << reason;
}

TEST(PcxMalformed, FailureLeavesTheOutputAlone) {
    Image img;
    img.width = 2;
    img.height = 1;
    img.pixels = {1, 2};
    IndexedImage idx;
    idx.width = 3;
    idx.indices = {7};
    Layout l;
    std::vector<std::uint8_t> indices;
    std::vector<std::uint32_t> palette;
    auto file = small_8bit_file(l, indices, palette);
    file.resize(file.size() - 1);
    std::string reason;
    EXPECT_FALSE(decodes(file, img, reason));
    EXPECT_FALSE(decode_indexed(file.data(), file.size(), idx, reason));
    EXPECT_EQ(img.width, 2);
    EXPECT_EQ(img.pixels, (std::vector<std::uint32_t>{1, 2}));
    EXPECT_EQ(idx.width, 3);
    EXPECT_EQ(idx.indices, (std::vector<std::uint8_t>{7}));
}

TEST(PcxScale, EachPixelBecomesASquare) {
    Image in;
    in.width = 3;
    in.height = 2;
    in.pixels = {1, 2, 3, 4, 5, 6};
    for (int f : {1, 2, 3, 5}) {
        const Image out = kvr::pcx::scale(in, f);
        ASSERT_EQ(out.width, 3 * f);
        ASSERT_EQ(out.height, 2 * f);
        ASSERT_EQ(out.pixels.size(), static_cast<std::size_t>(6 * f * f));
        for (int y = 0; y < out.height; ++y)
            for (int x = 0; x < out.width; ++x)
                ASSERT_EQ(out.pixels[static_cast<std::size_t>(y * out.width + x)],
                          in.pixels[static_cast<std::size_t>((y / f) * 3 + x / f)])
                    << "factor " << f << " at " << x << "," << y;
    }
}

TEST(PcxScale, ImpossibleRequestsGiveAnEmptyImage) {
    Image in;
    in.width = 3;
    in.height = 2;
    in.pixels = {1, 2, 3, 4, 5, 6};
    for (int f : {0, -1, -100}) {
        const Image out = kvr::pcx::scale(in, f);
        EXPECT_EQ(out.width, 0);
        EXPECT_TRUE(out.pixels.empty());
    }
    EXPECT_TRUE(kvr::pcx::scale(in, kvr::pcx::kMaxDimension).pixels.empty());
    Image wide;
    wide.width = 9000;
    wide.height = 1;
    wide.pixels.assign(9000, 7);
    EXPECT_TRUE(kvr::pcx::scale(wide, 2).pixels.empty());
    EXPECT_EQ(kvr::pcx::scale(wide, 1).pixels.size(), 9000u);
    Image broken = in;
    broken.pixels.pop_back();  // claims more pixels than it has
    EXPECT_TRUE(kvr::pcx::scale(broken, 2).pixels.empty());
    EXPECT_TRUE(kvr::pcx::scale(Image{}, 2).pixels.empty());
}

}  // namespace
