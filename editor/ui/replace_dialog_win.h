// frm_replace, the Find & Replace dialog: changes or deletes every object of one type on
// the current tile or on all tiles. Modal over the main window; created on first use and
// afterwards only hidden, so its settings last from one opening to the next.
#pragma once

#include <windows.h>

#include "editor/data/object_table.h"

namespace kvr::ui {

struct ReplaceDialogData {
    HWND owner;            // the main window; disabled while the dialog is shown
    ObjectTable* table;    // changed in place by Replace All
    int current_tile;      // the tile selected in the main window's tile list
};

// Shows the dialog centred over `data.owner` and returns when it is hidden again (Replace
// All, Cancel, Esc or its close box). Does not redraw the owner afterwards.
void ShowReplaceDialog(ReplaceDialogData& data);

// The dialog window of this process, or null before its first opening (or after its
// owner was destroyed, which takes the owned dialog with it).
HWND ReplaceDialogWindow();

inline constexpr char kReplaceDialogClass[] = "KvrFindReplace";
inline constexpr char kReplaceDialogCaption[] = "Find & Replace";

// Control IDs. Replace All and Cancel carry IDOK and IDCANCEL so that Enter and Esc
// reach them through the dialog manager.
enum ReplaceDialogControl : int {
    kCboFind = 201,
    kCboReplace = 202,
    kCmdReplace = IDOK,
    kCmdCancel = IDCANCEL,
    kChkDelete = 203,
    kOptThisTile = 204,
    kOptAllTiles = 205,
};

}  // namespace kvr::ui
