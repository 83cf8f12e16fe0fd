// Position and orientation of the current object on the real window: typing into the
// boxes, stepping the spinners and clicking the tile picture.
#include "editor_fixture.h"
#include "editor/ui/marker_geometry.h"
#include "editor/ui/picture_box_win.h"
#include <cmath>

using namespace kvr;
using namespace kvr::test;
using namespace kvr::ui;

namespace {

class PositionEdit : public EditorTest {
protected:
    void SetUp() override {
        EditorTest::SetUp();
        if (HasFatalFailure()) return;
        ObjectTable table;
        table.object(0, 0) = {5, 0, 100, 120, true};
        table.object(0, 1) = {17, 63, 30, 40, true};
        load(table);
        // Slot 1 current: its marker is selected and carries the indicator.
        mouse_up_on_marker(1, WM_RBUTTONUP);
        ASSERT_EQ(spin_value(IDC_UPD_CURROBJECT), 1);
    }
    // Keystrokes into a box, replacing what it holds, as the user types them.
    void type_into(int id, const std::string& keys) {
        HWND box = item(id);
        SetFocus(box);
        SendMessageA(box, EM_SETSEL, 0, -1);
        for (char c : keys) SendMessageA(box, WM_CHAR, static_cast<WPARAM>(static_cast<unsigned char>(c)), 1);
        pump_messages();
    }
    // Text put into a box at once, as pasting does.
    void paste_into(int id, const std::string& text) {
        SendMessageA(item(id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
        pump_messages();
    }
    void press_on_picture(UINT message, int x, int y) {
        SendMessageA(item(IDC_IMG_PCXFILE), message, message == WM_LBUTTONDOWN ? MK_LBUTTON : 0, MAKELPARAM(x, y));
        pump_messages();
    }
    const ObjectRecord& current() { return EditorTable().object(0, 1); }
};

}  // namespace

TEST_F(PositionEdit, TypedValuesAreKeptInRangeAndMoveTheMarker) {
    type_into(IDC_TXT_X, "300");
    EXPECT_EQ(text(IDC_TXT_X), "255");
    EXPECT_EQ(current().x, 255);
    EXPECT_EQ(marker_place(1).x, 8 + 510 - 3);

    type_into(IDC_TXT_X, "12.5");
    EXPECT_EQ(current().x, 12);
    EXPECT_EQ(marker_place(1).x, 8 + 25 - 3);
    type_into(IDC_TXT_X, "13.5");
    EXPECT_EQ(current().x, 14);  // halves go to the even neighbour

    paste_into(IDC_TXT_Y, "");
    EXPECT_EQ(text(IDC_TXT_Y), "0");
    EXPECT_EQ(current().y, 0);
    EXPECT_EQ(marker_place(1).y, 8 + 0 - 3);
    type_into(IDC_TXT_Y, "77");
    EXPECT_EQ(current().y, 77);
    paste_into(IDC_TXT_Y, "-5");
    EXPECT_EQ(text(IDC_TXT_Y), "0");
    EXPECT_EQ(current().y, 0);

    // Text that is no number gives the box back its stored value.
    type_into(IDC_TXT_X, "4");
    type_into(IDC_TXT_X, "ab");
    EXPECT_EQ(text(IDC_TXT_X), "4");
    EXPECT_EQ(current().x, 4);

    // The other fields and the other objects are untouched.
    EXPECT_EQ(current().type, 17);
    EXPECT_EQ(current().orientation, 63);
    EXPECT_EQ(EditorTable().object(0, 0), (ObjectRecord{5, 0, 100, 120, true}));
}

TEST_F(PositionEdit, OrientationBoxStoresAndTheSpinnerRedraws) {
    const auto before = client_pixels(marker(1), 10, 10);
    type_into(IDC_TXT_ORIENTATION, "64");
    EXPECT_EQ(current().orientation, 64);
    EXPECT_EQ(client_pixels(marker(1), 10, 10), before);  // the indicator stays as it was

    type_into(IDC_TXT_ORIENTATION, "63");
    ASSERT_EQ(spin_value(IDC_UPD_ORIENTATION), 63);
    spin_click(IDC_UPD_ORIENTATION, true);
    EXPECT_EQ(spin_value(IDC_UPD_ORIENTATION), 64);
    EXPECT_EQ(text(IDC_TXT_ORIENTATION), "64");
    EXPECT_EQ(current().orientation, 64);
    // Now it points west: from the centre to the left edge (0, 5).
    const auto pixels = client_pixels(marker(1), 10, 10);
    const std::uint32_t magenta = 0xFF00FF;
    EXPECT_EQ(pixels[5 * 10 + 1], magenta);
    EXPECT_EQ(pixels[5 * 10 + 3], magenta);
    for (int y = 0; y < 10; ++y)
        for (int x = 7; x < 10; ++x) EXPECT_NE(pixels[static_cast<size_t>(y * 10 + x)], magenta) << x << "," << y;
}

TEST_F(PositionEdit, SpinnersStepTheValueIntoTheBoxAndMoveTheMarker) {
    const POINT before = marker_place(1);
    spin_click(IDC_UPD_X, true);
    EXPECT_EQ(text(IDC_TXT_X), "31");
    EXPECT_EQ(current().x, 31);
    EXPECT_EQ(marker_place(1).x, 8 + 62 - 3);
    spin_click(IDC_UPD_Y, false);
    EXPECT_EQ(text(IDC_TXT_Y), "39");
    EXPECT_EQ(current().y, 39);
    EXPECT_EQ(marker_place(1).y, 8 + 78 - 3);
    EXPECT_NE(before.x, marker_place(1).x);
}

TEST_F(PositionEdit, LeftClickOnThePicturePlacesTheObject) {
    press_on_picture(WM_LBUTTONDOWN, 101, 50);
    press_on_picture(WM_LBUTTONUP, 101, 50);
    EXPECT_EQ(text(IDC_TXT_X), "50");
    EXPECT_EQ(text(IDC_TXT_Y), "25");
    EXPECT_EQ(spin_value(IDC_UPD_X), 50);
    EXPECT_EQ(spin_value(IDC_UPD_Y), 25);
    EXPECT_EQ(current().x, 50);
    EXPECT_EQ(current().y, 25);
    const POINT placed = marker_place(1);
    EXPECT_EQ(placed.x, 8 + 101 - 3);
    EXPECT_EQ(placed.y, 8 + 50 - 3);
    // Typing the same x again moves it by the box rule: 8 + 100 - 3.
    type_into(IDC_TXT_X, "50");
    EXPECT_EQ(marker_place(1).x, 105);

    // Other buttons do nothing.
    press_on_picture(WM_RBUTTONDOWN, 300, 300);
    press_on_picture(WM_RBUTTONUP, 300, 300);
    press_on_picture(WM_MBUTTONDOWN, 300, 300);
    EXPECT_EQ(current().x, 50);
    EXPECT_EQ(current().y, 25);
    EXPECT_EQ(marker_place(1).x, 105);
}

TEST_F(PositionEdit, ClickAlsoMovesAnObjectThatIsNotInUse) {
    mouse_up_on_marker(5, WM_RBUTTONUP);  // an empty slot, parked out of sight
    ASSERT_FALSE(IsChecked(item(IDC_CHK_INUSE)));
    press_on_picture(WM_LBUTTONDOWN, 20, 30);
    EXPECT_EQ(EditorTable().object(0, 5).x, 10);
    EXPECT_EQ(EditorTable().object(0, 5).y, 15);
    EXPECT_FALSE(EditorTable().object(0, 5).in_use);
    EXPECT_FALSE(IsChecked(item(IDC_CHK_INUSE)));
    EXPECT_FALSE(IsWindowEnabled(item(IDC_TXT_X)));
    const POINT placed = marker_place(5);
    EXPECT_EQ(placed.x, 8 + 20 - 3);
    EXPECT_EQ(placed.y, 8 + 30 - 3);
}

// --- text that is no number, the regional number format, the spinners' starting point ------------

class PositionEditTyping : public PositionEdit {
protected:
    // Keystrokes at the caret's place `at` (-1: the end), without replacing anything.
    void type_at(int id, int at, const std::string& keys) {
        HWND box = item(id);
        SetFocus(box);
        const int place = at < 0 ? GetWindowTextLengthA(box) : at;
        SendMessageA(box, EM_SETSEL, static_cast<WPARAM>(place), place);
        for (char c : keys) SendMessageA(box, WM_CHAR, static_cast<WPARAM>(static_cast<unsigned char>(c)), 1);
        pump_messages();
    }
};

TEST_F(PositionEditTyping, TextThatIsNoNumberGetsBackTheLastValidText) {
    type_into(IDC_TXT_X, "12.5");
    type_at(IDC_TXT_X, -1, "x");
    // The text itself comes back, not the stored byte 12 written out.
    EXPECT_EQ(text(IDC_TXT_X), "12.5");
    EXPECT_EQ(current().x, 12);
    EXPECT_EQ(marker_place(1).x, 8 + 25 - 3);

    type_into(IDC_TXT_X, "-");  // a lone minus sign
    EXPECT_EQ(text(IDC_TXT_X), "12.5");
    EXPECT_EQ(current().x, 12);
    // The caret stands at the end, so the next keystroke adds to the text.
    type_at(IDC_TXT_X, -1, "7");
    EXPECT_EQ(text(IDC_TXT_X), "12.57");
    EXPECT_EQ(current().x, 13);

    // Each box keeps its own last valid text.
    type_into(IDC_TXT_ORIENTATION, "200");
    type_into(IDC_TXT_Y, "q");
    EXPECT_EQ(text(IDC_TXT_Y), "40");
    type_into(IDC_TXT_ORIENTATION, "q");
    EXPECT_EQ(text(IDC_TXT_ORIENTATION), "200");
    EXPECT_EQ(current().orientation, 200);

    // A valid number is never touched by the rule: "12." and " 9 " stay as typed.
    type_into(IDC_TXT_X, "12.");
    EXPECT_EQ(text(IDC_TXT_X), "12.");
    paste_into(IDC_TXT_X, " 9 ");
    EXPECT_EQ(text(IDC_TXT_X), " 9 ");
    EXPECT_EQ(current().x, 9);

    // Text shown for another object is that box's valid text from then on.
    mouse_up_on_marker(0, WM_RBUTTONUP);
    type_into(IDC_TXT_X, "z");
    EXPECT_EQ(text(IDC_TXT_X), "100");
    EXPECT_EQ(EditorTable().object(0, 0).x, 100);
}

TEST_F(PositionEditTyping, MinusTypedBeforeANumberMakesItZero) {
    type_into(IDC_TXT_Y, "5");
    ASSERT_EQ(current().y, 5);
    type_at(IDC_TXT_Y, 0, "-");
    EXPECT_EQ(text(IDC_TXT_Y), "0");
    EXPECT_EQ(current().y, 0);
    EXPECT_EQ(marker_place(1).y, 8 + 0 - 3);
}

TEST_F(PositionEditTyping, NumbersAreReadInTheUsersDecimalSeparator) {
    char saved[8] = {};
    ASSERT_GT(GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, saved, sizeof saved), 0);
    if (!SetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, ",")) GTEST_SKIP() << "regional settings are fixed here";
    char now[8] = {};
    GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, now, sizeof now);
    if (std::string(now) != ",") {
        SetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, saved);
        GTEST_SKIP() << "the separator did not change";
    }
    type_into(IDC_TXT_X, "12,5");
    const int x_at_12_5 = current().x;
    const LONG left_at_12_5 = marker_place(1).x;
    type_into(IDC_TXT_X, "13,5");
    const int x_at_13_5 = current().x;
    paste_into(IDC_TXT_Y, "12.5");  // no number with a comma for the separator
    const std::string y_text = text(IDC_TXT_Y);
    const int y = current().y;
    SetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, saved);

    EXPECT_EQ(x_at_12_5, 12);
    EXPECT_EQ(left_at_12_5, 8 + 25 - 3);
    EXPECT_EQ(x_at_13_5, 14);
    EXPECT_EQ(y_text, "40");
    EXPECT_EQ(y, 40);
}

TEST_F(PositionEditTyping, SpinnersStepFromTheValueTheBoxShows) {
    type_into(IDC_TXT_X, "100");
    spin_click(IDC_UPD_X, true);
    EXPECT_EQ(text(IDC_TXT_X), "101");
    EXPECT_EQ(spin_value(IDC_UPD_X), 101);
    EXPECT_EQ(current().x, 101);
    EXPECT_EQ(marker_place(1).x, 8 + 202 - 3);

    type_into(IDC_TXT_Y, "300");  // shown as 255: a step up stays there
    spin_click(IDC_UPD_Y, true);
    EXPECT_EQ(text(IDC_TXT_Y), "255");
    EXPECT_EQ(current().y, 255);
    spin_click(IDC_UPD_Y, false);
    EXPECT_EQ(text(IDC_TXT_Y), "254");
    EXPECT_EQ(current().y, 254);

    type_into(IDC_TXT_ORIENTATION, "12.5");  // 12 stored; the step goes on from there
    spin_click(IDC_UPD_ORIENTATION, false);
    EXPECT_EQ(text(IDC_TXT_ORIENTATION), "11");
    EXPECT_EQ(current().orientation, 11);
}

TEST_F(PositionEditTyping, OrientationSpinnerDrawsTheUnroundedEnd) {
    // The selection change drew slot 1's indicator (orientation 63) rounded.
    EXPECT_EQ(Marker_GetIndicator(marker(1)).x, 0.0);
    EXPECT_EQ(Marker_GetIndicator(marker(1)).y, static_cast<double>(indicator_end_rounded(63).y));
    type_into(IDC_TXT_ORIENTATION, "15");
    spin_click(IDC_UPD_ORIENTATION, true);
    ASSERT_EQ(current().orientation, 16);
    const IndicatorEnd end = Marker_GetIndicator(marker(1));
    EXPECT_NEAR(end.x, 5 - 5 * std::tan(16 * kPi / 128), 1e-9);  // about 2.93, not 3
    EXPECT_EQ(end.y, 0.0);
    EXPECT_TRUE(Marker_HasIndicator(marker(1)));
}

TEST_F(PositionEditTyping, ClicksOffThePictureAreTakenToItsEdge) {
    press_on_picture(WM_LBUTTONDOWN, 600, -4);
    EXPECT_EQ(text(IDC_TXT_X), "255");
    EXPECT_EQ(text(IDC_TXT_Y), "0");
    EXPECT_EQ(current().x, 255);
    EXPECT_EQ(current().y, 0);
    EXPECT_EQ(marker_place(1).x, 8 + 511 - 3);
    EXPECT_EQ(marker_place(1).y, 8 + 0 - 3);
    press_on_picture(WM_LBUTTONDOWN, 511, 511);  // the last pixel of the picture
    EXPECT_EQ(current().x, 255);
    EXPECT_EQ(current().y, 255);
    EXPECT_EQ(marker_place(1).y, 8 + 511 - 3);
}

TEST_F(PositionEditTyping, RightAndMiddleClicksOnThePictureChangeNothing) {
    const POINT before = marker_place(1);
    const ObjectRecord record = current();
    for (UINT message : {WM_RBUTTONDOWN, WM_RBUTTONUP, WM_MBUTTONDOWN, WM_MBUTTONUP}) {
        press_on_picture(message, 200, 220);
        EXPECT_EQ(current(), record) << message;
        EXPECT_EQ(marker_place(1).x, before.x) << message;
        EXPECT_EQ(marker_place(1).y, before.y) << message;
        EXPECT_EQ(text(IDC_TXT_X), "30") << message;
        EXPECT_EQ(text(IDC_TXT_Y), "40") << message;
    }
}

TEST_F(PositionEdit, MarkersOfEmptySlotsStayOutOfSightWhenShown) {
    // Slot 1 (30, 40) is current; slot 5 is empty at (0, 0): showing it changes the boxes.
    mouse_up_on_marker(5, WM_RBUTTONUP);
    ASSERT_EQ(spin_value(IDC_UPD_CURROBJECT), 5);
    EXPECT_EQ(text(IDC_TXT_X), "0");
    EXPECT_GE(marker_place(5).y, kClientHeight) << "no marker over the picture for an empty slot";
    // Stepping on to the next empty slot leaves no marker behind either.
    spin_click(IDC_UPD_CURROBJECT, true);
    ASSERT_EQ(spin_value(IDC_UPD_CURROBJECT), 6);
    EXPECT_GE(marker_place(5).y, kClientHeight);
    EXPECT_GE(marker_place(6).y, kClientHeight);
    // Back to an object in use: its marker is where its values put it.
    mouse_up_on_marker(0, WM_RBUTTONUP);
    EXPECT_EQ(marker_place(0).x, 8 + 200 - 3 - 3);  // the box rule, then the selected shift
    EXPECT_EQ(marker_place(0).y, 8 + 240 - 3 - 3);
}
