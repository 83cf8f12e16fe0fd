#include "editor/ui/control_events_win.h"

#include <commctrl.h>

#include <utility>
#include <vector>

namespace kvr::ui {

namespace {

// The last value a spinner reported is kept in its GWLP_USERDATA as value + 1 (0: none yet).
void remember_reported(HWND updown, int value) {
    SetWindowLongPtrA(updown, GWLP_USERDATA, static_cast<LONG_PTR>(value) + 1);
}

void notify_command(HWND control, UINT code) {
    const auto id = static_cast<WORD>(GetDlgCtrlID(control));
    SendMessageA(GetParent(control), WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(control));
}

}  // namespace

std::string GetControlText(HWND control) {
    const int length = GetWindowTextLengthA(control);
    std::vector<char> buffer(static_cast<size_t>(length) + 1);
    const int got = GetWindowTextA(control, buffer.data(), length + 1);
    return std::string(buffer.data(), static_cast<size_t>(got > 0 ? got : 0));
}

void SetControlText(HWND control, const std::string& text) {
    if (GetControlText(control) == text) return;
    SetWindowTextA(control, text.c_str());
}

int GetListSelection(HWND combo) {
    const LRESULT index = SendMessageA(combo, CB_GETCURSEL, 0, 0);
    return index == CB_ERR ? -1 : static_cast<int>(index);
}

void SetListSelection(HWND combo, int index) {
    const LRESULT count = SendMessageA(combo, CB_GETCOUNT, 0, 0);
    if (index < -1 || index >= count) index = -1;
    if (GetListSelection(combo) == index) return;
    SendMessageA(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    notify_command(combo, CBN_SELCHANGE);
}

int GetSpinValue(HWND updown) { return static_cast<int>(SendMessageA(updown, UDM_GETPOS32, 0, 0)); }

void SetSpinValue(HWND updown, int value) {
    int low = 0, high = 0;
    SendMessageA(updown, UDM_GETRANGE32, reinterpret_cast<WPARAM>(&low), reinterpret_cast<LPARAM>(&high));
    if (low > high) std::swap(low, high);
    if (value < low) value = low;
    if (value > high) value = high;
    if (GetSpinValue(updown) == value) return;
    SendMessageA(updown, UDM_SETPOS32, 0, value);
    SendMessageA(GetParent(updown), WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, static_cast<WORD>(value)),
                 reinterpret_cast<LPARAM>(updown));
}

void InitSpin(HWND updown, int low, int high, int value) {
    SendMessageA(updown, UDM_SETRANGE32, static_cast<WPARAM>(low), static_cast<LPARAM>(high));
    SendMessageA(updown, UDM_SETPOS32, 0, value);
    remember_reported(updown, GetSpinValue(updown));
}

bool TakeSpinChange(HWND updown) {
    const int value = GetSpinValue(updown);
    const LONG_PTR stored = GetWindowLongPtrA(updown, GWLP_USERDATA);
    if (stored != 0 && stored - 1 == value) return false;
    remember_reported(updown, value);
    return true;
}

bool IsChecked(HWND check) { return SendMessageA(check, BM_GETCHECK, 0, 0) != BST_UNCHECKED; }

void SetChecked(HWND check, bool checked) {
    if (IsChecked(check) == checked) return;
    SendMessageA(check, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
    notify_command(check, BN_CLICKED);
}

}  // namespace kvr::ui
