// KVR_ZPL.exe: the editor's entry point.
#include <windows.h>

#include "editor/ui/command_line.h"
#include "editor/ui/main_window_win.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR command_line, int show) {
    HWND window = kvr::ui::CreateMainWindow(instance);
    if (!window) {
        MessageBoxA(nullptr, "The main window could not be created.", kvr::ui::kProgramTitle, MB_OK | MB_ICONSTOP);
        return 1;
    }
    ShowWindow(window, show);
    UpdateWindow(window);
    // `KVR_ZPL.exe FILE` loads FILE as if it had been chosen in the Load dialog.
    const std::string file = kvr::ui::first_argument(command_line ? command_line : "");
    if (!file.empty()) kvr::ui::Load_Chosen_File(file);

    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        if (kvr::ui::HandleMainWindowMessage(message)) continue;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return static_cast<int>(message.wParam);
}
