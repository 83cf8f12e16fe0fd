// `img_pcxfile`: the tile picture control. Shows one PCX picture at its top left corner,
// enlarged by a percentage, on a white background, and reports mouse buttons to its parent.
#pragma once

#include <windows.h>

#include <string>

inline constexpr char kPictureBoxClassName[] = "KvrPictureBox";

// Window class of the tile picture control; registered once per process (a second call
// with the class already there succeeds).
bool RegisterPictureBoxClass(HINSTANCE instance);

// A hidden child window with a white background and no picture; registers the class with
// the program's instance if that has not happened yet.
HWND CreatePictureBox(HWND parent, int id, int left, int top, int width, int height);

// Loads a PCX file by path; on a missing or undecodable file returns false and keeps the old
// picture. No message box of its own. `reason` (optional) says why. The picture is shown at
// the scale last set.
bool PictureBox_LoadFile(HWND box, const char* path, std::string* reason = nullptr);

// Shows the picture at `percent` (200 → one picture pixel covers 2×2 screen pixels).
// Values outside 1..1600 (and NaN) are ignored. The start value is 100.
void PictureBox_SetScale(HWND box, float percent);

// Mouse-button events go to the parent as WM_NOTIFY with this structure; code is
// PBN_MOUSEDOWN or PBN_MOUSEUP; button 1 left, 2 right, 4 middle; shift 1 Shift, 2 Ctrl,
// 4 Alt; x, y whole pixels from the control's top left (negative or beyond the control
// when a button is released outside it after being pressed inside).
struct PictureBoxMouse {
    NMHDR hdr;
    int button;
    int shift;
    int x;
    int y;
};
enum : UINT { PBN_MOUSEDOWN = 0x8001u, PBN_MOUSEUP = 0x8002u };

inline constexpr int kPictureButtonLeft = 1;
inline constexpr int kPictureButtonRight = 2;
inline constexpr int kPictureButtonMiddle = 4;
inline constexpr int kPictureShiftShift = 1;
inline constexpr int kPictureShiftCtrl = 2;
inline constexpr int kPictureShiftAlt = 4;
