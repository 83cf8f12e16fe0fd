// The real main window, created in-process and inspected through its controls: the
// start-up state before any file is loaded.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "editor/ui/control_events_win.h"
#include "editor/ui/file_dialog_win.h"
#include "editor/ui/main_window_win.h"
#include "editor/ui/marker_pictures.h"
#include "editor/ui/vocabularies.h"
#include "wine_gui_support.h"

using namespace kvr::ui;
using namespace kvr::test;

namespace {

class MainWindowLayout : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = fresh_folder(::testing::UnitTest::GetInstance()->current_test_info()->name());
        window_ = CreateMainWindow(GetModuleHandleA(nullptr), MainWindowOptions{folder_});
        ASSERT_NE(window_, nullptr);
        ShowWindow(window_, SW_SHOW);
        UpdateWindow(window_);
    }
    void TearDown() override {
        SetFileDialogAnswerer({});
        if (MainWindow()) DestroyWindow(MainWindow());
        drop_quit_message();
    }
    HWND item(int id) const { return GetDlgItem(window_, id); }

    std::string folder_;
    HWND window_ = nullptr;
};

std::string class_of(HWND window) {
    char name[64] = {};
    GetClassNameA(window, name, sizeof name);
    return name;
}

struct Expected {
    int id;
    const char* name;
    const char* window_class;
    const char* text;
    int left, top, width, height;
    bool enabled;
    bool bold;
};

// The layout as the window must show it (drop-down lists show their closed height).
const Expected kLayout[] = {
    {IDC_CMD_LOAD, "cmd_load", "Button", "&Load File", 528, 8, 121, 25, true, false},
    {IDC_CMD_SAVE, "cmd_save", "Button", "&Save File", 656, 8, 121, 25, false, false},
    {IDC_LABEL6, "Label6", "Static", "Location of Tiles as PCX Files:", 528, 40, 193, 17, true, true},
    {IDC_DIR_PCX, "dir_pcx", nullptr, nullptr, 528, 56, 249, 81, true, false},
    {IDC_DRV_PCX, "drv_pcx", nullptr, nullptr, 528, 144, 145, 21, true, false},
    {IDC_CMD_EXIT, "cmd_exit", "Button", "E&xit", 680, 144, 97, 25, true, false},
    {IDC_CBO_TILE, "cbo_tile", "ComboBox", "", 528, 176, 249, 21, false, false},
    {IDC_LABEL1, "Label1", "Static", "Object #:", 528, 216, 57, 17, true, true},
    {IDC_TXT_CURROBJECT, "txt_currobject", "Edit", "0", 600, 208, 40, 27, false, false},
    {IDC_UPD_CURROBJECT, "upd_currobject", UPDOWN_CLASSA, nullptr, 640, 208, 17, 25, false, false},
    {IDC_CHK_INUSE, "chk_inuse", "Button", "In Use:", 664, 208, 65, 25, false, true},
    {IDC_LABEL2, "Label2", "Static", "Type:", 528, 248, 57, 17, true, true},
    {IDC_CBO_OBJECTTYPE, "cbo_objecttype", "ComboBox", "", 600, 248, 153, 21, false, false},
    {IDC_LABEL3, "Label3", "Static", "X:", 528, 288, 16, 17, true, true},
    {IDC_TXT_X, "txt_x", "Edit", "0", 544, 280, 40, 27, false, false},
    {IDC_UPD_X, "upd_x", UPDOWN_CLASSA, nullptr, 584, 280, 17, 25, false, false},
    {IDC_LABEL4, "Label4", "Static", "Y:", 608, 288, 17, 17, true, true},
    {IDC_TXT_Y, "txt_y", "Edit", "0", 624, 280, 40, 27, false, false},
    {IDC_UPD_Y, "upd_y", UPDOWN_CLASSA, nullptr, 664, 280, 17, 25, false, false},
    {IDC_CMD_REPLACE, "cmd_replace", "Button", "REPLACE", 696, 280, 81, 25, false, true},
    {IDC_LABEL5, "Label5", "Static", "Orientation (deg CCW from N-S):", 528, 320, 193, 17, true, true},
    {IDC_TXT_ORIENTATION, "txt_orientation", "Edit", "0", 720, 312, 40, 27, false, false},
    {IDC_UPD_ORIENTATION, "upd_orientation", UPDOWN_CLASSA, nullptr, 760, 312, 17, 25, false, false},
    {IDC_LABEL7, "Label7", "Static", nullptr, 720, 504, 57, 17, true, false},
};

}  // namespace

TEST_F(MainWindowLayout, CaptionAndClientArea) {
    char caption[128] = {};
    GetWindowTextA(window_, caption, sizeof caption);
    EXPECT_STREQ(caption, "KVR Default Object Editor");
    RECT client;
    GetClientRect(window_, &client);
    EXPECT_EQ(client.right - client.left, 785);
    EXPECT_EQ(client.bottom - client.top, 527);
    // A second main window is refused: there is one per run.
    EXPECT_EQ(CreateMainWindow(GetModuleHandleA(nullptr), MainWindowOptions{folder_}), nullptr);
}

TEST_F(MainWindowLayout, EveryControlAtItsPlaceWithItsTextAndState) {
    for (const Expected& e : kLayout) {
        SCOPED_TRACE(e.name);
        HWND control = item(e.id);
        ASSERT_NE(control, nullptr);
        if (e.window_class) {
            EXPECT_EQ(class_of(control), e.window_class);
        }
        if (e.text) {
            EXPECT_EQ(GetControlText(control), e.text);
        }
        const RECT r = child_rect(control);
        EXPECT_EQ(r.left, e.left);
        EXPECT_EQ(r.top, e.top);
        EXPECT_EQ(r.right - r.left, e.width);
        EXPECT_EQ(r.bottom - r.top, e.height);
        EXPECT_EQ(IsWindowEnabled(control) != 0, e.enabled);
        EXPECT_TRUE(IsWindowVisible(control));
    }
    EXPECT_FALSE(GetControlText(item(IDC_LABEL7)).empty());
}

TEST_F(MainWindowLayout, FontsAreEightPointSansSerifBoldWhereRequired) {
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    for (const Expected& e : kLayout) {
        if (e.id == IDC_DIR_PCX || e.id == IDC_DRV_PCX || !e.window_class ||
            std::string(e.window_class) == UPDOWN_CLASSA) {
            continue;
        }
        SCOPED_TRACE(e.name);
        auto font = reinterpret_cast<HFONT>(SendMessageA(item(e.id), WM_GETFONT, 0, 0));
        ASSERT_NE(font, nullptr);
        LOGFONTA lf = {};
        ASSERT_NE(GetObjectA(font, sizeof lf, &lf), 0);
        EXPECT_STREQ(lf.lfFaceName, "MS Sans Serif");
        EXPECT_EQ(-lf.lfHeight, MulDiv(825, dpi, 7200));  // 8.25 points
        EXPECT_EQ(lf.lfWeight, e.bold ? FW_BOLD : FW_NORMAL);
        EXPECT_FALSE(lf.lfItalic);
    }
}

TEST_F(MainWindowLayout, PickOnlyListsHoldTheVocabulariesWithNothingSelected) {
    struct List {
        int id;
        const char* const* names;
        int count;
    } lists[] = {{IDC_CBO_TILE, TileNames.data(), 59}, {IDC_CBO_OBJECTTYPE, ObjectTypeNames.data(), 73}};
    for (const List& list : lists) {
        HWND combo = item(list.id);
        EXPECT_EQ(GetWindowLongA(combo, GWL_STYLE) & 3, CBS_DROPDOWNLIST);
        ASSERT_EQ(SendMessageA(combo, CB_GETCOUNT, 0, 0), list.count);
        for (int i = 0; i < list.count; ++i) {
            char text[64] = {};
            SendMessageA(combo, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
            EXPECT_STREQ(text, list.names[i]);
        }
        EXPECT_EQ(GetListSelection(combo), -1);
    }
    char text[64] = {};
    SendMessageA(item(IDC_CBO_TILE), CB_GETLBTEXT, 10, reinterpret_cast<LPARAM>(text));
    EXPECT_STREQ(text, "10 - City1");
    SendMessageA(item(IDC_CBO_OBJECTTYPE), CB_GETLBTEXT, 70, reinterpret_cast<LPARAM>(text));
    EXPECT_STREQ(text, "70 - People Milling");
}

TEST_F(MainWindowLayout, SpinnersHaveTheirRanges) {
    struct Spin {
        int id;
        int high;
    } spins[] = {{IDC_UPD_CURROBJECT, 63}, {IDC_UPD_X, 255}, {IDC_UPD_Y, 255}, {IDC_UPD_ORIENTATION, 255}};
    for (const Spin& s : spins) {
        int low = -1, high = -1;
        SendMessageA(item(s.id), UDM_GETRANGE32, reinterpret_cast<WPARAM>(&low), reinterpret_cast<LPARAM>(&high));
        EXPECT_EQ(low, 0);
        EXPECT_EQ(high, s.high);
        EXPECT_EQ(GetSpinValue(item(s.id)), 0);
        // Never a value outside the range, even when asked for one.
        SetSpinValue(item(s.id), s.high + 50);
        EXPECT_EQ(GetSpinValue(item(s.id)), s.high);
        SetSpinValue(item(s.id), -4);
        EXPECT_EQ(GetSpinValue(item(s.id)), 0);
    }
}

TEST_F(MainWindowLayout, AccessKeysPressTheirButtons) {
    std::vector<std::string> asked;
    SetFileDialogAnswerer([&](const FileDialogRequest& request) {
        asked.push_back(request.title);
        return std::string();  // cancelled
    });
    auto alt = [&](char letter) {
        MSG m = {};
        m.hwnd = item(IDC_CMD_LOAD);
        m.message = WM_SYSCHAR;
        m.wParam = static_cast<WPARAM>(letter);
        m.lParam = 1 | (1 << 29);  // Alt held
        if (!HandleMainWindowMessage(m)) DispatchMessageA(&m);
        pump_messages();
    };
    alt('l');
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0], "Load File");
    alt('s');  // Save File is disabled before a load
    EXPECT_EQ(asked.size(), 1u);
    EXPECT_NE(GetControlText(item(IDC_CMD_SAVE)).find("&S"), std::string::npos);
    EXPECT_NE(GetControlText(item(IDC_CMD_EXIT)).find("&x"), std::string::npos);
}

TEST_F(MainWindowLayout, MarkersAreOutOfSightWithTheirPictures) {
    RECT client;
    GetClientRect(window_, &client);
    for (int i = 0; i < 64; ++i) {
        HWND marker = item(IDC_OBJECT0 + i);
        ASSERT_NE(marker, nullptr) << i;
        const RECT r = child_rect(marker);
        EXPECT_EQ(r.right - r.left, 4) << i;
        EXPECT_EQ(r.bottom - r.top, 4) << i;
        EXPECT_GE(r.top, client.bottom) << i;  // below the visible client area
        EXPECT_TRUE(GetWindowLongA(marker, GWL_STYLE) & WS_VISIBLE) << i;
        EXPECT_EQ(GetWindowLongA(marker, GWL_STYLE) & WS_BORDER, 0) << i;
    }
    const RECT sel = child_rect(item(IDC_OBJECTSEL));
    EXPECT_EQ(sel.left, 8);
    EXPECT_EQ(sel.top, 736);
    EXPECT_EQ(sel.right - sel.left, 10);
    EXPECT_EQ(sel.bottom - sel.top, 10);
    const RECT unsel = child_rect(item(IDC_OBJECTUNSEL));
    EXPECT_EQ(unsel.left, 24);
    EXPECT_EQ(unsel.top, 736);
    EXPECT_EQ(unsel.right - unsel.left, 4);
    EXPECT_EQ(unsel.bottom - unsel.top, 4);
}

TEST_F(MainWindowLayout, MarkerPixelsAreRedOnTheWindowBackground) {
    const std::uint32_t red = 0xFF0000;
    const std::uint32_t background = rgb_of(GetSysColor(COLOR_WINDOW));
    ASSERT_NE(background, red);
    struct Holder {
        int id;
        bool selected;
    } holders[] = {{IDC_OBJECTSEL, true}, {IDC_OBJECTUNSEL, false}, {IDC_OBJECT0, false}, {IDC_OBJECT0 + 63, false}};
    for (const Holder& h : holders) {
        const int size = h.selected ? 10 : 4;
        const auto pixels = client_pixels(item(h.id), size, size);
        int red_count = 0;
        for (int y = 0; y < size; ++y) {
            for (int x = 0; x < size; ++x) {
                const std::uint32_t p = pixels[static_cast<size_t>(y * size + x)];
                EXPECT_EQ(p, marker_pixel(h.selected, y, x) ? red : background) << h.id << " at " << x << "," << y;
                red_count += p == red;
            }
        }
        EXPECT_EQ(red_count, h.selected ? 32 : 12) << h.id;
    }
}

TEST_F(MainWindowLayout, PictureIsHiddenWithItsPlace) {
    HWND picture = item(IDC_IMG_PCXFILE);
    ASSERT_NE(picture, nullptr);
    EXPECT_FALSE(IsWindowVisible(picture));
    const RECT r = child_rect(picture);
    EXPECT_EQ(r.left, 8);
    EXPECT_EQ(r.top, 8);
    EXPECT_EQ(r.right - r.left, 512);
    EXPECT_EQ(r.bottom - r.top, 512);
    EXPECT_FALSE(EditorFileLoaded());
    // The table starts empty.
    for (int t = 0; t < 59; ++t)
        for (int k = 0; k < 64; ++k) ASSERT_EQ(EditorTable().object(t, k), kvr::ObjectRecord{});
}

TEST(ProgramFile, VersionBlockNamesTheProduct) {
    const std::string exe = wine_path(KVR_BINARY_DIR "/editor/ui/KVR_ZPL.exe");
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeA(exe.c_str(), &handle);
    ASSERT_GT(size, 0u) << exe;
    std::vector<char> data(size);
    ASSERT_TRUE(GetFileVersionInfoA(exe.c_str(), 0, size, data.data()));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(data.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(fixed->dwFileVersionMS, MAKELONG(0, 1));
    EXPECT_EQ(fixed->dwFileVersionLS, MAKELONG(8, 0));
    EXPECT_EQ(fixed->dwProductVersionMS, MAKELONG(0, 1));
    EXPECT_EQ(fixed->dwProductVersionLS, MAKELONG(8, 0));
    char* text = nullptr;
    ASSERT_TRUE(VerQueryValueA(data.data(), "\\StringFileInfo\\040904B0\\ProductName", reinterpret_cast<void**>(&text),
                               &length));
    EXPECT_STREQ(text, "KVR_ZPL");
    ASSERT_TRUE(VerQueryValueA(data.data(), "\\StringFileInfo\\040904B0\\ProductVersion",
                               reinterpret_cast<void**>(&text), &length));
    EXPECT_STREQ(text, "1.0.0.8");
}
