// The progress dialog: its procedure, the bar and the message pump that keeps it alive
// while the main sequence runs inside the start-up timer's callback.
#include "setup_loader/loader_win.h"

namespace {

constexpr UINT_PTR kStartupTimer = 111;
constexpr UINT kStartupDelayMs = 10;
constexpr int kProgressBarId = 123;
constexpr WPARAM kCancelCommand = 2;  // the Cancel button's id with notification code 0
constexpr UINT kSetPosition = 0x0402;  // PBM_SETPOS

void CALLBACK StartupTimerProc(HWND window, UINT, UINT_PTR timer, DWORD) {
    KillTimer(window, timer);  // one shot
    RunSetup();
}

}  // namespace

INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wparam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        DialogWindow = window;
        SetTimer(window, kStartupTimer, kStartupDelayMs, StartupTimerProc);
        return TRUE;
    case WM_COMMAND:
        if (wparam == kCancelCommand) {
            // The work behind the dialog stops at its next check of CancelRequested; what
            // it still holds open is deleted when it ends.
            CancelRequested = true;
            EndDialog(window, 0);
            SetCurrentDirectoryA("C:\\");
            DeleteTree(TempFolder, true);
        }
        return FALSE;
    case WM_QUIT:
        CancelRequested = true;
        QuitRequested = true;
        // While the library runs it holds the package and itself open; the run ends quietly
        // once it has stopped (RunSetup). Otherwise nothing holds the folder but our copy.
        if (!LibraryModule) QuitQuietly();
        return FALSE;
    default:
        return FALSE;
    }
}

void PumpMessages() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
}

void SetProgress(int position) {
    SendMessageA(GetDlgItem(DialogWindow, kProgressBarId), kSetPosition,
                 static_cast<WPARAM>(position), 0);
}
