#include "editor/ui/folder_lists_win.h"

#include <commctrl.h>

#include <algorithm>
#include <cstring>
#include <new>
#include <utility>
#include <vector>

#include "editor/ui/folder_tree.h"

using kvr::ui::FolderLine;
using kvr::ui::FolderPath;

namespace {

// ---------------------------------------------------------------------------------------------
// Drive list

constexpr int kDropDownHeight = 160;  // the open list below the closed box

char lower_letter(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

void fill_drive_list(HWND combo) {
    char roots[26 * 4 + 2] = {};
    const DWORD n = GetLogicalDriveStringsA(sizeof roots, roots);
    if (n == 0 || n >= sizeof roots) return;
    char cwd[MAX_PATH] = {};
    const DWORD cwd_len = GetCurrentDirectoryA(MAX_PATH, cwd);
    const char current = (cwd_len >= 2 && cwd_len < MAX_PATH && cwd[1] == ':') ? lower_letter(cwd[0]) : '\0';

    int current_index = -1;
    int first_fixed = -1;
    for (const char* root = roots; *root; root += std::strlen(root) + 1) {
        const char letter = lower_letter(root[0]);
        if (letter < 'a' || letter > 'z') continue;
        // The letter only: asking a drive for its volume label can keep the list waiting on
        // an empty or network drive.
        const std::string text{letter, ':'};
        const auto index = static_cast<int>(SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str())));
        if (index < 0) continue;
        SendMessageA(combo, CB_SETITEMDATA, index, static_cast<LPARAM>(letter));
        if (letter == current) current_index = index;
        if (first_fixed < 0 && GetDriveTypeA(root) == DRIVE_FIXED) first_fixed = index;
    }
    // A current directory on a network path has no drive: show the first hard disk instead.
    int selected = current_index >= 0 ? current_index : first_fixed >= 0 ? first_fixed : 0;
    SendMessageA(combo, CB_SETCURSEL, selected, 0);
}

// ---------------------------------------------------------------------------------------------
// Directory list

constexpr UINT_PTR kListId = 1;
constexpr int kIndentPerLevel = 8;
constexpr int kGlyphWidth = 16;
constexpr int kGlyphHeight = 11;
constexpr int kTextGap = 4;

HINSTANCE g_dir_class_instance = nullptr;

struct DirListState {
    HWND list = nullptr;
    HFONT font = nullptr;  // nullptr: the list box's own
    FolderPath current;
    std::vector<FolderLine> lines;
    bool has_folder = false;
};

DirListState* dir_state(HWND frame) {
    if (frame == nullptr) return nullptr;
    char name[32];
    if (GetClassNameA(frame, name, sizeof name) == 0 || lstrcmpiA(name, kDirListClassName) != 0) return nullptr;
    return reinterpret_cast<DirListState*>(GetWindowLongPtrA(frame, GWLP_USERDATA));
}

bool is_directory(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The absolute form of `path`, checked folder by folder, with each name as the disk spells it.
bool resolve_folder(const std::string& path, FolderPath& out) {
    if (path.empty() || path.size() > kvr::ui::kMaxFolderPathLength || path.find('\0') != std::string::npos) {
        return false;
    }
    char full[MAX_PATH] = {};
    const DWORD n = GetFullPathNameA(path.c_str(), MAX_PATH, full, nullptr);
    if (n == 0 || n >= MAX_PATH) return false;
    FolderPath folder;
    if (!kvr::ui::split_folder_path(full, folder)) return false;

    const UINT old_mode = SetErrorMode(SEM_FAILCRITICALERRORS);
    bool ok = is_directory(folder.root + "\\");
    std::string prefix = folder.root;
    for (std::string& name : folder.folders) {
        if (!ok) break;
        const std::string probe = prefix + "\\" + name;
        WIN32_FIND_DATAA found{};
        HANDLE h = FindFirstFileA(probe.c_str(), &found);
        if (h == INVALID_HANDLE_VALUE) {
            ok = false;
            break;
        }
        FindClose(h);
        ok = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        name = found.cFileName;
        prefix += "\\" + name;
    }
    SetErrorMode(old_mode);
    // The disk's spelling (a long name for a short one) may make the path too long.
    if (!ok || kvr::ui::folder_path_text(folder).size() > kvr::ui::kMaxFolderPathLength) return false;
    out = std::move(folder);
    return true;
}

// Names of the visible sub-folders that the ANSI file functions can reach.
bool list_subfolders(const FolderPath& folder, std::vector<std::string>& out) {
    const std::string text = kvr::ui::folder_path_text(folder);
    const std::string pattern = text.back() == '\\' ? text + "*" : text + "\\*";
    if (pattern.size() >= MAX_PATH) return false;
    const UINT old_mode = SetErrorMode(SEM_FAILCRITICALERRORS);
    WIN32_FIND_DATAA found{};
    HANDLE h = FindFirstFileA(pattern.c_str(), &found);
    const DWORD error = GetLastError();
    SetErrorMode(old_mode);
    if (h == INVALID_HANDLE_VALUE) return error == ERROR_FILE_NOT_FOUND || error == ERROR_NO_MORE_FILES;
    const std::size_t base_length = text.back() == '\\' ? text.size() : text.size() + 1;
    do {
        const char* name = found.cFileName;
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || (found.dwFileAttributes & FILE_ATTRIBUTE_HIDDEN)) {
            continue;
        }
        if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0) continue;
        // '?' stands for a character the ANSI code page lacks: such a folder cannot be opened.
        if (std::strchr(name, '?') != nullptr) continue;
        if (base_length + std::strlen(name) > kvr::ui::kMaxFolderPathLength) continue;
        out.emplace_back(name);
    } while (FindNextFileA(h, &found));
    FindClose(h);
    return true;
}

void fill_list(DirListState& s) {
    SendMessageA(s.list, WM_SETREDRAW, FALSE, 0);
    SendMessageA(s.list, LB_RESETCONTENT, 0, 0);
    for (const FolderLine& line : s.lines) {
        const LRESULT index = SendMessageA(s.list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.text.c_str()));
        if (index >= 0) SendMessageA(s.list, LB_SETITEMDATA, index, line.level);
    }
    SendMessageA(s.list, LB_SETCURSEL, s.current.folders.size(), 0);
    SendMessageA(s.list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(s.list, nullptr, TRUE);
}

bool show_folder(DirListState& s, const std::string& path) {
    FolderPath folder;
    std::vector<std::string> subfolders;
    if (!resolve_folder(path, folder) || !list_subfolders(folder, subfolders)) return false;
    try {
        std::vector<FolderLine> lines = kvr::ui::folder_tree_lines(folder, std::move(subfolders));
        s.current = std::move(folder);
        s.lines = std::move(lines);
    } catch (const std::bad_alloc&) {
        return false;
    }
    s.has_folder = true;
    fill_list(s);
    return true;
}

// The user's double-click or Enter on a line.
void open_line(DirListState& s, int index) {
    FolderPath target;
    if (!s.has_folder || !kvr::ui::folder_line_path(s.current, s.lines, index, target)) return;
    // A folder that has gone since it was listed: list the current folder afresh instead.
    if (!show_folder(s, kvr::ui::folder_path_text(target))) show_folder(s, kvr::ui::folder_path_text(s.current));
}

int line_height(HWND list, HFONT font) {
    HDC dc = GetDC(list);
    HGDIOBJ old = font ? SelectObject(dc, font) : nullptr;
    TEXTMETRICA tm{};
    GetTextMetricsA(dc, &tm);
    if (old) SelectObject(dc, old);
    ReleaseDC(list, dc);
    return std::max<int>(tm.tmHeight + 2, kGlyphHeight + 3);
}

// A folder in the classic look: yellow with a dark outline; an open one shows its front
// flap tipped forward.
void draw_folder_glyph(HDC dc, int x, int y, bool open) {
    HPEN pen = CreatePen(PS_SOLID, 1, RGB(128, 96, 0));
    HBRUSH back = CreateSolidBrush(open ? RGB(208, 160, 32) : RGB(255, 216, 80));
    HBRUSH front = CreateSolidBrush(RGB(255, 232, 128));
    HGDIOBJ old_pen = SelectObject(dc, pen);
    HGDIOBJ old_brush = SelectObject(dc, back);
    Rectangle(dc, x, y, x + 6, y + 3);                 // tab
    Rectangle(dc, x, y + 2, x + 13, y + kGlyphHeight);  // body
    if (open) {
        SelectObject(dc, front);
        const POINT flap[] = {{x + 3, y + 5}, {x + 15, y + 5}, {x + 12, y + kGlyphHeight - 1}, {x, y + kGlyphHeight - 1}};
        Polygon(dc, flap, 4);
    }
    SelectObject(dc, old_brush);
    SelectObject(dc, old_pen);
    DeleteObject(front);
    DeleteObject(back);
    DeleteObject(pen);
}

void draw_line(const DirListState& s, const DRAWITEMSTRUCT& item) {
    HDC dc = item.hDC;
    const RECT& rc = item.rcItem;
    if (item.itemID == static_cast<UINT>(-1) || item.itemID >= s.lines.size()) {
        if (item.itemState & ODS_FOCUS) DrawFocusRect(dc, &rc);
        return;
    }
    const FolderLine& line = s.lines[item.itemID];
    FillRect(dc, &rc, GetSysColorBrush(COLOR_WINDOW));
    const int height = rc.bottom - rc.top;
    const int x = rc.left + 2 + line.level * kIndentPerLevel;
    draw_folder_glyph(dc, x, rc.top + (height - kGlyphHeight) / 2, line.open);

    HGDIOBJ old_font = s.font ? SelectObject(dc, s.font) : nullptr;
    SIZE size{};
    GetTextExtentPoint32A(dc, line.text.c_str(), static_cast<int>(line.text.size()), &size);
    const int text_x = x + kGlyphWidth + kTextGap;
    const RECT text_rect{text_x - 2, rc.top, text_x + size.cx + 2, rc.bottom};
    const bool selected = (item.itemState & ODS_SELECTED) != 0;
    const bool disabled = !IsWindowEnabled(s.list);
    if (selected) FillRect(dc, &text_rect, GetSysColorBrush(COLOR_HIGHLIGHT));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(disabled ? COLOR_GRAYTEXT : selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
    TextOutA(dc, text_x, rc.top + (height - size.cy) / 2, line.text.c_str(), static_cast<int>(line.text.size()));
    if (item.itemState & ODS_FOCUS) DrawFocusRect(dc, &text_rect);
    if (old_font) SelectObject(dc, old_font);
}

// Enter opens the line under the caret, also when the list sits in a dialog.
LRESULT CALLBACK list_key_proc(HWND list, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR) {
    switch (msg) {
    case WM_GETDLGCODE: {
        LRESULT code = DefSubclassProc(list, msg, wp, lp);
        const auto* m = reinterpret_cast<const MSG*>(lp);
        if (m != nullptr && m->message == WM_KEYDOWN && m->wParam == VK_RETURN) code |= DLGC_WANTMESSAGE;
        return code;
    }
    case WM_KEYDOWN:
        if (wp == VK_RETURN) {
            if (DirListState* s = dir_state(GetParent(list))) {
                open_line(*s, static_cast<int>(SendMessageA(list, LB_GETCURSEL, 0, 0)));
            }
            return 0;
        }
        break;
    case WM_CHAR:
        if (wp == '\r') return 0;  // no beep
        break;
    case WM_NCDESTROY:
        RemoveWindowSubclass(list, list_key_proc, 0);
        break;
    default:
        break;
    }
    return DefSubclassProc(list, msg, wp, lp);
}

LRESULT CALLBACK dir_list_proc(HWND frame, UINT msg, WPARAM wp, LPARAM lp) {
    DirListState* s = reinterpret_cast<DirListState*>(GetWindowLongPtrA(frame, GWLP_USERDATA));
    switch (msg) {
    case WM_NCCREATE: {
        auto* fresh = new (std::nothrow) DirListState;
        if (fresh == nullptr) return FALSE;
        SetWindowLongPtrA(frame, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(fresh));
        break;
    }
    case WM_NCDESTROY:
        delete s;
        SetWindowLongPtrA(frame, GWLP_USERDATA, 0);
        break;
    case WM_CREATE: {
        RECT rc{};
        GetClientRect(frame, &rc);
        s->list = CreateWindowExA(WS_EX_CLIENTEDGE, "ListBox", "",
                                  WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_TABSTOP | LBS_NOTIFY |
                                      LBS_OWNERDRAWFIXED | LBS_HASSTRINGS | LBS_NOINTEGRALHEIGHT,
                                  0, 0, rc.right, rc.bottom, frame, reinterpret_cast<HMENU>(kListId),
                                  g_dir_class_instance, nullptr);
        if (s->list == nullptr || !SetWindowSubclass(s->list, list_key_proc, 0, 0)) return -1;
        return 0;
    }
    case WM_SIZE:
        if (s && s->list) MoveWindow(s->list, 0, 0, LOWORD(lp), HIWORD(lp), TRUE);
        return 0;
    case WM_SETFOCUS:
        if (s && s->list) SetFocus(s->list);
        return 0;
    case WM_ENABLE:
        if (s && s->list) EnableWindow(s->list, static_cast<BOOL>(wp));
        return 0;
    case WM_SETFONT:
        if (s && s->list) {
            s->font = reinterpret_cast<HFONT>(wp);
            SendMessageA(s->list, WM_SETFONT, wp, lp);
            SendMessageA(s->list, LB_SETITEMHEIGHT, 0, line_height(s->list, s->font));
        }
        return 0;
    case WM_GETFONT:
        return reinterpret_cast<LRESULT>(s ? s->font : nullptr);
    case WM_MEASUREITEM: {
        auto* m = reinterpret_cast<MEASUREITEMSTRUCT*>(lp);
        // Sent while the list box is being made, before CreateWindowEx has returned its handle.
        HWND list = GetDlgItem(frame, static_cast<int>(kListId));
        m->itemHeight = static_cast<UINT>(line_height(list ? list : frame, s ? s->font : nullptr));
        return TRUE;
    }
    case WM_DRAWITEM:
        if (s) draw_line(*s, *reinterpret_cast<const DRAWITEMSTRUCT*>(lp));
        return TRUE;
    case WM_COMMAND:
        if (s && reinterpret_cast<HWND>(lp) == s->list && HIWORD(wp) == LBN_DBLCLK) {
            open_line(*s, static_cast<int>(SendMessageA(s->list, LB_GETCURSEL, 0, 0)));
        }
        return 0;
    default:
        break;
    }
    return DefWindowProcA(frame, msg, wp, lp);
}

bool register_dir_list_class() {
    if (g_dir_class_instance != nullptr) return true;
    const HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = dir_list_proc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = kDirListClassName;
    if (RegisterClassExA(&wc) == 0 && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return false;
    g_dir_class_instance = instance;
    return true;
}

}  // namespace

HWND CreateDriveList(HWND parent, int id, int left, int top, int width, int height) {
    HWND combo = CreateWindowExA(0, "ComboBox", "", WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST,
                                 left, top, width, height + kDropDownHeight, parent,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleA(nullptr), nullptr);
    if (combo != nullptr) fill_drive_list(combo);
    return combo;
}

std::string DriveList_GetDrive(HWND list) {
    const LRESULT index = SendMessageA(list, CB_GETCURSEL, 0, 0);
    if (index == CB_ERR) return {};
    const LRESULT letter = SendMessageA(list, CB_GETITEMDATA, index, 0);
    if (letter < 'a' || letter > 'z') return {};
    return std::string{static_cast<char>(letter), ':'};
}

HWND CreateDirList(HWND parent, int id, int left, int top, int width, int height) {
    if (!register_dir_list_class()) return nullptr;
    HWND frame = CreateWindowExA(WS_EX_CONTROLPARENT, kDirListClassName, "", WS_CHILD | WS_VISIBLE, left, top, width,
                                 height, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                 g_dir_class_instance, nullptr);
    if (frame == nullptr) return nullptr;
    char cwd[MAX_PATH] = {};
    const DWORD n = GetCurrentDirectoryA(MAX_PATH, cwd);
    if (n > 0 && n < MAX_PATH) DirList_SetPath(frame, cwd);
    return frame;
}

bool DirList_SetPath(HWND list, const std::string& path) {
    DirListState* s = dir_state(list);
    return s != nullptr && show_folder(*s, path);
}

std::string DirList_GetPath(HWND list) {
    const DirListState* s = dir_state(list);
    if (s == nullptr || !s->has_folder) return {};
    return kvr::ui::folder_path_text(s->current);
}
