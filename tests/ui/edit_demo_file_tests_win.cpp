// One whole editing session on the demo data file, through the window's controls only: load,
// choose tiles and objects, type, step, click the picture, change types and the in-use box,
// replace and delete with the Find & Replace dialog, save. The saved file must hold exactly
// the bytes that the same edits give when made on the demo file's table directly.
#include <cstdio>

#include "dialog_script_win.h"
#include "editor_fixture.h"

using namespace kvr;
using namespace kvr::test;
using namespace kvr::ui;

namespace {

class EditDemoFile : public EditorTest {
protected:
    void SetUp() override {
        EditorTest::SetUp();
        if (HasFatalFailure()) return;
        demo_file_ = wine_path(KVR_DEMO_DIR "/KVR_ZPL.DAT");
        if (!read_file(demo_file_, demo_bytes_)) GTEST_SKIP() << "no demo data at " << KVR_DEMO_DIR;
        // The demo's own tile pictures: the window is made again to read them from pcxdir.txt.
        DestroyWindow(window_);
        drop_quit_message();
        ASSERT_TRUE(write_pcxdir_file(folder_ + "\\pcxdir.txt", wine_path(KVR_DEMO_DIR "/tiles")));
        create_window();
    }

    void type_into(int id, const std::string& keys) {
        HWND box = item(id);
        SetFocus(box);
        SendMessageA(box, EM_SETSEL, 0, -1);
        for (char c : keys) SendMessageA(box, WM_CHAR, static_cast<WPARAM>(static_cast<unsigned char>(c)), 1);
        pump_messages();
    }
    void step_object_to(int slot) {
        for (int clicks = 0; clicks < kSlotCount && spin_value(IDC_UPD_CURROBJECT) != slot; ++clicks) {
            spin_click(IDC_UPD_CURROBJECT, spin_value(IDC_UPD_CURROBJECT) < slot);
        }
        ASSERT_EQ(spin_value(IDC_UPD_CURROBJECT), slot);
    }
    void left_click_picture(int x, int y) {
        SendMessageA(item(IDC_IMG_PCXFILE), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
        SendMessageA(item(IDC_IMG_PCXFILE), WM_LBUTTONUP, 0, MAKELPARAM(x, y));
        pump_messages();
    }
    void replace_all(std::vector<DialogStep> steps) {
        DialogScript script(std::move(steps));
        click(IDC_CMD_REPLACE);
        EXPECT_TRUE(script.finished());
    }

    std::string demo_file_;
    std::vector<std::uint8_t> demo_bytes_;
};

TEST_F(EditDemoFile, EditsThroughTheWindowEndUpInTheSavedFile) {
    ObjectTable expected;
    std::string reason;
    ASSERT_TRUE(parse_file_image(demo_bytes_.data(), demo_bytes_.size(), expected, reason)) << reason;
    // The slots the session works on must hold what it expects of them.
    ASSERT_TRUE(expected.object(22, 3).in_use && expected.object(22, 5).in_use && expected.object(22, 1).in_use);
    ASSERT_FALSE(expected.object(22, 12).in_use);
    ASSERT_GT(expected.tile(34).object_count, 0);

    load_file_by_command(demo_file_);
    ASSERT_TRUE(EditorFileLoaded());
    ASSERT_TRUE(IsWindowVisible(item(IDC_IMG_PCXFILE)));

    choose_tile(22);
    ASSERT_EQ(list_selection(IDC_CBO_TILE), 22);

    // Object 3: typed place and orientation, then one step of the orientation spinner.
    step_object_to(3);
    type_into(IDC_TXT_X, "200");
    type_into(IDC_TXT_Y, "12.5");
    type_into(IDC_TXT_ORIENTATION, "64");
    spin_click(IDC_UPD_ORIENTATION, true);
    expected.object(22, 3).x = 200;
    expected.object(22, 3).y = 12;
    expected.object(22, 3).orientation = 65;
    EXPECT_EQ(marker_place(3).x, 8 + 400 - 3);

    // Object 5, chosen by its marker: put where the picture is clicked, given another type.
    mouse_up_on_marker(5, WM_RBUTTONUP);
    ASSERT_EQ(spin_value(IDC_UPD_CURROBJECT), 5);
    left_click_picture(301, 77);
    choose_type(58);
    expected.object(22, 5).x = 150;
    expected.object(22, 5).y = 38;
    expected.object(22, 5).type = 58;

    // Object 1 taken out of use; the empty slot 12 brought into use as a new object.
    mouse_up_on_marker(1, WM_RBUTTONUP);
    click(IDC_CHK_INUSE);
    expected.object(22, 1).in_use = false;
    step_object_to(12);
    ASSERT_FALSE(IsChecked(item(IDC_CHK_INUSE)));
    click(IDC_CHK_INUSE);
    choose_type(17);
    type_into(IDC_TXT_X, "40");
    type_into(IDC_TXT_Y, "300");
    type_into(IDC_TXT_ORIENTATION, "7.5");
    spin_click(IDC_UPD_X, false);
    expected.object(22, 12) = {17, 8, 39, 255, true};

    // Find & Replace: one type changed on tile 34 only, another deleted on every tile.
    choose_tile(34);
    int retyped = 0, deleted = 0;
    for (ObjectRecord& r : expected.tile(34).objects) {
        if (r.type == 53) {
            r.type = 17;
            ++retyped;
        }
    }
    replace_all({[](HWND dialog) {
        ChooseType(dialog, kCboFind, 53);
        ChooseType(dialog, kCboReplace, 17);
        Click(dialog, kCmdReplace);
    }});
    for (int t = 0; t < kTileCount; ++t) {
        for (ObjectRecord& r : expected.tile(t).objects) {
            if (r.type != 68) continue;
            deleted += r.in_use ? 1 : 0;
            r.type = 0;
            r.in_use = false;
        }
    }
    replace_all({[](HWND dialog) {
        ChooseType(dialog, kCboFind, 68);
        Click(dialog, kChkDelete);
        Click(dialog, kOptAllTiles);
        Click(dialog, kCmdReplace);
    }});
    EXPECT_GT(retyped, 0) << "the demo tile holds no type 53 to change";
    EXPECT_GT(deleted, 0) << "the demo file holds no type 68 to delete";

    const std::string saved = folder_ + "\\saved.dat";
    SetFileDialogAnswerer([saved](const FileDialogRequest&) { return saved; });
    click(IDC_CMD_SAVE);
    SetFileDialogAnswerer({});
    pump_messages();

    std::vector<std::uint8_t> bytes;
    ASSERT_TRUE(read_file(saved, bytes));
    const std::vector<std::uint8_t> want = build_save_image(expected);
    ASSERT_EQ(bytes.size(), want.size());
    size_t first_difference = bytes.size();
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] != want[i]) {
            first_difference = i;
            break;
        }
    }
    EXPECT_EQ(first_difference, bytes.size()) << "first differing byte in tile " << first_difference / kTileBlockSize
                                              << ", at " << first_difference % kTileBlockSize;
    // The save read the file back: tile 0, object 0 are shown again.
    EXPECT_EQ(list_selection(IDC_CBO_TILE), 0);
    EXPECT_EQ(spin_value(IDC_UPD_CURROBJECT), 0);
}

}  // namespace
