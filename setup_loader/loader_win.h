// Program-wide state and routines of the setup loader, shared by its Win32 source files.
#pragma once

#include <windows.h>

#include <cstdint>

// Every path the loader builds fits the system's path limit, terminating zero included.
inline constexpr unsigned kPathCapacity = MAX_PATH;

// The working folder, without a trailing backslash; empty until it has been created.
extern char TempFolder[kPathCapacity];
extern HWND DialogWindow;
extern volatile bool CancelRequested;
// A quit message reached the dialog while the library was running: the run ends quietly as
// soon as the library has returned.
extern volatile bool QuitRequested;
// The library while it is loaded; null otherwise.
extern HMODULE LibraryModule;
// The two files of the package copy while it runs; INVALID_HANDLE_VALUE otherwise.
extern HANDLE CopySource;
extern HANDLE CopyTarget;

// system_dll_win.cpp
void HardenLibrarySearch();
HMODULE LoadSystemLibrary(const char* file_name);

// progress_dialog_win.cpp
INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
void PumpMessages();
void SetProgress(int position);

// working_folder_win.cpp
bool DirectoryExists(const char* path);
bool DeleteTree(const char* folder, bool remove_folder);
void CreateWorkingFolder();
bool WorkingPath(const char* name, char (&path)[kPathCapacity]);
void CloseCopyFiles();
[[noreturn]] void CleanupAndExit();
[[noreturn]] void QuitQuietly();

// extract_win.cpp
void ExtractFiles();
void __stdcall ProgressCallback(std::int32_t percent, std::int32_t reserved, std::int32_t* abort);
void __stdcall DiskCallback(std::uint8_t disk);

// loader_main_win.cpp
void RunSetup();
[[noreturn]] void FatalError(const char* message);
