// A library planted beside a setup file under the name of a system library (lz32.dll,
// comctl32.dll). It only records that it was loaded: one line with its own path,
// appended to the file named by KVR_PLANT_RECORD.
#include <windows.h>

extern "C" BOOL WINAPI PlantedLibraryMain(HINSTANCE self, DWORD reason, LPVOID) {
    if (reason != DLL_PROCESS_ATTACH) return TRUE;
    char record[MAX_PATH];
    char path[MAX_PATH];
    if (!GetEnvironmentVariableA("KVR_PLANT_RECORD", record, MAX_PATH)) return TRUE;
    const DWORD n = GetModuleFileNameA(self, path, MAX_PATH - 2);
    path[n] = '\r';
    path[n + 1] = '\n';
    HANDLE f = CreateFileA(record, FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS, 0, nullptr);
    if (f != INVALID_HANDLE_VALUE) {
        DWORD written;
        WriteFile(f, path, n + 2, &written, nullptr);
        CloseHandle(f);
    }
    return TRUE;
}
