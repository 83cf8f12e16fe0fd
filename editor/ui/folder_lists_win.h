// `drv_pcx` and `dir_pcx`: the drive list and the directory list with which the user picks
// the folder of tile pictures.
#pragma once

#include <windows.h>

#include <string>

inline constexpr char kDirListClassName[] = "KvrDirList";

// A drop-down list of the machine's drives ("c:", "d:", ...), the current directory's drive
// selected (the first hard disk when the current directory is on a network path). Choosing a drive changes nothing
// else. `height` is the height of the closed list; the drop-down part comes below it.
HWND CreateDriveList(HWND parent, int id, int left, int top, int width, int height);

// The selected drive as a letter and a colon ("c:"); empty when the list has no entry.
std::string DriveList_GetDrive(HWND list);

// A list of the current folder's tree: every folder from the root down to the current one,
// then its sub-folders indented below it, sorted without regard to case. Double-click or
// Enter on a line opens that folder. Starts at the process's current directory. The window
// is a frame around a child list box (class "ListBox"), which takes the focus and the font.
HWND CreateDirList(HWND parent, int id, int left, int top, int width, int height);

// Shows `path`'s folder tree (the path's ancestors, the folder itself, its sub-folders); false and
// nothing changed when the path does not exist or cannot be listed. A relative path is taken
// from the process's current directory; names take their letter case from the disk.
bool DirList_SetPath(HWND list, const std::string& path);

// The current folder, no trailing backslash except at a root ("C:\"); empty while no folder
// could be shown.
std::string DirList_GetPath(HWND list);
