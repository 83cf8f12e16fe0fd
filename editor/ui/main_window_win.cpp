#include "editor/ui/main_window_win.h"
#include "editor/ui/fonts_win.h"

#include <commctrl.h>

#include <algorithm>
#include <array>
#include <optional>
#include <string>
#include <vector>

#include "editor/data/kvr_file.h"
#include "editor/ui/box_value.h"
#include "editor/ui/control_events_win.h"
#include "editor/ui/data_file_io.h"
#include "editor/ui/file_dialog_win.h"
#include "editor/ui/folder_lists_win.h"
#include "editor/ui/marker_geometry.h"
#include "editor/ui/marker_win.h"
#include "editor/ui/pcxdir_file.h"
#include "editor/ui/picture_box_win.h"
#include "editor/ui/replace_dialog_win.h"
#include "editor/ui/save_file_win.h"
#include "editor/ui/vocabularies.h"

namespace kvr::ui {

namespace {

// Places of the two holders; objectSEL's is also the parking place of markers kept out of
// sight (below the 527-pixel client area).
constexpr MarkerPlace kObjectSelPlace = {8, 736};
constexpr MarkerPlace kObjectUnselPlace = {24, 736};

const char kFileFilter[] = "KVR_ZPL.DAT|kvr_zpl*.dat";

// Everything the editor keeps for the whole run.
struct Editor {
    HWND frm_main = nullptr;
    HWND img_pcxfile = nullptr;
    HWND cmd_load = nullptr, cmd_save = nullptr, cmd_exit = nullptr, cmd_replace = nullptr;
    HWND dir_pcx = nullptr, drv_pcx = nullptr;
    HWND cbo_tile = nullptr, cbo_objecttype = nullptr;
    HWND txt_currobject = nullptr, upd_currobject = nullptr;
    HWND chk_inuse = nullptr;
    HWND txt_x = nullptr, upd_x = nullptr, txt_y = nullptr, upd_y = nullptr;
    HWND txt_orientation = nullptr, upd_orientation = nullptr;
    std::array<HWND, kSlotCount> object{};
    HWND objectSEL = nullptr, objectUNSEL = nullptr;
    HFONT font = nullptr, bold_font = nullptr;

    ObjectTable table;
    bool file_loaded = false;
    short previous_selection = 0;
    // The text each of txt_x, txt_y and txt_orientation held when it last read as a number;
    // text that is no number is replaced by it.
    std::array<std::string, 3> last_valid_text = {"0", "0", "0"};
    std::string program_folder;
    std::string cmdiag_file_name = "KVR_ZPL.dat";  // the dialog starts with the last name chosen
};

Editor* g_editor = nullptr;

Editor& ed() { return *g_editor; }

// --- small helpers ---------------------------------------------------------------------

int current_tile() { return GetListSelection(ed().cbo_tile); }
int current_object() { return GetSpinValue(ed().upd_currobject); }

MarkerPlace picture_place() {
    RECT r;
    GetWindowRect(ed().img_pcxfile, &r);
    MapWindowPoints(HWND_DESKTOP, ed().frm_main, reinterpret_cast<POINT*>(&r), 2);
    return {static_cast<float>(r.left), static_cast<float>(r.top)};
}

MarkerPlace parking_place() { return Marker_GetPlace(ed().objectSEL); }

void show_error(const std::string& text) {
    MessageBoxA(ed().frm_main, text.c_str(), kProgramTitle, MB_OK | MB_ICONSTOP);
}

std::string folder_with(const std::string& folder, const char* name) {
    if (!folder.empty() && (folder.back() == '\\' || folder.back() == '/')) return folder + name;
    return folder + "\\" + name;
}

FileDialogRequest cmdiag_request(FileDialogKind kind, const char* title) {
    FileDialogRequest request;
    request.kind = kind;
    request.title = title;
    request.filter = kFileFilter;
    request.file_name = ed().cmdiag_file_name;
    request.default_extension = "dat";
    return request;
}

std::string ask_cmdiag(FileDialogKind kind, const char* title) {
    const std::string name = AskFileName(ed().frm_main, cmdiag_request(kind, title));
    if (!name.empty()) ed().cmdiag_file_name = name;
    return name;
}

// --- the display routines ----------------------------------------------------------------

void Place_Markers(int tile);
void Show_Object(int tile, int slot);

// True when the markers already head the stacking order, object(63) on top and each one
// above the one before it: the order that bringing them to the front one by one gives.
bool markers_stacked_in_order() {
    const Editor& e = ed();
    HWND expected = GetWindow(e.frm_main, GW_CHILD);
    for (int i = kSlotCount - 1; i >= 0; --i) {
        if (expected != e.object[static_cast<size_t>(i)]) return false;
        expected = GetWindow(expected, GW_HWNDNEXT);
    }
    return true;
}

void Place_Markers(int tile) {
    Editor& e = ed();
    const MarkerPlace picture = picture_place();
    const MarkerPlace park = parking_place();
    // Restacking a window costs far more than moving it; once the markers are in order,
    // bringing each to the front again would change nothing.
    const bool restack = !markers_stacked_in_order();
    for (int i = 0; i < kSlotCount; ++i) {
        const ObjectRecord& r = e.table.object(tile, i);
        // Parked first, then placed when in use; above the picture and the markers before it.
        const MarkerPlace place = r.in_use ? in_use_marker_place(picture.left, picture.top, r.x, r.y) : park;
        HWND marker = e.object[static_cast<size_t>(i)];
        if (restack) {
            Marker_SetPlaceOnTop(marker, place);
        } else {
            Marker_SetPlace(marker, place);
        }
    }
    HWND current = e.object[static_cast<size_t>(current_object())];
    Marker_SetPlace(current, shifted(Marker_GetPlace(current), -kSelectedShift));
    Marker_SetPicture(current, true);
}

// In-use click: the in-use box decides the flag, the seven editing controls and whether
// the marker is in sight.
void On_InUseClick() {
    Editor& e = ed();
    const int t = current_tile();
    const int k = current_object();
    if (t < 0) return;
    ObjectRecord& r = e.table.object(t, k);
    const bool checked = IsChecked(e.chk_inuse);
    r.in_use = checked;
    for (HWND control : {e.cbo_objecttype, e.txt_x, e.upd_x, e.txt_y, e.upd_y, e.txt_orientation,
                         e.upd_orientation}) {
        EnableWindow(control, checked);
    }
    HWND marker = e.object[static_cast<size_t>(k)];
    if (checked) {
        const MarkerPlace picture = picture_place();
        Marker_SetPlace(marker, in_use_marker_place(picture.left, picture.top, r.x, r.y));
    } else {
        Marker_SetPlace(marker, parking_place());
    }
}

void Show_Object(int tile, int slot) {
    Editor& e = ed();
    SetListSelection(e.cbo_tile, tile);
    SetChecked(e.chk_inuse, e.table.object(tile, slot).in_use);
    On_InUseClick();
    // A type beyond the list (written by another program) shows no entry and stays stored.
    const int type = e.table.object(tile, slot).type;
    SetListSelection(e.cbo_objecttype, type < kObjectTypeCount ? type : -1);
    const int x = e.table.object(tile, slot).x;
    SetControlText(e.txt_x, std::to_string(x));
    SetSpinValue(e.upd_x, x);
    const int y = e.table.object(tile, slot).y;
    SetControlText(e.txt_y, std::to_string(y));
    SetSpinValue(e.upd_y, y);
    const int orientation = e.table.object(tile, slot).orientation;
    SetControlText(e.txt_orientation, std::to_string(orientation));
    SetSpinValue(e.upd_orientation, orientation);
}

// --- control events ------------------------------------------------------------------------

// Selection change: the value of upd_currobject changed.
void On_SelectionChange() {
    Editor& e = ed();
    const int t = current_tile();
    const int k = current_object();
    if (t < 0) return;
    Show_Object(t, k);
    HWND previous = e.object[static_cast<size_t>(e.previous_selection)];
    Marker_SetPlace(previous, shifted(Marker_GetPlace(previous), kSelectedShift));
    Marker_SetPicture(previous, false);
    HWND current = e.object[static_cast<size_t>(k)];
    Marker_SetPlace(current, shifted(Marker_GetPlace(current), -kSelectedShift));
    Marker_SetPicture(current, true);
    const IndicatorPixel end = indicator_end_rounded(static_cast<std::uint8_t>(GetSpinValue(e.upd_orientation)));
    Marker_DrawIndicator(current, {static_cast<double>(end.x), static_cast<double>(end.y)});
    e.previous_selection = static_cast<short>(k);
}

// Tile choice: a different entry of cbo_tile was picked or selected.
void On_TileChoice() {
    Editor& e = ed();
    const int t = current_tile();
    if (t < 0) return;
    const std::string file_name = tile_picture_file_name(t);
    const std::string path = tile_picture_path(DirList_GetPath(e.dir_pcx), t);
    if (!PictureBox_LoadFile(e.img_pcxfile, path.c_str())) {
        show_error("Unable to find " + trim_blanks(file_name) +
                   " at the current path.  Please check PCX File Path and try again.");
        return;
    }
    PictureBox_SetScale(e.img_pcxfile, 200.0f);
    SetControlText(e.txt_currobject, "0");
    SetSpinValue(e.upd_currobject, 0);
    Show_Object(t, 0);
    Place_Markers(t);
}

// Type choice: the selected entry of cbo_objecttype is the type code.
void On_TypeChoice() {
    const int t = current_tile();
    const int type = GetListSelection(ed().cbo_objecttype);
    if (t < 0 || type < 0) return;
    ed().table.object(t, current_object()).type = static_cast<std::uint8_t>(type);
}

void On_MarkerRightClick(int slot) { SetSpinValue(ed().upd_currobject, slot); }

// --- position and orientation ---------------------------------------------------------------

enum class Field { X, Y, Orientation };

// The decimal separator of the user's regional number format, read afresh each time so that
// a change of the settings applies at once.
std::string user_decimal_separator() {
    char separator[8] = {};
    if (GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, separator, sizeof separator) <= 1) return ".";
    return separator;
}

std::optional<double> value_of_box(HWND box) { return box_value(GetControlText(box), user_decimal_separator()); }

HWND box_of(Field f) { return f == Field::X ? ed().txt_x : f == Field::Y ? ed().txt_y : ed().txt_orientation; }
HWND spin_of(Field f) { return f == Field::X ? ed().upd_x : f == Field::Y ? ed().upd_y : ed().upd_orientation; }

std::uint8_t& field_of(ObjectRecord& r, Field f) {
    return f == Field::X ? r.x : f == Field::Y ? r.y : r.orientation;
}

// The current object's marker follows an edited x (its left) or y (its top): P + 2v - 3.
// The marker of an object not in use stays parked: Show_Object fills the boxes of an empty
// slot too, and moving its marker would leave a red dot over the picture where no object is.
// (A click on the picture still brings it into sight, by its own rule.)
void move_current_marker(Field f, double v) {
    if (f == Field::Orientation) return;
    const int t = current_tile();
    if (t < 0 || !ed().table.object(t, current_object()).in_use) return;
    HWND marker = ed().object[static_cast<size_t>(current_object())];
    const MarkerPlace picture = picture_place();
    MarkerPlace place = Marker_GetPlace(marker);
    if (f == Field::X) {
        place.left = picture.left + static_cast<float>(kPixelsPerUnit * v) - 3.0f;
    } else {
        place.top = picture.top + static_cast<float>(kPixelsPerUnit * v) - 3.0f;
    }
    Marker_SetPlace(marker, place);
}

// Box change: the text of txt_x, txt_y or txt_orientation changed, typed or set. Every
// correction of the text runs this handler again, to its end, before this run goes on.
void On_BoxChange(Field f) {
    const int t = current_tile();
    if (t < 0) return;
    HWND box = box_of(f);
    std::string& last_valid = ed().last_valid_text[static_cast<size_t>(f)];
    if (GetControlText(box).empty()) SetControlText(box, "0");
    std::optional<double> value = value_of_box(box);
    if (!value) {
        // Not a number (letters, a lone minus sign): the box gets back the text it held when
        // it last read as a number, caret at its end, and that text's own run stores it.
        SetControlText(box, last_valid);
        const auto end = static_cast<WPARAM>(GetWindowTextLengthA(box));
        SendMessageA(box, EM_SETSEL, end, static_cast<LPARAM>(end));
        return;
    }
    if (*value > 255) SetControlText(box, "255");
    value = value_of_box(box);
    if (value && *value < 0) SetControlText(box, "0");
    value = value_of_box(box);
    if (!value) return;
    last_valid = GetControlText(box);
    field_of(ed().table.object(t, current_object()), f) = stored_byte(*value);
    move_current_marker(f, *value);
}

// Spinner change of upd_x, upd_y or upd_orientation. The spinner writes its value into its
// box first (which runs the box's handler), then stores and moves or redraws.
void On_SpinChange(Field f) {
    const int value = GetSpinValue(spin_of(f));
    SetControlText(box_of(f), std::to_string(value));
    const int t = current_tile();
    if (t < 0) return;
    ObjectRecord& r = ed().table.object(t, current_object());
    if (f == Field::X) {
        r.x = static_cast<std::uint8_t>(value);
        move_current_marker(f, value);
        return;
    }
    const std::optional<double> shown = value_of_box(box_of(f));
    if (!shown) return;
    field_of(r, f) = stored_byte(*shown);
    if (f == Field::Y) {
        move_current_marker(f, *shown);
        return;
    }
    HWND marker = ed().object[static_cast<size_t>(current_object())];
    Marker_ClearDrawing(marker);
    Marker_DrawIndicator(marker, indicator_end(static_cast<std::uint8_t>(value)));
}

// Picture click: the left button pressed on the tile picture puts the current object there.
// It does not look at the in-use box.
void On_PictureClick(const PictureBoxMouse& mouse) {
    Editor& e = ed();
    const int t = current_tile();
    if (t < 0 || mouse.button != kPictureButtonLeft) return;
    // A position off the 512 x 512 picture is taken to its nearest edge pixel, so the halves
    // stay bytes and the marker stays over the picture where they say.
    const int click_x = std::clamp(mouse.x, 0, 2 * 255 + 1);
    const int click_y = std::clamp(mouse.y, 0, 2 * 255 + 1);
    const int x = click_x / 2;
    const int y = click_y / 2;
    SetControlText(e.txt_x, std::to_string(x));
    SetSpinValue(e.upd_x, x);
    SetControlText(e.txt_y, std::to_string(y));
    SetSpinValue(e.upd_y, y);
    ObjectRecord& r = e.table.object(t, current_object());
    r.x = static_cast<std::uint8_t>(x);
    r.y = static_cast<std::uint8_t>(y);
    const MarkerPlace picture = picture_place();
    Marker_SetPlace(e.object[static_cast<size_t>(current_object())],
                    {picture.left + static_cast<float>(click_x) - 3.0f, picture.top + static_cast<float>(click_y) - 3.0f});
}

// The spinner of the current object: its value goes into its box, then the selection follows.
void On_CurrentObjectSpin() {
    SetControlText(ed().txt_currobject, std::to_string(current_object()));
    On_SelectionChange();
}

enum class SaveOutcome { Cancelled, Failed, Saved };

SaveOutcome Save_Command() {
    Editor& e = ed();
    const std::string name = ask_cmdiag(FileDialogKind::Save, "Save As");
    if (name.empty()) return SaveOutcome::Cancelled;
    // Built from a copy: a failed save leaves even the counts of the table as they were.
    ObjectTable packed = e.table;
    const std::vector<std::uint8_t> image = build_save_image(packed);
    std::string reason;
    if (!WriteDataFileSafely(name, image.data(), reason)) {
        show_error("Unable to save " + name + ".  " + reason + "  The file was not changed.");
        return SaveOutcome::Failed;
    }
    Load_File(name);
    return SaveOutcome::Saved;
}

void Load_Command() {
    if (ed().file_loaded) {
        const int answer = MessageBoxA(ed().frm_main, "Do you wish to save this file?", kProgramTitle,
                                       MB_YESNOCANCEL | MB_ICONSTOP | MB_DEFBUTTON1);
        if (answer == IDCANCEL) return;
        // A failed save stops here, so the edits it was meant to keep are not loaded over.
        if (answer == IDYES && Save_Command() == SaveOutcome::Failed) return;
    }
    const std::string name = ask_cmdiag(FileDialogKind::Open, "Load File");
    if (name.empty()) return;
    Load_File(name);
}

void Exit_Command() {
    write_pcxdir_file(folder_with(ed().program_folder, kPcxDirFileName), DirList_GetPath(ed().dir_pcx));
    DestroyWindow(ed().frm_main);
}

// The Find & Replace dialog changes the table in place and redraws nothing here.
void Replace_Command() {
    ReplaceDialogData data{ed().frm_main, &ed().table, current_tile()};
    ShowReplaceDialog(data);
}

// Start-up: the remembered picture folder, else the root of the drive list's drive.
void Start_Up() {
    Editor& e = ed();
    const auto folder = read_pcxdir_file(folder_with(e.program_folder, kPcxDirFileName));
    if (folder && DirList_SetPath(e.dir_pcx, *folder)) return;
    DirList_SetPath(e.dir_pcx, DriveList_GetDrive(e.drv_pcx) + "\\");
}

// --- the window ---------------------------------------------------------------------------------

void on_command(WORD id, WORD code) {
    if (id >= IDC_OBJECT0 && id < IDC_OBJECT0 + kSlotCount) {
        if (code == MKN_RBUTTONUP) On_MarkerRightClick(id - IDC_OBJECT0);
        return;
    }
    switch (id) {
    case IDC_CMD_LOAD:
        if (code == BN_CLICKED) Load_Command();
        break;
    case IDC_CMD_SAVE:
        if (code == BN_CLICKED) Save_Command();
        break;
    case IDC_CMD_EXIT:
        if (code == BN_CLICKED) Exit_Command();
        break;
    case IDC_CMD_REPLACE:
        if (code == BN_CLICKED) Replace_Command();
        break;
    case IDC_CBO_TILE:
        if (code == CBN_SELCHANGE) On_TileChoice();
        break;
    case IDC_CBO_OBJECTTYPE:
        if (code == CBN_SELCHANGE) On_TypeChoice();
        break;
    case IDC_CHK_INUSE:
        if (code == BN_CLICKED) On_InUseClick();
        break;
    case IDC_TXT_X:
        if (code == EN_CHANGE) On_BoxChange(Field::X);
        break;
    case IDC_TXT_Y:
        if (code == EN_CHANGE) On_BoxChange(Field::Y);
        break;
    case IDC_TXT_ORIENTATION:
        if (code == EN_CHANGE) On_BoxChange(Field::Orientation);
        break;
    }
}

void on_vscroll(HWND control, WORD code) {
    if (code != SB_THUMBPOSITION || !TakeSpinChange(control)) return;
    if (control == ed().upd_currobject) On_CurrentObjectSpin();
    if (control == ed().upd_x) On_SpinChange(Field::X);
    if (control == ed().upd_y) On_SpinChange(Field::Y);
    if (control == ed().upd_orientation) On_SpinChange(Field::Orientation);
}

// An arrow of upd_x, upd_y or upd_orientation steps from the value its box shows, which
// typing may have changed since the spinner last moved; otherwise a step would jump back to
// the spinner's old value. True: the step is taken here and the spinner's own is cancelled.
bool step_from_box(HWND spin, const NMUPDOWN& step) {
    for (Field f : {Field::X, Field::Y, Field::Orientation}) {
        if (spin != spin_of(f)) continue;
        const std::optional<double> shown = value_of_box(box_of(f));
        if (!shown || stored_byte(*shown) == step.iPos) return false;
        SetSpinValue(spin, stored_byte(*shown) + step.iDelta);
        return true;
    }
    return false;
}

LRESULT on_notify(const NMHDR& header, LPARAM lparam) {
    if (header.idFrom == IDC_IMG_PCXFILE && header.code == PBN_MOUSEDOWN) {
        On_PictureClick(*reinterpret_cast<const PictureBoxMouse*>(lparam));
    }
    if (header.code == UDN_DELTAPOS && ed().file_loaded) {
        return step_from_box(header.hwndFrom, *reinterpret_cast<const NMUPDOWN*>(lparam)) ? TRUE : FALSE;
    }
    return 0;
}

LRESULT CALLBACK main_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (!g_editor || ed().frm_main != window) return DefWindowProcA(window, message, wparam, lparam);
    switch (message) {
    case WM_COMMAND:
        on_command(LOWORD(wparam), HIWORD(wparam));
        return 0;
    case WM_VSCROLL:
        on_vscroll(reinterpret_cast<HWND>(lparam), LOWORD(wparam));
        return 0;
    case WM_NOTIFY:
        return on_notify(*reinterpret_cast<const NMHDR*>(lparam), lparam);
    case WM_CLOSE:
        Exit_Command();  // the close box ends the program as the Exit button does
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    case WM_NCDESTROY: {
        DeleteObject(ed().font);
        DeleteObject(ed().bold_font);
        delete g_editor;
        g_editor = nullptr;
        break;
    }
    }
    return DefWindowProcA(window, message, wparam, lparam);
}

struct ControlSpec {
    int id;
    const char* window_class;
    const char* text;
    DWORD style;
    DWORD ex_style;
    int left, top, width, height;
    bool bold;
};

constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;
constexpr DWORD kEdit = kChild | WS_TABSTOP | WS_DISABLED | ES_AUTOHSCROLL;
constexpr DWORD kSpin = kChild | WS_DISABLED | UDS_ARROWKEYS | UDS_NOTHOUSANDS;
constexpr DWORD kList = kChild | WS_TABSTOP | WS_DISABLED | WS_VSCROLL | CBS_DROPDOWNLIST;
// Drop-down lists are created taller: the extra height is their open list.
constexpr int kDropHeight = 300;

const ControlSpec kControls[] = {
    {IDC_CMD_LOAD, "BUTTON", "&Load File", kChild | WS_TABSTOP | BS_PUSHBUTTON, 0, 528, 8, 121, 25, false},
    {IDC_CMD_SAVE, "BUTTON", "&Save File", kChild | WS_TABSTOP | WS_DISABLED | BS_PUSHBUTTON, 0, 656, 8, 121, 25,
     false},
    {IDC_LABEL6, "STATIC", "Location of Tiles as PCX Files:", kChild | SS_LEFT, 0, 528, 40, 193, 17, true},
    {IDC_CMD_EXIT, "BUTTON", "E&xit", kChild | WS_TABSTOP | BS_PUSHBUTTON, 0, 680, 144, 97, 25, false},
    {IDC_CBO_TILE, "COMBOBOX", "", kList, 0, 528, 176, 249, 21 + kDropHeight, false},
    {IDC_LABEL1, "STATIC", "Object #:", kChild | SS_LEFT, 0, 528, 216, 57, 17, true},
    {IDC_TXT_CURROBJECT, "EDIT", "0", kEdit | ES_READONLY, WS_EX_CLIENTEDGE, 600, 208, 40, 27, false},
    {IDC_UPD_CURROBJECT, UPDOWN_CLASSA, "", kSpin, 0, 640, 208, 17, 25, false},
    {IDC_CHK_INUSE, "BUTTON", "In Use:", kChild | WS_TABSTOP | WS_DISABLED | BS_AUTOCHECKBOX | BS_LEFTTEXT, 0, 664,
     208, 65, 25, true},
    {IDC_LABEL2, "STATIC", "Type:", kChild | SS_LEFT, 0, 528, 248, 57, 17, true},
    {IDC_CBO_OBJECTTYPE, "COMBOBOX", "", kList, 0, 600, 248, 153, 21 + kDropHeight, false},
    {IDC_LABEL3, "STATIC", "X:", kChild | SS_LEFT, 0, 528, 288, 16, 17, true},
    {IDC_TXT_X, "EDIT", "0", kEdit, WS_EX_CLIENTEDGE, 544, 280, 40, 27, false},
    {IDC_UPD_X, UPDOWN_CLASSA, "", kSpin, 0, 584, 280, 17, 25, false},
    {IDC_LABEL4, "STATIC", "Y:", kChild | SS_LEFT, 0, 608, 288, 17, 17, true},
    {IDC_TXT_Y, "EDIT", "0", kEdit, WS_EX_CLIENTEDGE, 624, 280, 40, 27, false},
    {IDC_UPD_Y, UPDOWN_CLASSA, "", kSpin, 0, 664, 280, 17, 25, false},
    {IDC_CMD_REPLACE, "BUTTON", "REPLACE", kChild | WS_TABSTOP | WS_DISABLED | BS_PUSHBUTTON, 0, 696, 280, 81, 25,
     true},
    {IDC_LABEL5, "STATIC", "Orientation (deg CCW from N-S):", kChild | SS_LEFT, 0, 528, 320, 193, 17, true},
    {IDC_TXT_ORIENTATION, "EDIT", "0", kEdit, WS_EX_CLIENTEDGE, 720, 312, 40, 27, false},
    {IDC_UPD_ORIENTATION, UPDOWN_CLASSA, "", kSpin, 0, 760, 312, 17, 25, false},
    {IDC_LABEL7, "STATIC", "KVR Tools", kChild | SS_LEFT, 0, 720, 504, 57, 17, false},
};

void set_font(HWND control, HFONT font) { SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE); }

HWND create_control(HINSTANCE instance, const ControlSpec& layout) {
    HWND control = CreateWindowExA(layout.ex_style, layout.window_class, layout.text, layout.style, layout.left, layout.top,
                                   layout.width, layout.height, ed().frm_main,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(layout.id)), instance, nullptr);
    if (!control) return nullptr;
    set_font(control, layout.bold ? ed().bold_font : ed().font);
    return control;
}

void fill_list(HWND list, const char* const* entries, size_t count) {
    for (size_t i = 0; i < count; ++i) SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entries[i]));
}

void attach_spin(HWND spin, HWND box, int high, const ControlSpec& layout) {
    SendMessageA(spin, UDM_SETBUDDY, reinterpret_cast<WPARAM>(box), 0);
    InitSpin(spin, 0, high, 0);
    // A new up-down takes its own width; the layout's comes from moving it afterwards.
    SetWindowPos(spin, nullptr, layout.left, layout.top, layout.width, layout.height, SWP_NOZORDER | SWP_NOACTIVATE);
}

bool create_controls(HINSTANCE instance) {
    Editor& e = ed();
    e.img_pcxfile = CreatePictureBox(e.frm_main, IDC_IMG_PCXFILE, 8, 8, 512, 512);
    if (!e.img_pcxfile) return false;
    // The markers lie above the picture: it must not paint over them.
    SetWindowLongA(e.img_pcxfile, GWL_STYLE, GetWindowLongA(e.img_pcxfile, GWL_STYLE) | WS_CLIPSIBLINGS);

    for (const ControlSpec& layout : kControls) {
        if (layout.id == IDC_CMD_EXIT) {
            // The folder lists sit between the label above them and the Exit button.
            e.dir_pcx = CreateDirList(e.frm_main, IDC_DIR_PCX, 528, 56, 249, 81);
            e.drv_pcx = CreateDriveList(e.frm_main, IDC_DRV_PCX, 528, 144, 145, 21);
            if (!e.dir_pcx || !e.drv_pcx) return false;
            set_font(e.dir_pcx, e.font);
            set_font(e.drv_pcx, e.font);
        }
        HWND control = create_control(instance, layout);
        if (!control) return false;
    }
    auto item = [&](int id) { return GetDlgItem(e.frm_main, id); };
    e.cmd_load = item(IDC_CMD_LOAD);
    e.cmd_save = item(IDC_CMD_SAVE);
    e.cmd_exit = item(IDC_CMD_EXIT);
    e.cmd_replace = item(IDC_CMD_REPLACE);
    e.cbo_tile = item(IDC_CBO_TILE);
    e.cbo_objecttype = item(IDC_CBO_OBJECTTYPE);
    e.txt_currobject = item(IDC_TXT_CURROBJECT);
    e.upd_currobject = item(IDC_UPD_CURROBJECT);
    e.chk_inuse = item(IDC_CHK_INUSE);
    e.txt_x = item(IDC_TXT_X);
    e.upd_x = item(IDC_UPD_X);
    e.txt_y = item(IDC_TXT_Y);
    e.upd_y = item(IDC_UPD_Y);
    e.txt_orientation = item(IDC_TXT_ORIENTATION);
    e.upd_orientation = item(IDC_UPD_ORIENTATION);

    fill_list(e.cbo_tile, TileNames.data(), TileNames.size());
    fill_list(e.cbo_objecttype, ObjectTypeNames.data(), ObjectTypeNames.size());
    for (const ControlSpec& layout : kControls) {
        if (layout.id == IDC_UPD_CURROBJECT) attach_spin(e.upd_currobject, e.txt_currobject, kSlotCount - 1, layout);
        if (layout.id == IDC_UPD_X) attach_spin(e.upd_x, e.txt_x, 255, layout);
        if (layout.id == IDC_UPD_Y) attach_spin(e.upd_y, e.txt_y, 255, layout);
        if (layout.id == IDC_UPD_ORIENTATION) attach_spin(e.upd_orientation, e.txt_orientation, 255, layout);
    }

    e.objectSEL = CreateMarker(e.frm_main, IDC_OBJECTSEL, kObjectSelPlace, true);
    e.objectUNSEL = CreateMarker(e.frm_main, IDC_OBJECTUNSEL, kObjectUnselPlace, false);
    if (!e.objectSEL || !e.objectUNSEL) return false;
    for (int i = 0; i < kSlotCount; ++i) {
        e.object[static_cast<size_t>(i)] = CreateMarker(e.frm_main, IDC_OBJECT0 + i, kObjectSelPlace, false);
        if (!e.object[static_cast<size_t>(i)]) return false;
    }
    return true;
}

}  // namespace

std::string ProgramFolder() {
    char path[MAX_PATH] = {};
    const DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path, n);
    const size_t cut = folder.find_last_of("\\/");
    return cut == std::string::npos ? std::string(".") : folder.substr(0, cut);
}

HWND CreateMainWindow(HINSTANCE instance, const MainWindowOptions& options) {
    if (g_editor) return nullptr;
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_UPDOWN_CLASS | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&icc);
    if (!RegisterMarkerClass(instance) || !RegisterPictureBoxClass(instance)) return nullptr;
    WNDCLASSA wc = {};
    if (!GetClassInfoA(instance, kMainWindowClass, &wc)) {
        wc.lpfnWndProc = main_proc;
        wc.hInstance = instance;
        wc.hIcon = LoadIcon(nullptr, IDI_APPLICATION);
        wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        wc.lpszClassName = kMainWindowClass;
        if (!RegisterClassA(&wc)) return nullptr;
    }

    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
    const DWORD ex_style = WS_EX_CONTROLPARENT;
    RECT frame = {0, 0, kClientWidth, kClientHeight};
    AdjustWindowRectEx(&frame, style, FALSE, ex_style);

    g_editor = new Editor;
    g_editor->program_folder = options.program_folder.empty() ? ProgramFolder() : options.program_folder;
    g_editor->font = CreateEditorFont(false);
    g_editor->bold_font = CreateEditorFont(true);
    HWND window = CreateWindowExA(ex_style, kMainWindowClass, kMainWindowCaption, style, CW_USEDEFAULT, CW_USEDEFAULT,
                                  frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr, instance,
                                  nullptr);
    if (!window) {
        DeleteObject(g_editor->font);
        DeleteObject(g_editor->bold_font);
        delete g_editor;
        g_editor = nullptr;
        return nullptr;
    }
    g_editor->frm_main = window;
    if (!create_controls(instance)) {
        DestroyWindow(window);
        return nullptr;
    }
    Start_Up();
    return window;
}

HWND MainWindow() { return g_editor ? g_editor->frm_main : nullptr; }

bool HandleMainWindowMessage(MSG& message) {
    return g_editor && IsDialogMessageA(g_editor->frm_main, &message);
}

ObjectTable& EditorTable() { return ed().table; }
bool EditorFileLoaded() { return ed().file_loaded; }
int EditorPreviousSelection() { return ed().previous_selection; }

bool Load_File(const std::string& path) {
    Editor& e = ed();
    ObjectTable loaded;
    std::string reason;
    if (!read_data_file(path, loaded, reason)) {
        show_error("Unable to load " + path + ".  " + reason);
        return false;
    }
    e.file_loaded = true;
    e.table = loaded;
    for (HWND control : {e.cbo_tile, e.txt_currobject, e.upd_currobject, e.cbo_objecttype, e.txt_x, e.upd_x,
                         e.txt_y, e.upd_y, e.txt_orientation, e.upd_orientation, e.cmd_save, e.chk_inuse}) {
        EnableWindow(control, TRUE);
    }
    ShowWindow(e.img_pcxfile, SW_SHOWNA);
    EnableWindow(e.cmd_replace, TRUE);
    // The current object goes back to slot 0 before anything is shown: Show_Object's chained
    // handlers write into the current object, which must be the slot being shown.
    SetControlText(e.txt_currobject, "0");
    SetSpinValue(e.upd_currobject, 0);
    Place_Markers(0);
    Show_Object(0, 0);
    SetControlText(e.txt_currobject, "0");
    SetSpinValue(e.upd_currobject, 0);
    return true;
}

bool Load_Chosen_File(const std::string& path) {
    ed().cmdiag_file_name = path;
    return Load_File(path);
}

}  // namespace kvr::ui
