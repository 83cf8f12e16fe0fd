// The real editor window in a folder of its own: tile pictures made on the spot (each tile
// a colour of its own), "pcxdir.txt" pointing at them and data files built from tables.
// Tests drive the window through its controls as a user would.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <set>
#include <string>
#include <vector>

#include "editor/data/kvr_file.h"
#include "editor/ui/control_events_win.h"
#include "editor/ui/file_dialog_win.h"
#include "editor/ui/main_window_win.h"
#include "editor/ui/marker_win.h"
#include "editor/ui/pcxdir_file.h"
#include "editor/ui/vocabularies.h"
#include "wine_gui_support.h"

namespace kvr::test {

// The colour tile t's test picture is painted in (its palette entry 1), 0x00RRGGBB.
inline std::uint32_t tile_colour(int tile) {
    return 0x101010u + static_cast<std::uint32_t>(tile) * 0x030204u;
}

inline std::vector<std::uint8_t> tile_picture(int tile) {
    std::vector<std::uint32_t> palette(256, 0);
    palette[1] = tile_colour(tile);
    palette[2] = 0xFFFFFF;
    // A white pixel in the picture's bottom right corner shows where its end lies.
    return make_pcx(256, 256, [](int x, int y) { return static_cast<std::uint8_t>(x == 255 && y == 255 ? 2 : 1); },
                    palette);
}

// A data file that keeps every slot in its own entry (as the game's own files may, unlike
// the editor's packed saves); slots not in use are written as zeros.
inline std::vector<std::uint8_t> file_image(const ObjectTable& table) {
    std::vector<std::uint8_t> image(kFileSize, 0);
    for (int t = 0; t < kTileCount; ++t) {
        image[static_cast<size_t>(t) * kTileBlockSize + kCountOffset] = table.tile(t).object_count;
        for (int k = 0; k < kSlotCount; ++k) {
            const ObjectRecord& r = table.object(t, k);
            if (!r.in_use) continue;
            std::uint8_t* e = image.data() + static_cast<size_t>(t) * kTileBlockSize + kTileHeaderSize +
                              static_cast<size_t>(k) * kEntrySize;
            e[kTypeOffset] = r.type;
            e[kOrientationOffset] = r.orientation;
            e[kXOffset] = r.x;
            e[kYOffset] = r.y;
        }
    }
    return image;
}

class EditorTest : public ::testing::Test {
protected:
    // Tiles whose picture is left out of the folder.
    virtual std::set<int> missing_pictures() const { return {}; }

    void SetUp() override {
        folder_ = fresh_folder(::testing::UnitTest::GetInstance()->current_test_info()->test_suite_name() +
                               std::string("_") + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        tiles_ = folder_ + "\\tiles";
        CreateDirectoryA(tiles_.c_str(), nullptr);
        const std::set<int> missing = missing_pictures();
        for (int t = 0; t < 59; ++t) {
            if (missing.count(t)) continue;
            ASSERT_TRUE(write_file(tiles_ + "\\" + ui::tile_picture_file_name(t), tile_picture(t)));
        }
        ASSERT_TRUE(ui::write_pcxdir_file(folder_ + "\\pcxdir.txt", tiles_));
        data_path_ = folder_ + "\\KVR_ZPL.DAT";
        create_window();
    }

    void TearDown() override {
        ui::SetFileDialogAnswerer({});
        if (ui::MainWindow()) DestroyWindow(ui::MainWindow());
        drop_quit_message();
    }

    void create_window() {
        window_ = ui::CreateMainWindow(GetModuleHandleA(nullptr), ui::MainWindowOptions{folder_});
        ASSERT_NE(window_, nullptr);
        ShowWindow(window_, SW_SHOW);
        UpdateWindow(window_);
        pump_messages();
    }

    // Writes `table` as the data file and loads it through the Load command and its dialog.
    void load(const ObjectTable& table, const std::string& path = {}) {
        const std::string target = path.empty() ? data_path_ : path;
        ASSERT_TRUE(write_file(target, file_image(table)));
        load_file_by_command(target);
    }
    void load_file_by_command(const std::string& path) {
        ui::SetFileDialogAnswerer([path](const ui::FileDialogRequest&) { return path; });
        click(ui::IDC_CMD_LOAD);
        ui::SetFileDialogAnswerer({});
        pump_messages();
    }

    HWND item(int id) const { return GetDlgItem(window_, id); }
    HWND marker(int slot) const { return item(ui::IDC_OBJECT0 + slot); }
    RECT marker_rect(int slot) const { return child_rect(marker(slot)); }
    POINT marker_place(int slot) const {
        const RECT r = marker_rect(slot);
        return {r.left, r.top};
    }
    int marker_size(int slot) const {
        const RECT r = marker_rect(slot);
        return r.right - r.left;
    }

    // The user's actions.
    void click(int id) { SendMessageA(item(id), BM_CLICK, 0, 0); }
    void choose_tile(int tile) {
        HWND list = item(ui::IDC_CBO_TILE);
        SendMessageA(list, CB_SETCURSEL, static_cast<WPARAM>(tile), 0);
        SendMessageA(window_, WM_COMMAND, MAKEWPARAM(ui::IDC_CBO_TILE, CBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
    }
    void choose_type(int type) {
        HWND list = item(ui::IDC_CBO_OBJECTTYPE);
        SendMessageA(list, CB_SETCURSEL, static_cast<WPARAM>(type), 0);
        SendMessageA(window_, WM_COMMAND, MAKEWPARAM(ui::IDC_CBO_OBJECTTYPE, CBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(list));
    }
    // A click on the upper (up) or lower (down) arrow of a spinner.
    void spin_click(int id, bool up) {
        HWND spin = item(id);
        RECT r;
        GetClientRect(spin, &r);
        const LPARAM at = MAKELPARAM(r.right / 2, up ? r.bottom / 4 : r.bottom * 3 / 4);
        SendMessageA(spin, WM_LBUTTONDOWN, MK_LBUTTON, at);
        SendMessageA(spin, WM_LBUTTONUP, 0, at);
        pump_messages();
    }
    void mouse_up_on_marker(int slot, UINT message) {
        SendMessageA(marker(slot), message, 0, MAKELPARAM(1, 1));
        pump_messages();
    }

    int spin_value(int id) const { return ui::GetSpinValue(item(id)); }
    std::string text(int id) const { return ui::GetControlText(item(id)); }
    int list_selection(int id) const { return ui::GetListSelection(item(id)); }

    std::string folder_;
    std::string tiles_;
    std::string data_path_;
    HWND window_ = nullptr;
};

}  // namespace kvr::test
