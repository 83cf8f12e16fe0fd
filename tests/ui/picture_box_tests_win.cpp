// The tile picture control under Wine: loading, scaling, painting, failures and mouse events.
#include "editor/ui/picture_box_win.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

#include "editor/picture/pcx.h"
#include "tests/ui/controls_test_support_win.h"

using controls_test::Capture;
using controls_test::capture_client;
using controls_test::capture_from;
using controls_test::make_parent;
using controls_test::pump;
using controls_test::received;
using controls_test::wine_path;

namespace {

constexpr std::uint32_t kWhite = 0xFFFFFF;
constexpr int kBoxId = 77;

// A small picture written by hand: 8 bits, 256-colour palette behind the 0x0C marker, RLE
// runs and a colour index above 0xBF (which the format must escape).
struct TestPicture {
    int width = 5;
    int height = 3;
    std::vector<std::uint8_t> indices{0, 1, 2, 3, 4,  //
                                      5, 200, 0, 1, 2,  //
                                      3, 3, 3, 200, 5};
    std::array<std::uint32_t, 256> palette{};

    TestPicture() {
        palette[0] = 0xFF0000;
        palette[1] = 0x00FF00;
        palette[2] = 0x0000FF;
        palette[3] = 0x102030;
        palette[4] = 0xC0C0C0;
        palette[5] = 0x000000;
        palette[200] = 0xABCDEF;
    }
    std::uint32_t colour(int x, int y) const { return palette[indices[static_cast<std::size_t>(y) * width + x]]; }
};

void put16(std::vector<std::uint8_t>& out, std::size_t at, int v) {
    out[at] = static_cast<std::uint8_t>(v & 0xFF);
    out[at + 1] = static_cast<std::uint8_t>((v >> 8) & 0xFF);
}

std::vector<std::uint8_t> encode_pcx8(const TestPicture& p) {
    std::vector<std::uint8_t> out(128, 0);
    out[0] = 10;  // manufacturer
    out[1] = 5;   // version with a 256-colour palette
    out[2] = 1;   // RLE
    out[3] = 8;   // bits per pixel
    put16(out, 8, p.width - 1);
    put16(out, 10, p.height - 1);
    put16(out, 12, 72);
    put16(out, 14, 72);
    out[65] = 1;  // planes
    const int bytes_per_line = p.width + (p.width & 1);
    put16(out, 66, bytes_per_line);
    put16(out, 68, 1);
    for (int y = 0; y < p.height; ++y) {
        std::vector<std::uint8_t> line(static_cast<std::size_t>(bytes_per_line), 0);
        for (int x = 0; x < p.width; ++x) line[x] = p.indices[static_cast<std::size_t>(y) * p.width + x];
        for (std::size_t i = 0; i < line.size();) {
            std::size_t run = 1;
            while (i + run < line.size() && line[i + run] == line[i] && run < 63) ++run;
            if (run > 1 || line[i] >= 0xC0) out.push_back(static_cast<std::uint8_t>(0xC0 | run));
            out.push_back(line[i]);
            i += run;
        }
    }
    out.push_back(0x0C);
    for (std::uint32_t c : p.palette) {
        out.push_back(static_cast<std::uint8_t>(c >> 16));
        out.push_back(static_cast<std::uint8_t>(c >> 8));
        out.push_back(static_cast<std::uint8_t>(c));
    }
    return out;
}

// What a box of `width` × `height` must show: `colour(x, y)` of a picture of `pw` × `ph`
// pixels, each covering factor × factor screen pixels, white elsewhere.
template <typename Colour>
Capture expected_view(int width, int height, int pw, int ph, int factor, Colour colour) {
    Capture c;
    c.width = width;
    c.height = height;
    c.pixels.assign(static_cast<std::size_t>(width) * height, kWhite);
    for (int y = 0; y < std::min(height, ph * factor); ++y) {
        for (int x = 0; x < std::min(width, pw * factor); ++x) {
            c.pixels[static_cast<std::size_t>(y) * width + x] = colour(x / factor, y / factor);
        }
    }
    return c;
}

// "" when equal, else where and how they first differ.
std::string difference(const Capture& got, const Capture& want) {
    if (got.width != want.width || got.height != want.height) {
        return "size " + std::to_string(got.width) + "x" + std::to_string(got.height) + " instead of " +
               std::to_string(want.width) + "x" + std::to_string(want.height);
    }
    for (int y = 0; y < got.height; ++y) {
        for (int x = 0; x < got.width; ++x) {
            if (got.at(x, y) != want.at(x, y)) {
                char text[96];
                std::snprintf(text, sizeof text, "pixel (%d, %d) is %06X instead of %06X", x, y,
                              static_cast<unsigned>(got.at(x, y)), static_cast<unsigned>(want.at(x, y)));
                return text;
            }
        }
    }
    return "";
}

// The reference rendering of a shared test picture, as netpbm made it at build time (P5 or P6).
bool read_pnm(const std::string& path, int& width, int& height, std::vector<std::uint32_t>& pixels) {
    std::ifstream in(path, std::ios::binary);
    std::string magic;
    int maxval = 0;
    in >> magic >> width >> height >> maxval;
    in.get();
    if (!in || (magic != "P5" && magic != "P6") || maxval != 255 || width <= 0 || height <= 0) return false;
    const int channels = magic == "P6" ? 3 : 1;
    std::vector<unsigned char> raw(static_cast<std::size_t>(width) * height * channels);
    in.read(reinterpret_cast<char*>(raw.data()), static_cast<std::streamsize>(raw.size()));
    if (!in) return false;
    pixels.resize(static_cast<std::size_t>(width) * height);
    for (std::size_t i = 0; i < pixels.size(); ++i) {
        const unsigned char* p = &raw[i * channels];
        pixels[i] = channels == 3 ? (std::uint32_t{p[0]} << 16 | std::uint32_t{p[1]} << 8 | p[2])
                                  : (std::uint32_t{p[0]} * 0x010101u);
    }
    return true;
}

class PictureBoxTest : public ::testing::Test {
protected:
    void SetUp() override {
        parent_ = make_parent(false);
        ASSERT_NE(parent_, nullptr);
        box_ = CreatePictureBox(parent_, kBoxId, 8, 8, 64, 48);
        ASSERT_NE(box_, nullptr);
    }
    void TearDown() override {
        DestroyWindow(parent_);
        for (const std::string& f : files_) DeleteFileA(f.c_str());
    }
    std::string write_file(const std::string& name, const std::vector<std::uint8_t>& bytes) {
        char dir[MAX_PATH];
        GetTempPathA(MAX_PATH, dir);
        const std::string path = std::string(dir) + "kvr_picture_" + std::to_string(GetCurrentProcessId()) + "_" + name;
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                    static_cast<std::streamsize>(bytes.size()));
        files_.push_back(path);
        return path;
    }
    Capture expected(const TestPicture& p, int factor) const {
        return expected_view(64, 48, p.width, p.height, factor, [&](int x, int y) { return p.colour(x, y); });
    }

    HWND parent_ = nullptr;
    HWND box_ = nullptr;
    std::vector<std::string> files_;
};

TEST_F(PictureBoxTest, StartsHiddenWhiteAndEmpty) {
    EXPECT_FALSE(IsWindowVisible(box_));
    EXPECT_EQ(GetDlgCtrlID(box_), kBoxId);
    EXPECT_EQ(GetParent(box_), parent_);
    RECT rc{};
    GetWindowRect(box_, &rc);
    MapWindowPoints(nullptr, parent_, reinterpret_cast<POINT*>(&rc), 2);
    EXPECT_EQ(rc.left, 8);
    EXPECT_EQ(rc.top, 8);
    EXPECT_EQ(rc.right - rc.left, 64);
    EXPECT_EQ(rc.bottom - rc.top, 48);
    const Capture c = capture_client(box_);
    EXPECT_EQ(difference(c, expected_view(64, 48, 0, 0, 1, [](int, int) { return 0u; })), "");
    // A second registration is harmless.
    EXPECT_TRUE(RegisterPictureBoxClass(GetModuleHandleA(nullptr)));
}

TEST_F(PictureBoxTest, ShowsThePictureAtTheTopLeftOnWhite) {
    const TestPicture p;
    std::string reason = "untouched";
    ASSERT_TRUE(PictureBox_LoadFile(box_, write_file("a.pcx", encode_pcx8(p)).c_str(), &reason));
    EXPECT_EQ(reason, "untouched");
    EXPECT_EQ(difference(capture_client(box_), expected(p, 1)), "");
    // The editor puts a backslash after the folder even when the folder (a drive's root)
    // already ends with one.
    std::string doubled = files_.back();
    doubled.insert(doubled.rfind('\\'), "\\");
    EXPECT_TRUE(PictureBox_LoadFile(box_, doubled.c_str())) << doubled;
}

TEST_F(PictureBoxTest, At200PercentEachPicturePixelCovers2x2) {
    const TestPicture p;
    ASSERT_TRUE(PictureBox_LoadFile(box_, write_file("a.pcx", encode_pcx8(p)).c_str()));
    PictureBox_SetScale(box_, 200.0f);
    EXPECT_EQ(difference(capture_client(box_), expected(p, 2)), "");
    // Back to 100 % and up to 300 %.
    PictureBox_SetScale(box_, 100.0f);
    EXPECT_EQ(difference(capture_client(box_), expected(p, 1)), "");
    PictureBox_SetScale(box_, 300.0f);
    EXPECT_EQ(difference(capture_client(box_), expected(p, 3)), "");
}

TEST_F(PictureBoxTest, ScaleSetBeforeLoadingStays) {
    const TestPicture p;
    PictureBox_SetScale(box_, 200.0f);
    ASSERT_TRUE(PictureBox_LoadFile(box_, write_file("a.pcx", encode_pcx8(p)).c_str()));
    EXPECT_EQ(difference(capture_client(box_), expected(p, 2)), "");
}

TEST_F(PictureBoxTest, FractionalScaleCoversTheRoundedArea) {
    // 4 × 4, no white pixel, at 150 %: exactly the top left 6 × 6 pixels are covered.
    TestPicture p;
    p.width = 4;
    p.height = 4;
    p.indices.assign(16, 0);
    for (std::size_t i = 0; i < 16; ++i) p.indices[i] = static_cast<std::uint8_t>(i % 3);
    ASSERT_TRUE(PictureBox_LoadFile(box_, write_file("f.pcx", encode_pcx8(p)).c_str()));
    PictureBox_SetScale(box_, 150.0f);
    const Capture c = capture_client(box_);
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x) {
            const bool covered = x < 6 && y < 6;
            const std::uint32_t px = c.at(x, y);
            if (covered) {
                EXPECT_TRUE(px == 0xFF0000 || px == 0x00FF00 || px == 0x0000FF) << x << "," << y << " " << px;
            } else {
                EXPECT_EQ(px, kWhite) << x << "," << y;
            }
        }
    }
    // Nearest neighbour: the corners are the corner pixels.
    EXPECT_EQ(c.at(0, 0), p.colour(0, 0));
    EXPECT_EQ(c.at(5, 5), p.colour(3, 3));
}

TEST_F(PictureBoxTest, ScalesOutsideTheRangeAreIgnored) {
    const TestPicture p;
    ASSERT_TRUE(PictureBox_LoadFile(box_, write_file("a.pcx", encode_pcx8(p)).c_str()));
    PictureBox_SetScale(box_, 200.0f);
    for (float bad : {0.0f, -200.0f, 0.5f, 5000.0f, std::numeric_limits<float>::quiet_NaN(),
                      std::numeric_limits<float>::infinity()}) {
        PictureBox_SetScale(box_, bad);
        EXPECT_EQ(difference(capture_client(box_), expected(p, 2)), "") << bad;
    }
}

TEST_F(PictureBoxTest, SharedTestPictureAt200PercentMatchesItsReference) {
    int w = 0;
    int h = 0;
    std::vector<std::uint32_t> ref;
    ASSERT_TRUE(read_pnm(wine_path(KVR_GMARBLES_REFERENCE), w, h, ref)) << KVR_GMARBLES_REFERENCE;
    ASSERT_EQ(w, 141);
    ASSERT_EQ(h, 99);
    HWND big = CreatePictureBox(parent_, kBoxId + 1, 8, 8, 512, 512);
    ASSERT_TRUE(PictureBox_LoadFile(big, wine_path(KVR_SHARED_TESTDATA "/pcx/gmarbles.pcx").c_str()));
    PictureBox_SetScale(big, 200.0f);
    const Capture want = expected_view(512, 512, w, h, 2, [&](int x, int y) { return ref[static_cast<std::size_t>(y) * w + x]; });
    EXPECT_EQ(difference(capture_client(big), want), "");
}

TEST_F(PictureBoxTest, DemoTileFillsTheEditorsView) {
    // A 256 × 256 tile at 200 % covers the editor's 512 × 512 view exactly.
    const std::string tile = wine_path(KVR_DEMO_DIR "/tiles/bnField8.pcx");
    std::ifstream in(tile, std::ios::binary);
    if (!in) GTEST_SKIP() << "no demo tiles at " << KVR_DEMO_DIR;
    const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    kvr::pcx::Image image;
    std::string reason;
    ASSERT_TRUE(kvr::pcx::decode(bytes.data(), bytes.size(), image, reason)) << reason;
    ASSERT_EQ(image.width, 256);
    ASSERT_EQ(image.height, 256);
    HWND view = CreatePictureBox(parent_, kBoxId + 1, 8, 8, 512, 512);
    ASSERT_TRUE(PictureBox_LoadFile(view, tile.c_str()));
    PictureBox_SetScale(view, 200.0f);
    const Capture want = expected_view(512, 512, 256, 256, 2, [&](int x, int y) {
        return image.pixels[static_cast<std::size_t>(y) * 256 + x];
    });
    EXPECT_EQ(difference(capture_client(view), want), "");
}

TEST_F(PictureBoxTest, MissingFileFailsAndKeepsThePicture) {
    const TestPicture p;
    ASSERT_TRUE(PictureBox_LoadFile(box_, write_file("a.pcx", encode_pcx8(p)).c_str()));
    PictureBox_SetScale(box_, 200.0f);
    const Capture before = capture_client(box_);
    ASSERT_EQ(difference(before, expected(p, 2)), "");

    char dir[MAX_PATH];
    GetTempPathA(MAX_PATH, dir);
    for (const std::string& missing : {std::string(dir) + "kvr_no_such_file.pcx", std::string(dir) + "kvr_no_dir\\x.pcx",
                                       std::string("")}) {
        std::string reason;
        EXPECT_FALSE(PictureBox_LoadFile(box_, missing.c_str(), &reason)) << missing;
        EXPECT_FALSE(reason.empty()) << missing;
        EXPECT_EQ(capture_client(box_), before) << missing;
    }
    EXPECT_FALSE(PictureBox_LoadFile(box_, nullptr));
    // A folder is no picture either.
    EXPECT_FALSE(PictureBox_LoadFile(box_, dir));
    EXPECT_EQ(capture_client(box_), before);
    // No message box of its own: nothing but our windows in this thread.
    pump();
    EXPECT_EQ(FindWindowA("#32770", nullptr), nullptr);
}

TEST_F(PictureBoxTest, CorruptFileFailsAndKeepsThePicture) {
    const TestPicture p;
    const std::vector<std::uint8_t> good = encode_pcx8(p);
    ASSERT_TRUE(PictureBox_LoadFile(box_, write_file("a.pcx", good).c_str()));
    const Capture before = capture_client(box_);

    const std::string text = "this is not a picture at all\r\n";
    std::vector<std::uint8_t> cut(good.begin(), good.begin() + 100);  // inside the header
    std::vector<std::vector<std::uint8_t>> bad{std::vector<std::uint8_t>(text.begin(), text.end()), cut,
                                               std::vector<std::uint8_t>{}};
    for (std::size_t i = 0; i < bad.size(); ++i) {
        std::string reason;
        EXPECT_FALSE(PictureBox_LoadFile(box_, write_file("bad" + std::to_string(i) + ".pcx", bad[i]).c_str(), &reason))
            << i;
        EXPECT_FALSE(reason.empty()) << i;
        EXPECT_EQ(capture_client(box_), before) << i;
    }
}

TEST_F(PictureBoxTest, LoadingReplacesThePicture) {
    TestPicture big;
    big.width = 10;
    big.height = 6;
    big.indices.assign(60, 4);
    TestPicture small;
    ASSERT_TRUE(PictureBox_LoadFile(box_, write_file("big.pcx", encode_pcx8(big)).c_str()));
    PictureBox_SetScale(box_, 200.0f);
    ASSERT_EQ(difference(capture_client(box_), expected(big, 2)), "");
    ASSERT_TRUE(PictureBox_LoadFile(box_, write_file("small.pcx", encode_pcx8(small)).c_str()));
    // The smaller picture leaves white where the bigger one was.
    EXPECT_EQ(difference(capture_client(box_), expected(small, 2)), "");
}

TEST_F(PictureBoxTest, NotAPictureControl) {
    std::string reason;
    EXPECT_FALSE(PictureBox_LoadFile(parent_, "x.pcx", &reason));
    EXPECT_FALSE(reason.empty());
    EXPECT_FALSE(PictureBox_LoadFile(nullptr, "x.pcx"));
    PictureBox_SetScale(parent_, 200.0f);  // ignored, no crash
    PictureBox_SetScale(nullptr, 200.0f);
}

TEST_F(PictureBoxTest, PaintsOnScreenWithSiblingsAboveKept) {
    DestroyWindow(parent_);
    parent_ = make_parent(true);
    box_ = CreatePictureBox(parent_, kBoxId, 8, 8, 64, 48);
    const TestPicture p;
    ASSERT_TRUE(PictureBox_LoadFile(box_, write_file("a.pcx", encode_pcx8(p)).c_str()));
    PictureBox_SetScale(box_, 200.0f);
    // A 4 × 4 black marker above the picture, as the editor's object markers lie.
    WNDCLASSA black{};
    black.lpfnWndProc = DefWindowProcA;
    black.hInstance = GetModuleHandleA(nullptr);
    black.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    black.lpszClassName = "KvrTestBlackMarker";
    RegisterClassA(&black);
    HWND marker = CreateWindowExA(0, "KvrTestBlackMarker", "", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, 8 + 4, 8 + 2, 4,
                                  4, parent_, nullptr, GetModuleHandleA(nullptr), nullptr);
    SetWindowPos(marker, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    ShowWindow(box_, SW_SHOW);
    UpdateWindow(parent_);
    InvalidateRect(box_, nullptr, FALSE);
    UpdateWindow(box_);
    pump();

    Capture got = capture_from(box_, true);
    Capture want = expected(p, 2);
    for (int y = 2; y < 6; ++y) {
        for (int x = 4; x < 8; ++x) want.pixels[static_cast<std::size_t>(y) * want.width + x] = 0;
    }
    EXPECT_EQ(difference(got, want), "");
}

TEST_F(PictureBoxTest, MouseButtonsGoToTheParent) {
    SetFocus(nullptr);
    PostMessageA(box_, WM_LBUTTONDOWN, MK_LBUTTON | MK_SHIFT, MAKELPARAM(10, 20));
    PostMessageA(box_, WM_LBUTTONUP, 0, MAKELPARAM(11, 21));
    PostMessageA(box_, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(30, 40));
    PostMessageA(box_, WM_RBUTTONUP, MK_CONTROL, MAKELPARAM(300, 400));
    PostMessageA(box_, WM_MBUTTONUP, MK_SHIFT | MK_CONTROL, MAKELPARAM(0, 0));
    // Released outside after a press inside: coordinates keep their sign.
    PostMessageA(box_, WM_LBUTTONUP, 0, MAKELPARAM(static_cast<WORD>(-5), static_cast<WORD>(-7)));
    pump();

    const auto& m = received().mice;
    ASSERT_EQ(m.size(), 6u);
    struct Want {
        UINT code;
        int button, shift, x, y;
    };
    const Want want[] = {
        {PBN_MOUSEDOWN, 1, 1, 10, 20}, {PBN_MOUSEUP, 1, 0, 11, 21},   {PBN_MOUSEDOWN, 2, 0, 30, 40},
        {PBN_MOUSEUP, 2, 2, 300, 400}, {PBN_MOUSEUP, 4, 3, 0, 0},     {PBN_MOUSEUP, 1, 0, -5, -7},
    };
    for (std::size_t i = 0; i < m.size(); ++i) {
        EXPECT_EQ(m[i].hdr.hwndFrom, box_) << i;
        EXPECT_EQ(m[i].hdr.idFrom, static_cast<UINT_PTR>(kBoxId)) << i;
        EXPECT_EQ(m[i].hdr.code, want[i].code) << i;
        EXPECT_EQ(m[i].button, want[i].button) << i;
        EXPECT_EQ(m[i].shift, want[i].shift) << i;
        EXPECT_EQ(m[i].x, want[i].x) << i;
        EXPECT_EQ(m[i].y, want[i].y) << i;
    }
    // Every button released: the control no longer holds the mouse.
    EXPECT_NE(GetCapture(), box_);
}

TEST_F(PictureBoxTest, AltIsReadFromTheKeyboardState) {
    BYTE keys[256];
    ASSERT_TRUE(GetKeyboardState(keys));
    BYTE with_alt[256];
    std::copy(std::begin(keys), std::end(keys), with_alt);
    with_alt[VK_MENU] = 0x80;
    ASSERT_TRUE(SetKeyboardState(with_alt));
    SendMessageA(box_, WM_LBUTTONDOWN, MK_LBUTTON | MK_CONTROL, MAKELPARAM(1, 2));
    SendMessageA(box_, WM_LBUTTONUP, MK_CONTROL, MAKELPARAM(1, 2));
    SetKeyboardState(keys);
    SendMessageA(box_, WM_LBUTTONUP, 0, MAKELPARAM(1, 2));
    const auto& m = received().mice;
    ASSERT_EQ(m.size(), 3u);
    EXPECT_EQ(m[0].shift, 2 | 4);
    EXPECT_EQ(m[1].shift, 2 | 4);
    EXPECT_EQ(m[2].shift, 0);
}

}  // namespace
