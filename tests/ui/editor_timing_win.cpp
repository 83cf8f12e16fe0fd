// Times the editor's two heavy operations on the real window (not a test; run by
// scripts/time-editor.sh): a tile choice, from the list's selection to the last marker
// placed, and Load_File of a data file.
//   editor_timing DATA_FILE TILE_FOLDER [ROUNDS]
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "editor/ui/control_events_win.h"
#include "editor/ui/main_window_win.h"
#include "editor/ui/marker_win.h"
#include "editor/ui/picture_box_win.h"
#include "editor/ui/vocabularies.h"
#include "editor/ui/pcxdir_file.h"

using namespace kvr::ui;

namespace {

double now_ms() {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return 1000.0 * static_cast<double>(t.QuadPart) / static_cast<double>(frequency.QuadPart);
}

void pump() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

void report(const char* what, std::vector<double> ms) {
    std::sort(ms.begin(), ms.end());
    const double median = ms[ms.size() / 2];
    std::printf("%-44s n=%3zu  median %7.2f ms  min %7.2f ms  max %7.2f ms\n", what, ms.size(), median, ms.front(),
                ms.back());
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: editor_timing DATA_FILE TILE_FOLDER [ROUNDS]\n");
        return 2;
    }
    const std::string data = argv[1];
    const std::string tiles = argv[2];
    const int rounds = argc > 3 ? std::max(1, std::atoi(argv[3])) : 3;

    // pcxdir.txt goes into a folder of its own, so the program's own stays untouched.
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    const std::string folder = std::string(temp) + "kvr_editor_timing";
    CreateDirectoryA(folder.c_str(), nullptr);
    if (!write_pcxdir_file(folder + "\\" + kPcxDirFileName, tiles)) {
        std::fprintf(stderr, "cannot write %s\n", (folder + "\\pcxdir.txt").c_str());
        return 1;
    }
    HWND window = CreateMainWindow(GetModuleHandleA(nullptr), MainWindowOptions{folder});
    if (!window) return 1;
    ShowWindow(window, SW_SHOW);
    pump();

    std::vector<double> loads;
    for (int i = 0; i < rounds * 5; ++i) {
        const double start = now_ms();
        if (!Load_File(data)) return 1;
        loads.push_back(now_ms() - start);
        pump();
    }

    HWND list = GetDlgItem(window, IDC_CBO_TILE);
    std::vector<double> choices, painted;
    for (int round = 0; round < rounds; ++round) {
        for (int tile = 1; tile <= 59; ++tile) {
            const int t = tile % 59;  // tile 0 is selected after the load: start at 1, end at 0
            const double start = now_ms();
            // What the user's pick does: the list selects, then tells the window.
            SendMessageA(list, CB_SETCURSEL, static_cast<WPARAM>(t), 0);
            SendMessageA(window, WM_COMMAND, MAKEWPARAM(IDC_CBO_TILE, CBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
            const double placed = now_ms();
            RedrawWindow(window, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
            const double shown = now_ms();
            choices.push_back(placed - start);
            painted.push_back(shown - start);
            pump();
        }
    }
    // The parts of a tile choice on their own: the picture, and moving the 64 markers.
    HWND picture = GetDlgItem(window, IDC_IMG_PCXFILE);
    std::vector<double> pictures, moves;
    for (int round = 0; round < rounds; ++round) {
        for (int t = 0; t < 59; ++t) {
            const std::string path = tile_picture_path(tiles, t);
            const double start = now_ms();
            PictureBox_LoadFile(picture, path.c_str());
            PictureBox_SetScale(picture, 200.0f);
            pictures.push_back(now_ms() - start);
            const double plain = now_ms();
            for (int i = 0; i < 64; ++i) {
                HWND marker = GetDlgItem(window, IDC_OBJECT0 + i);
                Marker_SetPlace(marker, {static_cast<float>(300 - 4 * i), static_cast<float>(300 - 4 * t)});
            }
            moves.push_back(now_ms() - plain);
            pump();
        }
    }
    report("Load_File (303,260 bytes, tile 0 shown)", loads);
    report("tile choice, selection to last marker placed", choices);
    report("tile choice, including the repaint", painted);
    report("  of which: picture load and 200 % scale", pictures);
    report("  of which: 64 marker moves", moves);
    DestroyWindow(window);
    return 0;
}
