// Setting a control's text, value or selection from code runs that control's change
// handler at once, exactly as the user's own action would: the setter hands the parent the
// same notification the user's action produces, so one handler per control event serves
// both. Setting a value that the control already holds runs nothing.
//
//   edit      WM_SETTEXT          -> EN_CHANGE     (the edit control sends it itself)
//   combo     CB_SETCURSEL        -> CBN_SELCHANGE (sent here)
//   up-down   UDM_SETPOS32        -> WM_VSCROLL, SB_THUMBPOSITION (sent here)
//   check box BM_SETCHECK         -> BN_CLICKED    (sent here)
#pragma once

#include <windows.h>

#include <string>

namespace kvr::ui {

std::string GetControlText(HWND control);
// Runs the edit's EN_CHANGE handler when the text changes.
void SetControlText(HWND control, const std::string& text);

int GetListSelection(HWND combo);  // -1: no entry selected
// `index` -1 clears the selection. Runs the CBN_SELCHANGE handler when the selection changes.
void SetListSelection(HWND combo, int index);

// Sets range and value of a new spinner without reporting anything.
void InitSpin(HWND updown, int low, int high, int value);
int GetSpinValue(HWND updown);
// The value is kept inside the spinner's range first. Runs the WM_VSCROLL handler when the
// value changes.
void SetSpinValue(HWND updown, int value);
// For the parent's WM_VSCROLL handler: true when the spinner's value differs from the one it
// last reported (an up-down also reports a click that left its value at the range's end).
bool TakeSpinChange(HWND updown);

bool IsChecked(HWND check);
// Runs the BN_CLICKED handler when the state changes.
void SetChecked(HWND check, bool checked);

}  // namespace kvr::ui
