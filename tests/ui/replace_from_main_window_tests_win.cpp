// The Find & Replace dialog opened from the real main window's REPLACE button, over a
// loaded data file: it acts on the tile chosen there and leaves the window's display alone.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dialog_script_win.h"
#include "editor/data/kvr_file.h"
#include "editor/ui/control_events_win.h"
#include "editor/ui/file_dialog_win.h"
#include "editor/ui/main_window_win.h"
#include "editor/ui/pcxdir_file.h"
#include "editor/ui/replace_dialog_win.h"
#include "editor/ui/vocabularies.h"
#include "wine_gui_support.h"
#include "tests/support/object_record.h"

namespace {

using namespace kvr::ui;
using namespace kvr::test;
using kvr::ObjectRecord;
using kvr::ObjectTable;

// The file's objects, in the slots they load into (a saved file holds them packed).
ObjectTable FileTable() {
    ObjectTable t;
    t.object(0, 0) = make_object(51, 10, 20, 30);
    t.object(10, 0) = make_object(51, 40, 50, 60);
    t.object(10, 1) = make_object(17, 4, 5, 6);
    t.object(10, 2) = make_object(51, 70, 80, 90);
    t.object(58, 0) = make_object(51, 1, 2, 3);
    return t;
}

constexpr int kTile = 10;

bool SameRect(const RECT& a, const RECT& b) { return EqualRect(&a, &b) != FALSE; }

class ReplaceFromMainWindow : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = fresh_folder(std::string("replace_") +
                               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        const std::string tiles = folder_ + "\\tiles";
        CreateDirectoryA(tiles.c_str(), nullptr);
        for (int tile : {0, kTile}) {
            const auto picture = make_pcx(64, 64, [](int x, int y) { return static_cast<std::uint8_t>((x ^ y) & 1); },
                                          {0xFFFFFF, 0x008000});
            ASSERT_TRUE(write_file(tiles + "\\" + tile_picture_file_name(tile), picture));
        }
        ASSERT_TRUE(write_pcxdir_file(folder_ + "\\" + kPcxDirFileName, tiles));
        ObjectTable file = FileTable();
        data_file_ = folder_ + "\\KVR_ZPL.DAT";
        ASSERT_TRUE(write_file(data_file_, kvr::build_save_image(file)));

        window_ = CreateMainWindow(GetModuleHandleA(nullptr), MainWindowOptions{folder_});
        ASSERT_NE(window_, nullptr);
        ShowWindow(window_, SW_SHOW);
        UpdateWindow(window_);
        ASSERT_TRUE(Load_File(data_file_));
        SetListSelection(item(IDC_CBO_TILE), kTile);  // the user picks tile 10
        PumpFor(50);
        ASSERT_EQ(GetListSelection(item(IDC_CBO_TILE)), kTile);
        ASSERT_EQ(GetListSelection(item(IDC_CBO_OBJECTTYPE)), 51);  // slot 0 shown
    }
    void TearDown() override {
        SetFileDialogAnswerer({});
        if (MainWindow()) DestroyWindow(MainWindow());
        drop_quit_message();
        EXPECT_EQ(ReplaceDialogWindow(), nullptr) << "the dialog goes with its owner";
    }
    HWND item(int id) const { return GetDlgItem(window_, id); }
    HWND marker(int slot) const { return item(IDC_OBJECT0 + slot); }

    // Clicks REPLACE; `steps` drive the dialog inside its modal loop.
    void ClickReplace(std::vector<DialogStep> steps) {
        DialogScript script(std::move(steps));
        SendMessageA(item(IDC_CMD_REPLACE), BM_CLICK, 0, 0);
        EXPECT_TRUE(script.finished());
    }

    std::string folder_;
    std::string data_file_;
    HWND window_ = nullptr;
};

TEST_F(ReplaceFromMainWindow, ActsOnTheChosenTileWithoutRedrawingTheWindow) {
    const RECT marker2_before = child_rect(marker(2));
    ClickReplace({[&](HWND dialog) {
        EXPECT_EQ(GetWindow(dialog, GW_OWNER), window_);
        EXPECT_FALSE(IsWindowEnabled(window_));
        ChooseType(dialog, kCboFind, 51);
        ChooseType(dialog, kCboReplace, 33);
        Click(dialog, kCmdReplace);
    }});
    EXPECT_TRUE(IsWindowEnabled(window_));

    ObjectTable expected = FileTable();
    expected.object(kTile, 0).type = 33;
    expected.object(kTile, 2).type = 33;
    for (int tile = 0; tile < kvr::kTileCount; ++tile)
        EXPECT_TRUE(EditorTable().tile(tile).objects == expected.tile(tile).objects) << "tile " << tile;

    // The window goes on showing the values from before the pass...
    EXPECT_EQ(GetListSelection(item(IDC_CBO_OBJECTTYPE)), 51);
    EXPECT_TRUE(SameRect(marker2_before, child_rect(marker(2))));
    // ...until an object is chosen again.
    SetSpinValue(item(IDC_UPD_CURROBJECT), 2);
    PumpFor(20);
    EXPECT_EQ(GetListSelection(item(IDC_CBO_OBJECTTYPE)), 33);
    EXPECT_EQ(EditorTable().object(kTile, 2).type, 33);
}

TEST_F(ReplaceFromMainWindow, DeletedObjectsKeepTheirMarkersUntilTheTileIsChosenAgain) {
    const RECT marker2_before = child_rect(marker(2));
    ClickReplace({[&](HWND dialog) {
        ChooseType(dialog, kCboFind, 51);
        Click(dialog, kChkDelete);
        Click(dialog, kCmdReplace);
    }});
    EXPECT_FALSE(EditorTable().object(kTile, 2).in_use);
    EXPECT_EQ(EditorTable().object(kTile, 2).x, 80);
    EXPECT_TRUE(EditorTable().object(0, 0).in_use) << "This Tile Only";
    EXPECT_TRUE(SameRect(marker2_before, child_rect(marker(2))));
    EXPECT_TRUE(IsChecked(item(IDC_CHK_INUSE))) << "the current object's fields are not refreshed";

    // Choosing the tile again lays the markers out from the table: slot 2 is parked.
    SetListSelection(item(IDC_CBO_TILE), 0);
    SetListSelection(item(IDC_CBO_TILE), kTile);
    PumpFor(20);
    EXPECT_FALSE(SameRect(marker2_before, child_rect(marker(2))));
}

TEST_F(ReplaceFromMainWindow, TheSaveAfterwardsWritesTheResultIntoTheFile) {
    // Slot 1 becomes the current object, so the window has values of its own to keep showing.
    SetSpinValue(item(IDC_UPD_CURROBJECT), 1);
    PumpFor(20);
    ASSERT_EQ(GetListSelection(item(IDC_CBO_OBJECTTYPE)), 17);
    ClickReplace({[&](HWND dialog) {
        ChooseType(dialog, kCboFind, 17);
        ChooseType(dialog, kCboReplace, 0);  // "0 - ???" keeps the object in use
        Click(dialog, kOptAllTiles);
        Click(dialog, kCmdReplace);
    }});
    ClickReplace({[&](HWND dialog) {
        ChooseType(dialog, kCboFind, 51);
        Click(dialog, kChkDelete);
        Click(dialog, kCmdReplace);  // all tiles still: the setting was kept
    }});
    // The main window still shows the old type, in-use state and place of slot 1.
    EXPECT_EQ(GetListSelection(item(IDC_CBO_OBJECTTYPE)), 17);
    EXPECT_TRUE(IsChecked(item(IDC_CHK_INUSE)));
    EXPECT_EQ(GetControlText(item(IDC_TXT_X)), "5");
    EXPECT_EQ(GetControlText(item(IDC_TXT_ORIENTATION)), "4");

    const std::string saved = folder_ + "\\saved.dat";
    SetFileDialogAnswerer([saved](const FileDialogRequest&) { return saved; });
    SendMessageA(item(IDC_CMD_SAVE), BM_CLICK, 0, 0);
    SetFileDialogAnswerer({});
    PumpFor(20);

    // Every type 51 is gone from every tile; slot 1 of tile 10 is kept, retyped to 0.
    ObjectTable expected;
    expected.object(kTile, 0) = make_object(0, 4, 5, 6);
    std::vector<std::uint8_t> bytes;
    ASSERT_TRUE(read_file(saved, bytes));
    EXPECT_TRUE(bytes == kvr::build_save_image(expected));
    // The save reads the file back: the window now shows tile 0, where nothing is left.
    EXPECT_EQ(GetListSelection(item(IDC_CBO_TILE)), 0);
    EXPECT_FALSE(IsChecked(item(IDC_CHK_INUSE)));
}

}  // namespace
