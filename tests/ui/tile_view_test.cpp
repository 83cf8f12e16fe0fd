// Tile view and object selection on the real window: tile choice with present, missing and
// corrupt pictures, marker places after Place_Markers, a spinner step and a right-click,
// the in-use box, the type list and the orientation indicator.
#include <cmath>

#include "editor_fixture.h"
#include "editor/ui/marker_geometry.h"
#include "editor/ui/marker_pictures.h"
#include "editor/ui/replace_dialog_win.h"

using namespace kvr;
using namespace kvr::test;
using namespace kvr::ui;

namespace {

// Tile 0: slot 0 at (100, 120); slot 1 at (0, 0); slot 2 empty; slot 3 with a type beyond
// the list at the far corner; slot 5 a church; slot 63 the last. Tile 10: slot 4 only.
ObjectTable sample_table() {
    ObjectTable table;
    auto put = [&](int t, int k, int type, int o, int x, int y) {
        table.object(t, k) = {static_cast<std::uint8_t>(type), static_cast<std::uint8_t>(o),
                              static_cast<std::uint8_t>(x), static_cast<std::uint8_t>(y), true};
    };
    put(0, 0, 5, 0, 100, 120);
    put(0, 1, 17, 16, 0, 0);
    put(0, 3, 90, 64, 255, 255);
    put(0, 5, 58, 128, 40, 200);
    put(0, 63, 72, 192, 10, 20);
    put(10, 4, 33, 7, 50, 60);
    put(11, 0, 41, 0, 30, 30);
    return table;
}

constexpr POINT kParked = {8, 736};

void expect_at(POINT actual, int left, int top) {
    EXPECT_EQ(actual.x, left);
    EXPECT_EQ(actual.y, top);
}

// Windows of the main window from the top of the stacking order down.
std::vector<int> stacking_order(HWND window) {
    std::vector<int> ids;
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        ids.push_back(GetDlgCtrlID(child));
    }
    return ids;
}

class TileView : public EditorTest {
protected:
    void SetUp() override {
        EditorTest::SetUp();
        if (HasFatalFailure()) return;
        load(sample_table());
        ASSERT_TRUE(EditorFileLoaded());
    }
    std::vector<RECT> all_marker_rects() const {
        std::vector<RECT> rects;
        for (int i = 0; i < 64; ++i) rects.push_back(marker_rect(i));
        return rects;
    }
    std::uint32_t picture_pixel(int x, int y) const {
        const auto pixels = client_pixels(item(IDC_IMG_PCXFILE), 512, 512);
        return pixels[static_cast<size_t>(y * 512 + x)];
    }
};

bool same_rects(const std::vector<RECT>& a, const std::vector<RECT>& b) {
    for (size_t i = 0; i < a.size(); ++i) {
        if (!EqualRect(&a[i], &b[i])) return false;
    }
    return a.size() == b.size();
}

}  // namespace

TEST_F(TileView, LoadShowsTileZeroWithItsMarkers) {
    EXPECT_EQ(list_selection(IDC_CBO_TILE), 0);
    EXPECT_EQ(text(IDC_TXT_CURROBJECT), "0");
    EXPECT_EQ(spin_value(IDC_UPD_CURROBJECT), 0);
    EXPECT_TRUE(IsWindowVisible(item(IDC_IMG_PCXFILE)));
    EXPECT_EQ(picture_pixel(0, 0), tile_colour(0));

    // In-use markers: 4 x 4, centred on (8 + 2x, 8 + 2y).
    expect_at(marker_place(1), 6, 6);
    expect_at(marker_place(3), 516, 516);
    expect_at(marker_place(5), 86, 406);
    expect_at(marker_place(63), 26, 46);
    for (int slot : {1, 3, 5, 63}) EXPECT_EQ(marker_size(slot), 4) << slot;
    // Slots not in use are parked out of sight at objectSEL's place.
    for (int slot : {2, 4, 6, 62}) {
        expect_at(marker_place(slot), kParked.x, kParked.y);
        EXPECT_EQ(marker_size(slot), 4);
    }
    // The current slot has the selected picture. Show_Object's in-use click runs after
    // Place_Markers here and puts it by the in-use rule: 8 + 200 - 2, 8 + 240 - 2.
    EXPECT_EQ(marker_size(0), 10);
    expect_at(marker_place(0), 206, 246);
    EXPECT_FALSE(Marker_HasIndicator(marker(0)));  // no selection change has run

    // Slot 0's fields.
    EXPECT_TRUE(IsChecked(item(IDC_CHK_INUSE)));
    EXPECT_EQ(list_selection(IDC_CBO_OBJECTTYPE), 5);
    EXPECT_EQ(text(IDC_TXT_X), "100");
    EXPECT_EQ(spin_value(IDC_UPD_X), 100);
    EXPECT_EQ(text(IDC_TXT_Y), "120");
    EXPECT_EQ(spin_value(IDC_UPD_Y), 120);
    EXPECT_EQ(text(IDC_TXT_ORIENTATION), "0");

    for (int id : {IDC_CBO_TILE, IDC_TXT_CURROBJECT, IDC_UPD_CURROBJECT, IDC_CBO_OBJECTTYPE, IDC_TXT_X, IDC_UPD_X,
                   IDC_TXT_Y, IDC_UPD_Y, IDC_TXT_ORIENTATION, IDC_UPD_ORIENTATION, IDC_CMD_SAVE, IDC_CHK_INUSE,
                   IDC_CMD_REPLACE}) {
        EXPECT_TRUE(IsWindowEnabled(item(id))) << id;
    }
}

TEST_F(TileView, MarkersLieAboveThePictureInSlotOrder) {
    const std::vector<int> order = stacking_order(window_);
    auto position = [&](int id) { return std::find(order.begin(), order.end(), id) - order.begin(); };
    const auto picture = position(IDC_IMG_PCXFILE);
    for (int i = 0; i < 64; ++i) EXPECT_LT(position(IDC_OBJECT0 + i), picture) << i;
    // Each marker was brought to the front after the one before it.
    for (int i = 1; i < 64; ++i) EXPECT_LT(position(IDC_OBJECT0 + i), position(IDC_OBJECT0 + i - 1)) << i;
}

TEST_F(TileView, SpinnerStepMovesTheSelection) {
    spin_click(IDC_UPD_CURROBJECT, true);
    EXPECT_EQ(spin_value(IDC_UPD_CURROBJECT), 1);
    EXPECT_EQ(text(IDC_TXT_CURROBJECT), "1");
    EXPECT_EQ(EditorPreviousSelection(), 1);
    // The previous one shrinks and moves 3 right and down. The new one: the in-use click puts
    // it at 6, 6; x and y shown anew move it by their box rule to 8 + 0 - 3 = 5, 5; selected,
    // it goes 3 up and left to 2, 2, with the indicator.
    expect_at(marker_place(0), 209, 249);
    EXPECT_EQ(marker_size(0), 4);
    expect_at(marker_place(1), 2, 2);
    EXPECT_EQ(marker_size(1), 10);
    EXPECT_TRUE(Marker_HasIndicator(marker(1)));
    EXPECT_EQ(list_selection(IDC_CBO_OBJECTTYPE), 17);
    EXPECT_EQ(text(IDC_TXT_X), "0");
    EXPECT_EQ(text(IDC_TXT_ORIENTATION), "16");

    // Slot 2 is not in use: its fields show, the seven editing controls go grey and its
    // marker stays out of sight even as the current one.
    spin_click(IDC_UPD_CURROBJECT, true);
    EXPECT_EQ(spin_value(IDC_UPD_CURROBJECT), 2);
    EXPECT_FALSE(IsChecked(item(IDC_CHK_INUSE)));
    expect_at(marker_place(2), kParked.x - 3, kParked.y - 3);  // x and y 0 as before: no move
    EXPECT_EQ(marker_size(2), 10);
    expect_at(marker_place(1), 5, 5);
    EXPECT_EQ(marker_size(1), 4);
    for (int id : {IDC_CBO_OBJECTTYPE, IDC_TXT_X, IDC_UPD_X, IDC_TXT_Y, IDC_UPD_Y, IDC_TXT_ORIENTATION,
                   IDC_UPD_ORIENTATION}) {
        EXPECT_FALSE(IsWindowEnabled(item(id))) << id;
    }
    EXPECT_TRUE(IsWindowEnabled(item(IDC_CHK_INUSE)));
    EXPECT_FALSE(EditorTable().object(0, 2).in_use);

    // And back down: x and y show 0 as they did, so only the in-use rule and the selection move it.
    spin_click(IDC_UPD_CURROBJECT, false);
    EXPECT_EQ(spin_value(IDC_UPD_CURROBJECT), 1);
    expect_at(marker_place(1), 3, 3);
    expect_at(marker_place(2), kParked.x, kParked.y);
    EXPECT_EQ(marker_size(2), 4);
}

TEST_F(TileView, RightClickOnAMarkerSelectsItsSlot) {
    mouse_up_on_marker(5, WM_RBUTTONUP);
    EXPECT_EQ(spin_value(IDC_UPD_CURROBJECT), 5);
    EXPECT_EQ(text(IDC_TXT_CURROBJECT), "5");
    EXPECT_EQ(list_selection(IDC_CBO_OBJECTTYPE), 58);
    EXPECT_EQ(text(IDC_TXT_Y), "200");
    // In-use place 86, 406; x and y shown anew: 8 + 80 - 3, 8 + 400 - 3; selected: 3 up and left.
    expect_at(marker_place(5), 82, 402);
    EXPECT_EQ(marker_size(5), 10);
    expect_at(marker_place(0), 209, 249);
    EXPECT_EQ(marker_size(0), 4);

    // Other buttons do nothing.
    const auto before = all_marker_rects();
    mouse_up_on_marker(63, WM_LBUTTONUP);
    mouse_up_on_marker(63, WM_MBUTTONUP);
    mouse_up_on_marker(63, WM_RBUTTONDOWN);
    EXPECT_EQ(spin_value(IDC_UPD_CURROBJECT), 5);
    EXPECT_TRUE(same_rects(before, all_marker_rects()));

    // The same slot again changes nothing.
    mouse_up_on_marker(5, WM_RBUTTONUP);
    EXPECT_TRUE(same_rects(before, all_marker_rects()));
    EXPECT_EQ(EditorPreviousSelection(), 5);
}

TEST_F(TileView, TileChoiceLoadsItsPictureAndLaysOutItsMarkers) {
    mouse_up_on_marker(5, WM_RBUTTONUP);
    choose_tile(10);
    pump_messages();
    EXPECT_EQ(picture_pixel(0, 0), tile_colour(10));  // bnalcty.pcx
    // 200 %: the picture's last pixel covers 510..511 in both directions.
    EXPECT_EQ(picture_pixel(509, 509), tile_colour(10));
    EXPECT_EQ(picture_pixel(510, 510), 0xFFFFFFu);
    EXPECT_EQ(picture_pixel(511, 511), 0xFFFFFFu);
    EXPECT_EQ(text(IDC_TXT_CURROBJECT), "0");
    EXPECT_EQ(spin_value(IDC_UPD_CURROBJECT), 0);
    EXPECT_EQ(EditorPreviousSelection(), 0);
    expect_at(marker_place(4), 106, 126);
    EXPECT_EQ(marker_size(4), 4);
    // Slot 0 of tile 10 is not in use: parked, even as the current slot.
    expect_at(marker_place(0), kParked.x - 3, kParked.y - 3);
    for (int slot : {1, 3, 5, 63}) expect_at(marker_place(slot), kParked.x, kParked.y);
    EXPECT_EQ(marker_size(5), 4);

    choose_tile(11);
    pump_messages();
    EXPECT_EQ(picture_pixel(0, 0), tile_colour(11));  // bnalcty2.pcx
    expect_at(marker_place(0), 8 + 60 - 5, 8 + 60 - 5);
    expect_at(marker_place(4), kParked.x, kParked.y);
    EXPECT_EQ(list_selection(IDC_CBO_OBJECTTYPE), 41);
}

TEST_F(TileView, SettingTheTileListToItsOwnEntryIsNoTileChoice) {
    // Without its picture a tile choice would complain; selecting the entry already
    // selected must not even try.
    ASSERT_TRUE(DeleteFileA((tiles_ + "\\bnField8.pcx").c_str()));
    MessageBoxAnswers boxes(IDOK);
    SetListSelection(item(IDC_CBO_TILE), 0);
    pump_messages();
    EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(TileView, InUseBoxParksAndPlacesTheMarker) {
    mouse_up_on_marker(5, WM_RBUTTONUP);
    const ObjectRecord before = EditorTable().object(0, 5);
    click(IDC_CHK_INUSE);
    EXPECT_FALSE(IsChecked(item(IDC_CHK_INUSE)));
    ObjectRecord after = EditorTable().object(0, 5);
    EXPECT_FALSE(after.in_use);
    EXPECT_EQ(after.type, before.type);
    EXPECT_EQ(after.orientation, before.orientation);
    EXPECT_EQ(after.x, before.x);
    EXPECT_EQ(after.y, before.y);
    expect_at(marker_place(5), kParked.x, kParked.y);
    for (int id : {IDC_CBO_OBJECTTYPE, IDC_TXT_X, IDC_UPD_X, IDC_TXT_Y, IDC_UPD_Y, IDC_TXT_ORIENTATION,
                   IDC_UPD_ORIENTATION}) {
        EXPECT_FALSE(IsWindowEnabled(item(id))) << id;
    }

    click(IDC_CHK_INUSE);
    EXPECT_TRUE(EditorTable().object(0, 5).in_use);
    expect_at(marker_place(5), 8 + 80 - 2, 8 + 400 - 2);
    for (int id : {IDC_CBO_OBJECTTYPE, IDC_TXT_X, IDC_UPD_X, IDC_TXT_Y, IDC_UPD_Y, IDC_TXT_ORIENTATION,
                   IDC_UPD_ORIENTATION}) {
        EXPECT_TRUE(IsWindowEnabled(item(id))) << id;
    }

    // An empty slot checked as in use comes into sight at its (0, 0) place.
    mouse_up_on_marker(2, WM_RBUTTONUP);  // parked: the right-click reaches it all the same
    EXPECT_EQ(spin_value(IDC_UPD_CURROBJECT), 2);
    click(IDC_CHK_INUSE);
    EXPECT_TRUE(EditorTable().object(0, 2).in_use);
    expect_at(marker_place(2), 6, 6);
}

TEST_F(TileView, TypeChoiceStoresTheCodeOnly) {
    const ObjectRecord before = EditorTable().object(0, 0);
    const POINT place = marker_place(0);
    choose_type(58);
    const ObjectRecord after = EditorTable().object(0, 0);
    EXPECT_EQ(after.type, 58);
    EXPECT_EQ(after.x, before.x);
    EXPECT_EQ(after.y, before.y);
    EXPECT_EQ(after.orientation, before.orientation);
    EXPECT_TRUE(after.in_use);
    expect_at(marker_place(0), place.x, place.y);
    EXPECT_EQ(marker_size(0), 10);
    // Nothing else in the table moved.
    ObjectTable expected = sample_table();
    expected.object(0, 0).type = 58;
    for (int t = 0; t < 59; ++t)
        for (int k = 0; k < 64; ++k) ASSERT_EQ(EditorTable().object(t, k), expected.object(t, k)) << t << "/" << k;
}

TEST_F(TileView, TypeBeyondTheListShowsNoEntryAndStaysStored) {
    mouse_up_on_marker(3, WM_RBUTTONUP);
    EXPECT_EQ(list_selection(IDC_CBO_OBJECTTYPE), -1);
    EXPECT_EQ(GetControlText(item(IDC_CBO_OBJECTTYPE)), "");
    EXPECT_EQ(EditorTable().object(0, 3).type, 90);
    mouse_up_on_marker(5, WM_RBUTTONUP);
    mouse_up_on_marker(3, WM_RBUTTONUP);
    EXPECT_EQ(EditorTable().object(0, 3).type, 90);
    EXPECT_EQ(EditorTable().object(0, 5).type, 58);
    choose_type(12);
    EXPECT_EQ(EditorTable().object(0, 3).type, 12);
}

TEST_F(TileView, SameSlotFromCodeRunsNothing) {
    mouse_up_on_marker(1, WM_RBUTTONUP);
    const auto before = all_marker_rects();
    SetSpinValue(item(IDC_UPD_CURROBJECT), 1);
    EXPECT_TRUE(same_rects(before, all_marker_rects()));
    // At the top of the range the up arrow leaves 63 and changes nothing.
    mouse_up_on_marker(63, WM_RBUTTONUP);
    const auto at_end = all_marker_rects();
    spin_click(IDC_UPD_CURROBJECT, true);
    EXPECT_EQ(spin_value(IDC_UPD_CURROBJECT), 63);
    EXPECT_TRUE(same_rects(at_end, all_marker_rects()));
}

namespace {

class MissingPictures : public EditorTest {
protected:
    std::set<int> missing_pictures() const override { return {2}; }
};

}  // namespace

TEST_F(MissingPictures, MissingOrCorruptPictureNamesTheFile) {
    load(sample_table());
    mouse_up_on_marker(5, WM_RBUTTONUP);
    const std::vector<RECT> before = [&] {
        std::vector<RECT> rects;
        for (int i = 0; i < 64; ++i) rects.push_back(marker_rect(i));
        return rects;
    }();
    {
        MessageBoxAnswers boxes(IDOK);
        choose_tile(2);
        ASSERT_EQ(boxes.boxes.size(), 1u);
        const SeenBox& box = boxes.boxes[0];
        EXPECT_EQ(box.text, "Unable to find bnWater.pcx at the current path.  Please check PCX File Path and try again.");
        EXPECT_EQ(box.title, "KVR_ZPL");
        EXPECT_TRUE(box.has_ok);
        EXPECT_FALSE(box.has_cancel || box.has_yes || box.has_no);
        EXPECT_TRUE(box.stop_icon);
    }
    // The list keeps the entry; the markers were not laid out anew; the editor goes on.
    EXPECT_EQ(list_selection(IDC_CBO_TILE), 2);
    for (int i = 0; i < 64; ++i) {
        const RECT now = marker_rect(i);
        EXPECT_TRUE(EqualRect(&before[static_cast<size_t>(i)], &now)) << i;
    }
    EXPECT_EQ(spin_value(IDC_UPD_CURROBJECT), 5);
    EXPECT_FALSE(FindWindowA("#32770", nullptr) && IsWindowVisible(FindWindowA("#32770", nullptr)));

    // A file that is there but is no picture.
    ASSERT_TRUE(write_file(tiles_ + "\\bnCoast1.pcx", std::vector<std::uint8_t>(300, 0x41)));
    {
        MessageBoxAnswers boxes(IDOK);
        choose_tile(3);
        ASSERT_EQ(boxes.boxes.size(), 1u);
        EXPECT_EQ(boxes.boxes[0].text,
                  "Unable to find bnCoast1.pcx at the current path.  Please check PCX File Path and try again.");
    }
    // A good tile works again afterwards.
    {
        MessageBoxAnswers boxes(IDOK);
        choose_tile(10);
        EXPECT_TRUE(boxes.boxes.empty());
    }
    EXPECT_EQ(spin_value(IDC_UPD_CURROBJECT), 0);
    expect_at(marker_place(4), 106, 126);
}

namespace {

// Magenta pixels of the marker of `slot` lie along the line from its centre to `end`.
void expect_indicator(HWND marker, IndicatorPixel end, int orientation) {
    SCOPED_TRACE("orientation " + std::to_string(orientation));
    const auto pixels = client_pixels(marker, 10, 10);
    const std::uint32_t magenta = 0xFF00FF;
    int count = 0;
    bool near_end = false;
    double sx = 0, sy = 0;
    for (int y = 0; y < 10; ++y) {
        for (int x = 0; x < 10; ++x) {
            if (pixels[static_cast<size_t>(y * 10 + x)] != magenta) continue;
            ++count;
            const double px = x + 0.5, py = y + 0.5;
            sx += px;
            sy += py;
            // Distance from the segment (5, 5) - end.
            const double dx = end.x - 5.0, dy = end.y - 5.0;
            const double length2 = dx * dx + dy * dy;
            double t = ((px - 5) * dx + (py - 5) * dy) / length2;
            t = t < 0 ? 0 : (t > 1 ? 1 : t);
            const double cx = 5 + t * dx - px, cy = 5 + t * dy - py;
            EXPECT_LE(std::sqrt(cx * cx + cy * cy), 1.6) << "stray pixel " << x << "," << y;
            if (std::hypot(px - end.x, py - end.y) <= 1.6) near_end = true;
        }
    }
    EXPECT_GE(count, 5);
    EXPECT_TRUE(near_end);
    // The drawn pixels lean the way the indicator points.
    if (count) {
        const double mx = sx / count - 5.0, my = sy / count - 5.0;
        EXPECT_GT(mx * (end.x - 5.0) + my * (end.y - 5.0), 0.5);
    }
}

ObjectTable indicator_table() {
    ObjectTable table;
    const int orientations[] = {0, 16, 64, 128, 192};
    for (int i = 0; i < 5; ++i) {
        table.object(0, i + 1) = {1, static_cast<std::uint8_t>(orientations[i]), static_cast<std::uint8_t>(20 * i + 20),
                                  100, true};
    }
    return table;
}

}  // namespace

TEST_F(EditorTest, OrientationIndicatorPixels) {
    load(indicator_table());
    const int orientations[] = {0, 16, 64, 128, 192};
    for (int i = 0; i < 5; ++i) {
        mouse_up_on_marker(i + 1, WM_RBUTTONUP);
        ASSERT_EQ(spin_value(IDC_UPD_CURROBJECT), i + 1);
        ASSERT_EQ(marker_size(i + 1), 10);
        const IndicatorPixel end = indicator_end_rounded(static_cast<std::uint8_t>(orientations[i]));
        expect_indicator(marker(i + 1), end, orientations[i]);
        // The ring and dot stay red where the line does not cross them.
        const auto pixels = client_pixels(marker(i + 1), 10, 10);
        EXPECT_EQ(pixels[0], rgb_of(GetSysColor(COLOR_WINDOW)));
    }
    // The marker left behind is plain again.
    EXPECT_FALSE(Marker_HasIndicator(marker(1)));
    EXPECT_EQ(marker_size(1), 4);
}

TEST_F(TileView, ReplaceButtonOpensTheDialogOnTheCurrentTile) {
    choose_tile(10);
    bool owner_disabled = false;
    HWND owner = nullptr;
    ModalAnswerer answer(
        [&](HWND dialog) {
            owner = GetWindow(dialog, GW_OWNER);
            owner_disabled = !IsWindowEnabled(window_);
            // Every type-33 object of this tile only becomes type 40.
            auto pick = [&](int id, int index) {
                HWND list = GetDlgItem(dialog, id);
                SendMessageA(list, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
                SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
            };
            pick(kCboFind, 33);
            pick(kCboReplace, 40);
            SendMessageA(GetDlgItem(dialog, kOptThisTile), BM_CLICK, 0, 0);
            PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(kCmdReplace, BN_CLICKED),
                         reinterpret_cast<LPARAM>(GetDlgItem(dialog, kCmdReplace)));
        },
        kReplaceDialogClass);
    click(IDC_CMD_REPLACE);
    EXPECT_EQ(answer.seen(), 1);
    EXPECT_EQ(owner, window_);
    EXPECT_TRUE(owner_disabled);
    EXPECT_TRUE(IsWindowEnabled(window_));
    EXPECT_EQ(EditorTable().object(10, 4).type, 40);
    ObjectTable expected = sample_table();
    expected.object(10, 4).type = 40;
    EXPECT_EQ(EditorTable(), expected);
}

TEST_F(TileView, MarkersShowOnScreenOverThePicture) {
    SetForegroundWindow(window_);
    RedrawWindow(window_, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_ERASE);
    pump_messages();
    // Slot 5's unselected marker at 86, 406 of the client area, with the picture around it.
    POINT origin = {86 - 2, 406 - 2};
    ClientToScreen(window_, &origin);
    const auto pixels = screen_pixels(origin.x, origin.y, 8, 8);
    const std::uint32_t background = rgb_of(GetSysColor(COLOR_WINDOW));
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x) {
            const std::uint32_t p = pixels[static_cast<size_t>(y * 8 + x)];
            const bool inside = x >= 2 && x < 6 && y >= 2 && y < 6;
            const std::uint32_t expected =
                !inside ? tile_colour(0) : (kvr::ui::marker_pixel(false, y - 2, x - 2) ? 0xFF0000u : background);
            EXPECT_EQ(p, expected) << x << "," << y;
        }
    }
}
