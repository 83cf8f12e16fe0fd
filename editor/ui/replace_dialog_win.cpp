#include "editor/ui/replace_dialog_win.h"
#include "editor/ui/fonts_win.h"

#include <algorithm>

#include "editor/data/replace_objects.h"
#include "editor/ui/vocabularies.h"

namespace kvr::ui {

namespace {

constexpr int kDialogClientWidth = 352;
constexpr int kDialogClientHeight = 123;
// A pick-only list's closed height follows its font (21 px in 8-pt MS Sans Serif); the
// height it is created with is its height when dropped down.
constexpr int kDroppedListHeight = 220;

struct ControlLayout {
    int id;
    const char* window_class;
    const char* caption;
    DWORD style;
    int left, top, width, height;
    bool bold;
};

constexpr DWORD kChild = WS_CHILD | WS_VISIBLE | WS_TABSTOP;
constexpr DWORD kTypeList = kChild | WS_GROUP | WS_VSCROLL | CBS_DROPDOWNLIST;

// Creation order is the focus order: the rows of the layout, top to bottom.
const ControlLayout kLayout[] = {
    {kCboFind, "COMBOBOX", "", kTypeList, 8, 8, 193, 21, false},
    {kCboReplace, "COMBOBOX", "", kTypeList, 8, 40, 193, 21, false},
    {kCmdReplace, "BUTTON", "Replace All", kChild | WS_GROUP | BS_DEFPUSHBUTTON, 208, 8, 137, 33, false},
    {kCmdCancel, "BUTTON", "Cancel", kChild | WS_GROUP | BS_PUSHBUTTON, 208, 48, 137, 33, false},
    {kChkDelete, "BUTTON", "Delete All These Objects", kChild | WS_GROUP | BS_AUTOCHECKBOX, 8, 64, 169, 17, true},
    // One group, so that choosing one option clears the other; the button control keeps
    // the Tab stop on the chosen one, so Tab enters the group there.
    {kOptThisTile, "BUTTON", "This Tile Only", kChild | WS_GROUP | BS_AUTORADIOBUTTON, 8, 88, 113, 17, true},
    {kOptAllTiles, "BUTTON", "All Tiles", kChild | BS_AUTORADIOBUTTON, 128, 88, 121, 17, true},
};

struct DialogState {
    HWND window = nullptr;
    HFONT font = nullptr;
    HFONT bold_font = nullptr;
    HWND last_focus = nullptr;           // restored at the next opening
    ReplaceDialogData* data = nullptr;   // set while the dialog is shown
    bool end_requested = false;
};

DialogState g_dialog;

HWND Control(int id) { return GetDlgItem(g_dialog.window, id); }

bool IsButtonChecked(int id) { return IsDlgButtonChecked(g_dialog.window, id) == BST_CHECKED; }

// The type code selected in a list, or kNoType.
int SelectedType(int id) {
    const LRESULT index = SendMessageA(Control(id), CB_GETCURSEL, 0, 0);
    return index == CB_ERR ? kNoType : static_cast<int>(index);
}

void End_Dialog() { g_dialog.end_requested = true; }

void Replace_All() {
    if (g_dialog.data != nullptr && g_dialog.data->table != nullptr) {
        ReplaceSettings settings;
        settings.find_type = SelectedType(kCboFind);
        settings.replace_type = SelectedType(kCboReplace);
        settings.delete_found = IsButtonChecked(kChkDelete);
        settings.all_tiles = IsButtonChecked(kOptAllTiles);
        settings.current_tile = g_dialog.data->current_tile;
        replace_objects(*g_dialog.data->table, settings);
    }
    End_Dialog();
}

// Deleting does not consult the replacement list; its selection is kept for later.
void chk_delete_Click() { EnableWindow(Control(kCboReplace), !IsButtonChecked(kChkDelete)); }

bool OnCommand(int id, int code) {
    if (code != BN_CLICKED) return false;
    switch (id) {
        case kCmdReplace: Replace_All(); return true;
        case kCmdCancel: End_Dialog(); return true;
        case kChkDelete: chk_delete_Click(); return true;
        default: return false;
    }
}

LRESULT CALLBACK ReplaceDialogProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_COMMAND:
            if (window == g_dialog.window && OnCommand(LOWORD(wparam), HIWORD(wparam))) return 0;
            break;
        case WM_CLOSE:
            // The close box hides the dialog like Cancel: nothing in the table changes.
            End_Dialog();
            return 0;
        case WM_NCDESTROY:
            // Destroyed with its owner: the next opening builds a fresh one.
            if (window == g_dialog.window) {
                DeleteObject(g_dialog.font);
                DeleteObject(g_dialog.bold_font);
                g_dialog = DialogState{nullptr, nullptr, nullptr, nullptr, g_dialog.data, true};
            }
            break;
        default:
            break;
    }
    // Our own window class with the dialog manager's default behaviour: default and cancel
    // buttons, Tab order, focus kept across activation.
    return DefDlgProcA(window, message, wparam, lparam);
}

bool RegisterReplaceDialogClass(HINSTANCE instance) {
    WNDCLASSEXA existing{};
    existing.cbSize = sizeof existing;
    if (GetClassInfoExA(instance, kReplaceDialogClass, &existing)) return true;
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = ReplaceDialogProc;
    wc.cbWndExtra = DLGWINDOWEXTRA;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kReplaceDialogClass;
    return RegisterClassExA(&wc) != 0;
}

// Sizes the window so that its client area is exactly kDialogClientWidth x kDialogClientHeight.
void FitClientArea(HWND window) {
    RECT outer, client;
    GetWindowRect(window, &outer);
    GetClientRect(window, &client);
    const int width = (outer.right - outer.left) + kDialogClientWidth - client.right;
    const int height = (outer.bottom - outer.top) + kDialogClientHeight - client.bottom;
    SetWindowPos(window, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

bool CreateControls(HWND dialog, HINSTANCE instance) {
    for (const ControlLayout& c : kLayout) {
        const bool list = lstrcmpA(c.window_class, "COMBOBOX") == 0;
        const int height = list ? kDroppedListHeight : c.height;
        HWND control = CreateWindowExA(0, c.window_class, c.caption, c.style, c.left, c.top, c.width,
                                       height, dialog, reinterpret_cast<HMENU>(static_cast<INT_PTR>(c.id)),
                                       instance, nullptr);
        if (control == nullptr) return false;
        SendMessageA(control, WM_SETFONT,
                     reinterpret_cast<WPARAM>(c.bold ? g_dialog.bold_font : g_dialog.font), FALSE);
    }
    for (int list : {kCboFind, kCboReplace})
        for (const char* name : DialogObjectTypeNames)
            SendMessageA(GetDlgItem(dialog, list), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
    CheckRadioButton(dialog, kOptThisTile, kOptAllTiles, kOptThisTile);
    SendMessageA(dialog, DM_SETDEFID, kCmdReplace, 0);
    return true;
}

HWND CreateReplaceDialog(HWND owner) {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    if (!RegisterReplaceDialogClass(instance)) return nullptr;
    const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU;
    const DWORD ex_style = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;
    RECT frame{0, 0, kDialogClientWidth, kDialogClientHeight};
    AdjustWindowRectEx(&frame, style, FALSE, ex_style);
    HWND dialog = CreateWindowExA(ex_style, kReplaceDialogClass, kReplaceDialogCaption, style, 0, 0,
                                  frame.right - frame.left, frame.bottom - frame.top, owner, nullptr,
                                  instance, nullptr);
    if (dialog == nullptr) return nullptr;
    g_dialog.window = dialog;
    g_dialog.font = CreateEditorFont(false);
    g_dialog.bold_font = CreateEditorFont(true);
    g_dialog.last_focus = nullptr;
    if (!CreateControls(dialog, instance)) {
        DestroyWindow(dialog);  // WM_NCDESTROY clears g_dialog
        return nullptr;
    }
    FitClientArea(dialog);
    return dialog;
}

// Centres the dialog over its owner, kept inside the work area of the owner's monitor.
void CentreOverOwner(HWND dialog, HWND owner) {
    RECT o, d;
    GetWindowRect(owner, &o);
    GetWindowRect(dialog, &d);
    const int width = d.right - d.left;
    const int height = d.bottom - d.top;
    int left = o.left + ((o.right - o.left) - width) / 2;
    int top = o.top + ((o.bottom - o.top) - height) / 2;
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    if (GetMonitorInfoA(MonitorFromWindow(owner, MONITOR_DEFAULTTONEAREST), &monitor)) {
        const RECT& work = monitor.rcWork;
        left = std::max<int>(work.left, std::min<int>(left, work.right - width));
        top = std::max<int>(work.top, std::min<int>(top, work.bottom - height));
    }
    SetWindowPos(dialog, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// The control that had the focus when the dialog was last hidden, else the first one.
void RestoreFocus(HWND dialog) {
    HWND focus = g_dialog.last_focus;
    if (focus == nullptr || !IsChild(dialog, focus) || !IsWindowEnabled(focus))
        focus = GetNextDlgTabItem(dialog, nullptr, FALSE);
    SendMessageA(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(focus), TRUE);
}

// Runs the dialog's own message loop until a button or the close box ends it. A WM_QUIT
// ends it too and is put back for the program's main loop.
void RunModalLoop(HWND dialog) {
    MSG msg;
    while (!g_dialog.end_requested && g_dialog.window == dialog) {
        const BOOL got = GetMessageA(&msg, nullptr, 0, 0);
        if (got == 0) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        if (got == -1) break;
        if (!IsDialogMessageA(dialog, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
}

}  // namespace

HWND ReplaceDialogWindow() { return g_dialog.window; }

void ShowReplaceDialog(ReplaceDialogData& data) {
    if (g_dialog.data != nullptr) return;  // already shown: the owner is disabled meanwhile
    if (data.owner == nullptr || data.table == nullptr) return;

    HWND dialog = g_dialog.window;
    if (dialog == nullptr) dialog = CreateReplaceDialog(data.owner);
    if (dialog == nullptr) return;
    if (GetWindow(dialog, GW_OWNER) != data.owner)
        SetWindowLongPtrA(dialog, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(data.owner));

    g_dialog.data = &data;
    g_dialog.end_requested = false;
    CentreOverOwner(dialog, data.owner);
    EnableWindow(data.owner, FALSE);
    ShowWindow(dialog, SW_SHOW);
    RestoreFocus(dialog);

    RunModalLoop(dialog);

    // Enable the owner before hiding, so that it, not some other program, becomes active.
    EnableWindow(data.owner, TRUE);
    if (g_dialog.window == dialog) {
        HWND focus = GetFocus();
        g_dialog.last_focus = IsChild(dialog, focus) ? focus : nullptr;
        ShowWindow(dialog, SW_HIDE);
        if (IsWindow(data.owner) && GetActiveWindow() != data.owner) SetActiveWindow(data.owner);
    }
    g_dialog.data = nullptr;
    g_dialog.end_requested = false;
}

}  // namespace kvr::ui
