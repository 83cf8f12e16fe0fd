// `frm_main`, the editor's main window, and the editor's shared state: the object table,
// `FileLoaded` and the window's controls. One main window per run.
#pragma once

#include <windows.h>

#include <string>

#include "editor/data/object_table.h"

namespace kvr::ui {

inline constexpr char kProgramTitle[] = "KVR_ZPL";
inline constexpr char kMainWindowCaption[] = "KVR Default Object Editor";
inline constexpr char kMainWindowClass[] = "KvrMainWindow";
inline constexpr int kClientWidth = 785;
inline constexpr int kClientHeight = 527;

// Control IDs of frm_main.
enum MainControl : int {
    IDC_IMG_PCXFILE = 100,
    IDC_CMD_LOAD,
    IDC_CMD_SAVE,
    IDC_LABEL6,
    IDC_DIR_PCX,
    IDC_DRV_PCX,
    IDC_CMD_EXIT,
    IDC_CBO_TILE,
    IDC_LABEL1,
    IDC_TXT_CURROBJECT,
    IDC_UPD_CURROBJECT,
    IDC_CHK_INUSE,
    IDC_LABEL2,
    IDC_CBO_OBJECTTYPE,
    IDC_LABEL3,
    IDC_TXT_X,
    IDC_UPD_X,
    IDC_LABEL4,
    IDC_TXT_Y,
    IDC_UPD_Y,
    IDC_CMD_REPLACE,
    IDC_LABEL5,
    IDC_TXT_ORIENTATION,
    IDC_UPD_ORIENTATION,
    IDC_LABEL7,
    IDC_OBJECTSEL = 200,
    IDC_OBJECTUNSEL = 201,
    IDC_OBJECT0 = 300,  // object(i) is IDC_OBJECT0 + i, i = 0..63
};

struct MainWindowOptions {
    // Folder that holds "pcxdir.txt"; empty: the folder of the program itself.
    std::string program_folder;
};

// Creates frm_main with every control in its start-up state and runs start-up (the
// remembered picture folder). The window is not shown yet. Null on failure or when a main
// window exists already.
HWND CreateMainWindow(HINSTANCE instance, const MainWindowOptions& options = {});
HWND MainWindow();

// For the message loop: access keys and tabbing between controls. True when the message
// was handled and must not be dispatched.
bool HandleMainWindowMessage(MSG& message);

// The shared module.
ObjectTable& EditorTable();
bool EditorFileLoaded();
int EditorPreviousSelection();

// Reads `path` into the table and shows tile 0, object 0 (the Load command after its
// dialog). A file that cannot be read is reported in a message box and changes nothing;
// false then.
bool Load_File(const std::string& path);

// `KVR_ZPL.exe FILE`: loads FILE as if it had been chosen in the Load dialog (the dialog
// then starts with that name).
bool Load_Chosen_File(const std::string& path);

// The folder of the running program (no trailing backslash).
std::string ProgramFolder();

}  // namespace kvr::ui
