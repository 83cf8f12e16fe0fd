// The setup loader's entry point and main sequence: unpack the package into a working
// folder, start the setup program from there, wait for it and remove the folder.
#include "setup_loader/loader_win.h"

#include "decomp32/call_guard_win.h"
#include "decomp32/decomp32_api.h"
#include "setup_loader/bounded_text.h"
#include "setup_loader/command_line.h"

char TempFolder[kPathCapacity];
HWND DialogWindow;
volatile bool CancelRequested;
volatile bool QuitRequested;
HMODULE LibraryModule;
HANDLE CopySource;
HANDLE CopyTarget;

namespace {

constexpr int kProgressDialogId = 100;
constexpr DWORD kWaitPollMs = 2000;
const char kCallError[] = "Could not call decompression functions!";
const char kExecError[] = "Could not execute main program!";

// Three quoted paths plus the loader's own arguments, each quoted again: at most about
// twice the longest command line the system hands a process.
char SetupCommandLine[3 * kPathCapacity + 2 * 32768 + 16];

struct ExtractCall {
    decomp::ExtractAllFn extract_all;
    const char* package_path;
};

// A plain function between the guard and the library: nothing here needs unwinding.
void CallExtractAll(void* argument) {
    const ExtractCall* call = static_cast<const ExtractCall*>(argument);
    call->extract_all(call->package_path, decomp::kPackageKey, TempFolder, ProgressCallback, DiskCallback);
}

void UnloadLibrary() {
    FreeLibrary(LibraryModule);
    LibraryModule = nullptr;
}

// Unpacks the package through the library's "ExtractAll".
void UnpackPackage() {
    char library_path[kPathCapacity];
    char package_path[kPathCapacity];
    if (!WorkingPath("\\decomp32.dll", library_path) || !WorkingPath("\\data.lib", package_path))
        FatalError(kCallError);
    LibraryModule = LoadLibraryA(library_path);
    if (!LibraryModule) FatalError(kCallError);
    ExtractCall call{reinterpret_cast<decomp::ExtractAllFn>(
                         reinterpret_cast<void*>(GetProcAddress(LibraryModule, "ExtractAll"))),
                     package_path};
    if (!call.extract_all) {
        UnloadLibrary();
        FatalError(kCallError);
    }
    const bool returned = GuardedCall(CallExtractAll, &call, nullptr, 0);
    UnloadLibrary();
    if (QuitRequested) QuitQuietly();
    if (!returned) FatalError(kCallError);
    DeleteFileA(package_path);
}

// Polls until the setup program's file can be deleted, which it can only once the program
// has ended.
void WaitForSetupProgram(const char* setup_path) {
    for (;;) {
        PumpMessages();
        Sleep(kWaitPollMs);
        if (DeleteFileA(setup_path)) return;
        // Gone some other way: there is nothing left to wait for.
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return;
    }
}

}  // namespace

void FatalError(const char* message) {
    MessageBoxA(nullptr, message, "Error during setup initialization", MB_OK | MB_ICONSTOP);
    CleanupAndExit();
}

void RunSetup() {
    CreateWorkingFolder();

    char module_path[kPathCapacity];
    const DWORD n = GetModuleFileNameA(nullptr, module_path, kPathCapacity);
    if (n == 0 || n >= kPathCapacity) module_path[0] = '\0';
    char loader_directory_storage[kPathCapacity];
    TextBuffer loader_directory = TextOn(loader_directory_storage, sizeof loader_directory_storage);
    LoaderDirectoryOf(module_path, loader_directory);

    ExtractFiles();
    UnpackPackage();

    // The dialog is gone before the setup program appears.
    EndDialog(DialogWindow, 0);
    DestroyWindow(DialogWindow);

    char setup_path[kPathCapacity];
    TextBuffer line = TextOn(SetupCommandLine, sizeof SetupCommandLine);
    if (!WorkingPath("\\Setup.bin", setup_path) ||
        !BuildSetupCommandLine(TempFolder, loader_directory.data, GetCommandLineA(), line))
        FatalError(kExecError);
    if (WinExec(line.data, SW_HIDE) <= 31) FatalError(kExecError);
    WaitForSetupProgram(setup_path);

    SetCurrentDirectoryA("C:\\");
    DeleteTree(TempFolder, true);
}

// The process starts here: there is no C runtime to start up.
extern "C" void LoaderEntry() {
    HardenLibrarySearch();
    typedef void(WINAPI * InitCommonControlsFn)();
    HMODULE controls = LoadSystemLibrary("comctl32.dll");
    auto init_controls = controls ? reinterpret_cast<InitCommonControlsFn>(reinterpret_cast<void*>(
                                        GetProcAddress(controls, "InitCommonControls")))
                                  : nullptr;
    if (init_controls) init_controls();  // registers "msctls_progress32"
    DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(kProgressDialogId), nullptr, DialogProc, 0);
    ExitProcess(0);
}
