// The Find & Replace dialog, created in-process over an owner window of the test's own
// and driven through its real controls inside its modal loop.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "editor/data/object_table.h"
#include "editor/data/replace_objects.h"
#include "editor/ui/replace_dialog_win.h"
#include "editor/ui/vocabularies.h"
#include "dialog_script_win.h"
#include "tests/support/object_record.h"

namespace {

using namespace kvr::ui;
using namespace kvr::test;
using kvr::ObjectRecord;
using kvr::ObjectTable;

using Step = DialogStep;

// ---- the owner: a plain top-level window that records what it repaints ----

RECT g_painted{};  // union of the owner's painted rectangles since the last reset

LRESULT CALLBACK OwnerProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_PAINT) {
        PAINTSTRUCT ps;
        BeginPaint(window, &ps);
        UnionRect(&g_painted, &g_painted, &ps.rcPaint);
        EndPaint(window, &ps);
        return 0;
    }
    return DefWindowProcA(window, message, wparam, lparam);
}

HWND CreateOwner() {
    static bool registered = false;
    HINSTANCE instance = GetModuleHandleA(nullptr);
    if (!registered) {
        WNDCLASSA wc{};
        wc.lpfnWndProc = OwnerProc;
        wc.hInstance = instance;
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        wc.lpszClassName = "ReplaceTestOwner";
        registered = RegisterClassA(&wc) != 0;
    }
    RECT frame{0, 0, 785, 527};  // the main window's client area
    AdjustWindowRect(&frame, WS_OVERLAPPEDWINDOW, FALSE);
    HWND owner = CreateWindowExA(0, "ReplaceTestOwner", "Owner", WS_OVERLAPPEDWINDOW, 90, 40,
                                 frame.right - frame.left, frame.bottom - frame.top, nullptr,
                                 nullptr, instance, nullptr);
    ShowWindow(owner, SW_SHOW);
    UpdateWindow(owner);
    return owner;
}

void PumpPending() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

int Selection(HWND dialog, int list) {
    return static_cast<int>(SendMessageA(DialogItem(dialog, list), CB_GETCURSEL, 0, 0));
}
bool Checked(HWND dialog, int id) { return IsDlgButtonChecked(dialog, id) == BST_CHECKED; }

std::string Text(HWND window) {
    char buffer[256] = {};
    GetWindowTextA(window, buffer, sizeof buffer);
    return buffer;
}

// ---- the table ----

ObjectTable SampleTable() {
    ObjectTable t;
    t.object(0, 0) = make_object(51, 10, 20, 30, true);
    t.object(10, 1) = make_object(51, 40, 50, 60, true);
    t.object(10, 2) = make_object(17, 4, 5, 6, true);
    t.object(10, 3) = make_object(0, 0, 7, 0, true);
    t.object(58, 63) = make_object(51, 255, 255, 255, true);
    return t;
}

constexpr int kCurrentTile = 10;

class ReplaceDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        owner_ = CreateOwner();
        ASSERT_NE(owner_, nullptr);
        PumpFor(50);
        table_ = SampleTable();
    }
    void TearDown() override {
        // The owned dialog goes with its owner; the next test starts from a fresh one.
        DestroyWindow(owner_);
        PumpPending();
        EXPECT_EQ(ReplaceDialogWindow(), nullptr);
    }

    // Opens the dialog and runs `steps` inside its modal loop; returns when it is hidden.
    void Open(std::vector<Step> steps, int current_tile = kCurrentTile) {
        {
            DialogScript script(std::move(steps));
            ReplaceDialogData data{owner_, &table_, current_tile};
            returned_ = false;
            ShowReplaceDialog(data);
            returned_ = true;
            EXPECT_TRUE(script.finished()) << "the dialog closed before its script ended";
        }
        PumpFor(100);  // back in the main loop until the next click
        HWND dialog = ReplaceDialogWindow();
        ASSERT_NE(dialog, nullptr);
        EXPECT_FALSE(IsWindowVisible(dialog));
        EXPECT_TRUE(IsWindowEnabled(owner_));
    }

    // Sets the dialog as a user would, then clicks Replace All (on a dialog whose settings
    // are still the initial ones). kNoType leaves a list as it is.
    void ReplaceAll(int find, int replacement, bool erase, bool all_tiles) {
        Open({[=](HWND dialog) {
            if (find != kvr::kNoType) ChooseType(dialog, kCboFind, find);
            if (replacement != kvr::kNoType) ChooseType(dialog, kCboReplace, replacement);
            if (erase) Click(dialog, kChkDelete);
            if (all_tiles) Click(dialog, kOptAllTiles);
            Click(dialog, kCmdReplace);
        }});
    }

    HWND owner_ = nullptr;
    ObjectTable table_;
    bool returned_ = false;
};

// ---- layout ----

struct Expected {
    int id;
    const char* window_class;
    const char* caption;
    int left, top, width, height;
    bool bold;
};

const Expected kRows[] = {
    {kCboFind, "ComboBox", "", 8, 8, 193, 21, false},
    {kCboReplace, "ComboBox", "", 8, 40, 193, 21, false},
    {kCmdReplace, "Button", "Replace All", 208, 8, 137, 33, false},
    {kCmdCancel, "Button", "Cancel", 208, 48, 137, 33, false},
    {kChkDelete, "Button", "Delete All These Objects", 8, 64, 169, 17, true},
    {kOptThisTile, "Button", "This Tile Only", 8, 88, 113, 17, true},
    {kOptAllTiles, "Button", "All Tiles", 128, 88, 121, 17, true},
};

void CheckLayout(HWND dialog) {
    EXPECT_EQ(Text(dialog), "Find & Replace");
    char cls[64] = {};
    GetClassNameA(dialog, cls, sizeof cls);
    EXPECT_STREQ(cls, kReplaceDialogClass);
    RECT client;
    GetClientRect(dialog, &client);
    EXPECT_EQ(client.right, 352);
    EXPECT_EQ(client.bottom, 123);
    EXPECT_EQ(GetWindowLongA(dialog, GWL_STYLE) & WS_CHILD, 0);

    for (const Expected& row : kRows) {
        SCOPED_TRACE(row.caption[0] ? row.caption : (row.id == kCboFind ? "cbo_find" : "cbo_replace"));
        HWND control = DialogItem(dialog, row.id);
        ASSERT_NE(control, nullptr);
        char control_class[64] = {};
        GetClassNameA(control, control_class, sizeof control_class);
        EXPECT_STRCASEEQ(control_class, row.window_class);
        RECT r;
        GetWindowRect(control, &r);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
        EXPECT_EQ(r.left, row.left);
        EXPECT_EQ(r.top, row.top);
        EXPECT_EQ(r.right - r.left, row.width);
        EXPECT_EQ(r.bottom - r.top, row.height);
        EXPECT_EQ(Text(control), row.caption);
        EXPECT_TRUE(IsWindowVisible(control));

        // The font asked for and the face actually drawn with.
        HFONT font = reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0));
        ASSERT_NE(font, nullptr);
        LOGFONTA lf{};
        ASSERT_NE(GetObjectA(font, sizeof lf, &lf), 0);
        EXPECT_STREQ(lf.lfFaceName, "MS Sans Serif");
        EXPECT_EQ(lf.lfHeight, -11);  // 8.25 pt at 96 dpi
        EXPECT_EQ(lf.lfWeight >= FW_BOLD, row.bold);
        HDC dc = GetDC(control);
        HGDIOBJ old = SelectObject(dc, font);
        char face[LF_FACESIZE] = {};
        GetTextFaceA(dc, sizeof face, face);
        TEXTMETRICA tm{};
        GetTextMetricsA(dc, &tm);
        SelectObject(dc, old);
        ReleaseDC(control, dc);
        EXPECT_STREQ(face, "MS Sans Serif");
        EXPECT_EQ(tm.tmHeight, 13);
    }

    const LONG find_style = GetWindowLongA(DialogItem(dialog, kCboFind), GWL_STYLE);
    EXPECT_EQ(find_style & 3, CBS_DROPDOWNLIST);  // pick only
    EXPECT_EQ(GetWindowLongA(DialogItem(dialog, kCboReplace), GWL_STYLE) & 3, CBS_DROPDOWNLIST);
    EXPECT_EQ(GetWindowLongA(DialogItem(dialog, kChkDelete), GWL_STYLE) & BS_TYPEMASK, BS_AUTOCHECKBOX);
    EXPECT_EQ(GetWindowLongA(DialogItem(dialog, kOptThisTile), GWL_STYLE) & BS_TYPEMASK, BS_AUTORADIOBUTTON);
    EXPECT_EQ(GetWindowLongA(DialogItem(dialog, kOptAllTiles), GWL_STYLE) & BS_TYPEMASK, BS_AUTORADIOBUTTON);
}

TEST_F(ReplaceDialogTest, FirstOpeningShowsTheLayoutInItsInitialState) {
    Open({[&](HWND dialog) {
        ASSERT_NE(dialog, nullptr);
        EXPECT_TRUE(IsWindowVisible(dialog));
        EXPECT_FALSE(returned_) << "the open operation must wait for the dialog";
        CheckLayout(dialog);
        EXPECT_EQ(Selection(dialog, kCboFind), CB_ERR);
        EXPECT_EQ(Selection(dialog, kCboReplace), CB_ERR);
        EXPECT_TRUE(IsWindowEnabled(DialogItem(dialog, kCboReplace)));
        EXPECT_FALSE(Checked(dialog, kChkDelete));
        EXPECT_TRUE(Checked(dialog, kOptThisTile));
        EXPECT_FALSE(Checked(dialog, kOptAllTiles));
        EXPECT_EQ(GetFocus(), DialogItem(dialog, kCboFind));
        Click(dialog, kCmdCancel);
    }});
}

TEST_F(ReplaceDialogTest, BothListsCarryTheDialogTypeNames) {
    Open({[&](HWND dialog) {
        for (int list : {kCboFind, kCboReplace}) {
            HWND combo = DialogItem(dialog, list);
            ASSERT_EQ(SendMessageA(combo, CB_GETCOUNT, 0, 0), 73);
            for (int k = 0; k < 73; ++k) {
                char text[64] = {};
                SendMessageA(combo, CB_GETLBTEXT, k, reinterpret_cast<LPARAM>(text));
                EXPECT_STREQ(text, DialogObjectTypeNames[static_cast<size_t>(k)]) << "entry " << k;
            }
            char text[64] = {};
            SendMessageA(combo, CB_GETLBTEXT, 0, reinterpret_cast<LPARAM>(text));
            EXPECT_STREQ(text, "0 - ???");
            SendMessageA(combo, CB_GETLBTEXT, 69, reinterpret_cast<LPARAM>(text));
            EXPECT_STREQ(text, "69 - Parachutist");
            SendMessageA(combo, CB_GETLBTEXT, 70, reinterpret_cast<LPARAM>(text));
            EXPECT_STREQ(text, "70 - ???");
            SendMessageA(combo, CB_GETLBTEXT, 71, reinterpret_cast<LPARAM>(text));
            EXPECT_STREQ(text, "71 - ???");
            SendMessageA(combo, CB_GETLBTEXT, 72, reinterpret_cast<LPARAM>(text));
            EXPECT_STREQ(text, "72 - Destroyer");
        }
        Click(dialog, kCmdCancel);
    }});
}

TEST_F(ReplaceDialogTest, ModalOverTheOwnerCentredAndOwned) {
    Open({[&](HWND dialog) {
        EXPECT_EQ(GetWindow(dialog, GW_OWNER), owner_);
        EXPECT_FALSE(IsWindowEnabled(owner_)) << "the owner takes no input meanwhile";
        RECT o, d;
        GetWindowRect(owner_, &o);
        GetWindowRect(dialog, &d);
        EXPECT_LE(std::abs((o.left + o.right) - (d.left + d.right)), 1);
        EXPECT_LE(std::abs((o.top + o.bottom) - (d.top + d.bottom)), 1);
        EXPECT_EQ(GetActiveWindow(), dialog);
        Click(dialog, kCmdCancel);
    }});
    EXPECT_TRUE(returned_);
    EXPECT_EQ(GetActiveWindow(), owner_);

    // Moved owner: the next opening centres over its new place.
    SetWindowPos(owner_, nullptr, 10, 20, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    Open({[&](HWND dialog) {
        RECT o, d;
        GetWindowRect(owner_, &o);
        GetWindowRect(dialog, &d);
        EXPECT_LE(std::abs((o.left + o.right) - (d.left + d.right)), 1);
        EXPECT_LE(std::abs((o.top + o.bottom) - (d.top + d.bottom)), 1);
        Click(dialog, kCmdCancel);
    }});
}

TEST_F(ReplaceDialogTest, DefaultAndCancelButtonsAndFocusOrder) {
    Open({
        [&](HWND dialog) {
            EXPECT_EQ(GetWindowLongA(DialogItem(dialog, kCmdReplace), GWL_STYLE) & BS_TYPEMASK, BS_DEFPUSHBUTTON);
            const LRESULT def = SendMessageA(dialog, DM_GETDEFID, 0, 0);
            EXPECT_EQ(HIWORD(def), DC_HASDEFID);
            EXPECT_EQ(LOWORD(def), kCmdReplace);
            // The dialog manager's Tab order is the order of the rows and wraps; the two
            // options are one stop, at the chosen one.
            auto expect_tab_order = [&](std::vector<int> order) {
                for (size_t i = 0; i + 1 < order.size(); ++i)
                    EXPECT_EQ(GetDlgCtrlID(GetNextDlgTabItem(dialog, DialogItem(dialog, order[i]), FALSE)),
                              order[i + 1]) << "after " << order[i];
            };
            expect_tab_order({kCboFind, kCboReplace, kCmdReplace, kCmdCancel, kChkDelete,
                              kOptThisTile, kCboFind});
            Click(dialog, kOptAllTiles);
            expect_tab_order({kChkDelete, kOptAllTiles, kCboFind});
            Click(dialog, kOptThisTile);
            SetFocus(DialogItem(dialog, kCboFind));
            ASSERT_EQ(GetFocus(), DialogItem(dialog, kCboFind));
            PressKey(VK_TAB);
        },
        [&](HWND dialog) {
            EXPECT_EQ(GetFocus(), DialogItem(dialog, kCboReplace)) << "Tab goes to the next row";
            ChooseType(dialog, kCboFind, 51);
            ChooseType(dialog, kCboReplace, 33);
            PressKey(VK_ESCAPE);  // Esc is Cancel: nothing changes
        },
    });
    EXPECT_EQ(table_, SampleTable());

    Open({[&](HWND dialog) {
        ASSERT_TRUE(IsChild(dialog, GetFocus()));
        PressKey(VK_RETURN);  // Enter is Replace All, from a list too
    }});
    ObjectTable expected = SampleTable();
    expected.object(10, 1).type = 33;
    EXPECT_EQ(table_, expected);
}

// ---- the replace pass through the controls ----

TEST_F(ReplaceDialogTest, ThisTileOnlyActsOnTheMainWindowsTile) {
    ReplaceAll(51, 33, false, false);
    ObjectTable expected = SampleTable();
    expected.object(10, 1).type = 33;  // in_use, x, y and orientation kept
    EXPECT_EQ(table_, expected);
}

TEST_F(ReplaceDialogTest, AllTilesActsOnEveryTile) {
    ReplaceAll(51, 33, false, true);
    ObjectTable expected = SampleTable();
    expected.object(0, 0).type = 33;
    expected.object(10, 1).type = 33;
    expected.object(58, 63).type = 33;
    EXPECT_EQ(table_, expected);
}

TEST_F(ReplaceDialogTest, SameFindAndReplacementTypeChangesNothing) {
    ReplaceAll(51, 51, false, true);
    EXPECT_EQ(table_, SampleTable());
}

TEST_F(ReplaceDialogTest, ReplacingWithZeroKeepsInUse) {
    ReplaceAll(17, 0, false, false);
    EXPECT_EQ(table_.object(10, 2), make_object(0, 4, 5, 6, true));
}

TEST_F(ReplaceDialogTest, FindingZeroAlsoRetypesTheEmptySlots) {
    ReplaceAll(0, 32, false, false);
    for (int slot = 0; slot < kvr::kSlotCount; ++slot) {
        const ObjectRecord& r = table_.object(kCurrentTile, slot);
        if (slot == 1 || slot == 2) continue;  // types 51 and 17
        EXPECT_EQ(r.type, 32) << slot;
        EXPECT_EQ(r.in_use, slot == 3) << slot;  // empty slots stay unused
    }
    EXPECT_EQ(table_.object(11, 0), make_object(0, 0, 0, 0, false));
}

TEST_F(ReplaceDialogTest, DeletingZeroClearsInUse) {
    ReplaceAll(0, kvr::kNoType, true, false);
    ObjectTable expected = SampleTable();
    expected.object(10, 3).in_use = false;  // the only in-use type-0 object on the tile
    EXPECT_EQ(table_, expected);
}

TEST_F(ReplaceDialogTest, NoFindTypeChangesNothing) {
    ReplaceAll(kvr::kNoType, 33, false, true);
    EXPECT_EQ(table_, SampleTable());
}

TEST_F(ReplaceDialogTest, NoReplacementTypeWhileDeleteIsClearChangesNothing) {
    ReplaceAll(51, kvr::kNoType, false, false);  // slot 1 of the tile matches
    EXPECT_EQ(table_, SampleTable());
}

TEST_F(ReplaceDialogTest, DeletingKeepsPlaceAndOrientationAndIgnoresTheDisabledList) {
    Open({[&](HWND dialog) {
        ChooseType(dialog, kCboFind, 51);
        Click(dialog, kChkDelete);
        EXPECT_TRUE(Checked(dialog, kChkDelete));
        EXPECT_FALSE(IsWindowEnabled(DialogItem(dialog, kCboReplace)));
        ChooseType(dialog, kCboReplace, 40);  // a selection in the disabled list
        Click(dialog, kOptAllTiles);
        Click(dialog, kCmdReplace);
    }});
    ObjectTable expected = SampleTable();
    expected.object(0, 0) = make_object(0, 10, 20, 30, false);
    expected.object(10, 1) = make_object(0, 40, 50, 60, false);
    expected.object(58, 63) = make_object(0, 255, 255, 255, false);
    EXPECT_EQ(table_, expected);
}

TEST_F(ReplaceDialogTest, ClearingDeleteEnablesTheListWithItsSelection) {
    Open({[&](HWND dialog) {
        ChooseType(dialog, kCboReplace, 12);
        Click(dialog, kChkDelete);
        EXPECT_FALSE(IsWindowEnabled(DialogItem(dialog, kCboReplace)));
        EXPECT_EQ(Selection(dialog, kCboReplace), 12);
        Click(dialog, kChkDelete);
        EXPECT_FALSE(Checked(dialog, kChkDelete));
        EXPECT_TRUE(IsWindowEnabled(DialogItem(dialog, kCboReplace)));
        EXPECT_EQ(Selection(dialog, kCboReplace), 12);
        ChooseType(dialog, kCboFind, 17);
        Click(dialog, kCmdReplace);
    }});
    EXPECT_EQ(table_.object(10, 2), make_object(12, 4, 5, 6, true));
}

TEST_F(ReplaceDialogTest, CloseBoxChangesNothingAndKeepsTheSettings) {
    Open({[&](HWND dialog) {
        ChooseType(dialog, kCboFind, 51);
        ChooseType(dialog, kCboReplace, 33);
        SendMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
    }});
    EXPECT_EQ(table_, SampleTable());
    Open({[&](HWND dialog) {
        EXPECT_EQ(Selection(dialog, kCboFind), 51);
        EXPECT_EQ(Selection(dialog, kCboReplace), 33);
        Click(dialog, kCmdCancel);
    }});
}

TEST_F(ReplaceDialogTest, SettingsSurviveCancelAndReplaceAll) {
    HWND first = nullptr;
    Open({[&](HWND dialog) {
        first = dialog;
        ChooseType(dialog, kCboFind, 51);
        ChooseType(dialog, kCboReplace, 33);
        Click(dialog, kChkDelete);
        Click(dialog, kOptAllTiles);
        Click(dialog, kCmdCancel);
    }});
    EXPECT_EQ(table_, SampleTable());
    EXPECT_TRUE(IsWindow(first)) << "Cancel hides the dialog, never destroys it";

    auto expect_kept = [&](HWND dialog) {
        EXPECT_EQ(dialog, first);
        EXPECT_EQ(Selection(dialog, kCboFind), 51);
        EXPECT_EQ(Selection(dialog, kCboReplace), 33);
        EXPECT_TRUE(Checked(dialog, kChkDelete));
        EXPECT_FALSE(IsWindowEnabled(DialogItem(dialog, kCboReplace)));
        EXPECT_FALSE(Checked(dialog, kOptThisTile));
        EXPECT_TRUE(Checked(dialog, kOptAllTiles));
    };
    Open({[&](HWND dialog) {
        expect_kept(dialog);
        Click(dialog, kCmdReplace);
    }});
    EXPECT_EQ(table_.object(58, 63), make_object(0, 255, 255, 255, false));

    Open({[&](HWND dialog) {
        expect_kept(dialog);
        Click(dialog, kCmdCancel);
    }});
}

TEST_F(ReplaceDialogTest, OwnerIsNotRedrawnAfterwards) {
    PumpPending();
    UpdateWindow(owner_);
    g_painted = RECT{};
    RECT dialog_area{};
    Open({[&](HWND dialog) {
        GetWindowRect(dialog, &dialog_area);
        MapWindowPoints(nullptr, owner_, reinterpret_cast<POINT*>(&dialog_area), 2);
        ChooseType(dialog, kCboFind, 51);
        ChooseType(dialog, kCboReplace, 33);
        Click(dialog, kCmdReplace);
    }});
    PumpPending();
    RECT pending{};
    GetUpdateRect(owner_, &pending, FALSE);
    UnionRect(&g_painted, &g_painted, &pending);
    // Only what the dialog covered may be repainted; the rest of the owner keeps its pixels.
    const bool inside = g_painted.left >= dialog_area.left && g_painted.top >= dialog_area.top &&
                        g_painted.right <= dialog_area.right && g_painted.bottom <= dialog_area.bottom;
    EXPECT_TRUE(IsRectEmpty(&g_painted) || inside)
        << "painted " << g_painted.left << "," << g_painted.top << " - " << g_painted.right << ","
        << g_painted.bottom << "; dialog " << dialog_area.left << "," << dialog_area.top << " - "
        << dialog_area.right << "," << dialog_area.bottom;
}

TEST_F(ReplaceDialogTest, ANewOwnerGetsAFreshDialog) {
    Open({[&](HWND dialog) {
        ChooseType(dialog, kCboFind, 5);
        Click(dialog, kCmdCancel);
    }});
    DestroyWindow(owner_);
    PumpPending();
    EXPECT_EQ(ReplaceDialogWindow(), nullptr);
    owner_ = CreateOwner();
    PumpFor(50);
    Open({[&](HWND dialog) {
        EXPECT_EQ(GetWindow(dialog, GW_OWNER), owner_);
        EXPECT_EQ(Selection(dialog, kCboFind), CB_ERR);
        Click(dialog, kCmdCancel);
    }});
}

}  // namespace
