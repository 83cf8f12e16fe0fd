// The mistake the loader avoids, for comparison: loads lz32.dll and comctl32.dll by bare
// name, which searches the program's own folder first.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    const bool lz = LoadLibraryA("lz32.dll") != nullptr;
    const bool controls = LoadLibraryA("comctl32.dll") != nullptr;
    return lz && controls ? 0 : 1;
}
