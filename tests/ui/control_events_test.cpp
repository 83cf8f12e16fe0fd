// The chained-events layer: a value set from code runs the control's change handler at
// once, exactly once, and setting what the control already holds runs nothing.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "editor/ui/control_events_win.h"
#include "wine_gui_support.h"

using namespace kvr::ui;

namespace {

enum { kEdit = 11, kCombo = 12, kSpin = 13, kCheck = 14 };

struct Seen {
    int id;
    int code;
    int value;  // the control's value as the handler saw it
};
std::vector<Seen> g_seen;

LRESULT CALLBACK parent_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_COMMAND) {
        const int id = LOWORD(wparam);
        HWND control = reinterpret_cast<HWND>(lparam);
        const int code = HIWORD(wparam);
        // The change notifications only (an edit also sends EN_UPDATE, a combo CBN_SELENDOK...).
        if (!((id == kEdit && code == EN_CHANGE) || (id == kCombo && code == CBN_SELCHANGE) ||
              (id == kCheck && code == BN_CLICKED))) {
            return 0;
        }
        int value = 0;
        if (id == kEdit) value = std::atoi(GetControlText(control).c_str());
        if (id == kCombo) value = GetListSelection(control);
        if (id == kCheck) value = IsChecked(control);
        g_seen.push_back({id, code, value});
        return 0;
    }
    if (message == WM_VSCROLL) {
        HWND control = reinterpret_cast<HWND>(lparam);
        if (LOWORD(wparam) == SB_THUMBPOSITION && TakeSpinChange(control)) {
            g_seen.push_back({kSpin, 0, GetSpinValue(control)});
        }
        return 0;
    }
    return DefWindowProcA(window, message, wparam, lparam);
}

class ControlEvents : public ::testing::Test {
protected:
    void SetUp() override {
        INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_UPDOWN_CLASS | ICC_STANDARD_CLASSES};
        InitCommonControlsEx(&icc);
        WNDCLASSA wc = {};
        wc.lpfnWndProc = parent_proc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "ControlEventsParent";
        RegisterClassA(&wc);
        parent_ = CreateWindowExA(0, wc.lpszClassName, "events", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 300, 200,
                                  nullptr, nullptr, wc.hInstance, nullptr);
        ASSERT_NE(parent_, nullptr);
        auto child = [&](const char* cls, DWORD style, int id, int x, int y, int w, int h) {
            return CreateWindowExA(0, cls, "", WS_CHILD | WS_VISIBLE | style, x, y, w, h, parent_,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), wc.hInstance, nullptr);
        };
        edit_ = child("EDIT", ES_AUTOHSCROLL, kEdit, 10, 10, 60, 22);
        combo_ = child("COMBOBOX", CBS_DROPDOWNLIST | WS_VSCROLL, kCombo, 10, 40, 100, 200);
        spin_ = child(UPDOWN_CLASSA, UDS_ARROWKEYS, kSpin, 80, 10, 17, 25);
        check_ = child("BUTTON", BS_AUTOCHECKBOX, kCheck, 10, 80, 100, 20);
        for (const char* entry : {"zero", "one", "two"}) {
            SendMessageA(combo_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry));
        }
        InitSpin(spin_, 0, 63, 0);
        SetWindowPos(spin_, nullptr, 80, 10, 17, 25, SWP_NOZORDER);
        kvr::test::pump_messages();
        g_seen.clear();
    }
    void TearDown() override { DestroyWindow(parent_); }

    HWND parent_ = nullptr, edit_ = nullptr, combo_ = nullptr, spin_ = nullptr, check_ = nullptr;
};

}  // namespace

TEST_F(ControlEvents, SettingTextRunsTheHandlerWithTheNewText) {
    SetControlText(edit_, "17");
    ASSERT_EQ(g_seen.size(), 1u);
    EXPECT_EQ(g_seen[0].id, kEdit);
    EXPECT_EQ(g_seen[0].code, EN_CHANGE);
    EXPECT_EQ(g_seen[0].value, 17);
    g_seen.clear();
    SetControlText(edit_, "17");  // unchanged
    EXPECT_TRUE(g_seen.empty());
    SetControlText(edit_, "");
    ASSERT_EQ(g_seen.size(), 1u);
    EXPECT_EQ(GetControlText(edit_), "");
}

TEST_F(ControlEvents, SettingAListRunsItsHandlerOnlyOnAChange) {
    SetListSelection(combo_, 2);
    ASSERT_EQ(g_seen.size(), 1u);
    EXPECT_EQ(g_seen[0].id, kCombo);
    EXPECT_EQ(g_seen[0].code, CBN_SELCHANGE);
    EXPECT_EQ(g_seen[0].value, 2);  // already selected when the handler runs
    g_seen.clear();
    SetListSelection(combo_, 2);  // the entry already selected
    EXPECT_TRUE(g_seen.empty());
    SetListSelection(combo_, -1);  // no entry
    ASSERT_EQ(g_seen.size(), 1u);
    EXPECT_EQ(g_seen[0].value, -1);
    g_seen.clear();
    SetListSelection(combo_, -1);
    SetListSelection(combo_, 7);  // no such entry: the same as none
    EXPECT_TRUE(g_seen.empty());
    EXPECT_EQ(GetListSelection(combo_), -1);
}

TEST_F(ControlEvents, SettingASpinnerRunsItsHandlerOnce) {
    SetSpinValue(spin_, 5);
    ASSERT_EQ(g_seen.size(), 1u);
    EXPECT_EQ(g_seen[0].id, kSpin);
    EXPECT_EQ(g_seen[0].value, 5);
    g_seen.clear();
    SetSpinValue(spin_, 5);
    EXPECT_TRUE(g_seen.empty());
    SetSpinValue(spin_, 500);  // kept in range: 63
    ASSERT_EQ(g_seen.size(), 1u);
    EXPECT_EQ(g_seen[0].value, 63);
    EXPECT_EQ(GetSpinValue(spin_), 63);
}

TEST_F(ControlEvents, ArrowClicksReportOnlyRealChanges) {
    // The user's click on the upper arrow steps the value up by one.
    RECT r;
    GetClientRect(spin_, &r);
    const LPARAM upper = MAKELPARAM(r.right / 2, r.bottom / 4);
    auto click_up = [&] {
        SendMessageA(spin_, WM_LBUTTONDOWN, MK_LBUTTON, upper);
        SendMessageA(spin_, WM_LBUTTONUP, 0, upper);
        kvr::test::pump_messages();
    };
    click_up();
    ASSERT_EQ(g_seen.size(), 1u);
    EXPECT_EQ(g_seen[0].value, 1);
    // At the end of its range the spinner stops; its report of the unchanged value runs nothing.
    SetSpinValue(spin_, 63);
    g_seen.clear();
    click_up();
    EXPECT_EQ(GetSpinValue(spin_), 63);
    EXPECT_TRUE(g_seen.empty());
}

TEST_F(ControlEvents, SettingACheckBoxRunsItsClickHandler) {
    SetChecked(check_, true);
    ASSERT_EQ(g_seen.size(), 1u);
    EXPECT_EQ(g_seen[0].id, kCheck);
    EXPECT_EQ(g_seen[0].code, BN_CLICKED);
    EXPECT_EQ(g_seen[0].value, 1);
    g_seen.clear();
    SetChecked(check_, true);
    EXPECT_TRUE(g_seen.empty());
    SetChecked(check_, false);
    ASSERT_EQ(g_seen.size(), 1u);
    EXPECT_EQ(g_seen[0].value, 0);
}
