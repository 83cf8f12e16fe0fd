// A stand-in for decomp32.dll that the loader's tests pack into a test loader. Its
// "package" is a short script that says what ExtractAll does: copy files into the
// destination, call the callbacks, hold files open, raise the library's error or crash.
// Everything it sees goes into the log file named by KVR_FAKE_LOG.
//
//   FAKEPKG                     first line
//   file <name> <source path>   copies a file into the destination (dates kept)
//   readonly <name>             marks a destination file read-only
//   lock <name>                 opens a destination file and never closes it
//   percent <p>                 one progress call; logs the bar position after it
//   progress <steps> <ms>       progress 0..100 in <steps> steps, <ms> apart
//   disk <n>                    asks for disk n
//   raise                       raises the library's error
//   fault                       writes through a bad address
//   end                         the rest of the package is filler
#include <windows.h>

#include <cstdint>

#include "decomp32/decomp32_api.h"

namespace {

char g_destination[MAX_PATH];

void Log(const char* line) {
    char path[MAX_PATH];
    if (!GetEnvironmentVariableA("KVR_FAKE_LOG", path, MAX_PATH)) return;
    HANDLE f = CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE) return;
    DWORD written;
    WriteFile(f, line, static_cast<DWORD>(lstrlenA(line)), &written, nullptr);
    WriteFile(f, "\r\n", 2, &written, nullptr);
    CloseHandle(f);
}

// When KVR_FAKE_CLOCK names a file, the system time at which ExtractAll began goes there
// (100 ns units, as a 16-digit hex number).
void StampClock() {
    char path[MAX_PATH];
    if (!GetEnvironmentVariableA("KVR_FAKE_CLOCK", path, MAX_PATH)) return;
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    char text[20];
    wsprintfA(text, "%08lx%08lx", now.dwHighDateTime, now.dwLowDateTime);
    HANDLE f = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE) return;
    DWORD written;
    WriteFile(f, text, 16, &written, nullptr);
    CloseHandle(f);
}

[[noreturn]] void Raise(const char* message) {
    ULONG_PTR info[1] = {reinterpret_cast<ULONG_PTR>(message)};
    RaiseException(decomp::kDecompErrorCode, EXCEPTION_NONCONTINUABLE, 1, info);
    for (;;) {
    }
}

BOOL CALLBACK FindDialog(HWND window, LPARAM result) {
    char cls[16];
    if (GetClassNameA(window, cls, sizeof cls) && lstrcmpA(cls, "#32770") == 0 && GetDlgItem(window, 123)) {
        *reinterpret_cast<HWND*>(result) = window;
        return FALSE;
    }
    return TRUE;
}

int BarPosition() {
    HWND dialog = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), FindDialog, reinterpret_cast<LPARAM>(&dialog));
    if (!dialog) return -1;
    return static_cast<int>(SendDlgItemMessageA(dialog, 123, 0x0408 /* PBM_GETPOS */, 0, 0));
}

// Splits the next space-separated word off `*cursor` (the rest of the line for `rest`).
const char* Word(char** cursor, bool rest = false) {
    char* p = *cursor;
    while (*p == ' ') ++p;
    char* start = p;
    while (*p && (rest || *p != ' ')) ++p;
    if (*p) *p++ = '\0';
    *cursor = p;
    return start;
}

int Number(const char* s) {
    int n = 0;
    while (*s >= '0' && *s <= '9') n = n * 10 + (*s++ - '0');
    return n;
}

void DestinationPath(const char* name, char* path) {
    lstrcpyA(path, g_destination);
    lstrcatA(path, "\\");
    lstrcatA(path, name);
}

void Progress(int percent, decomp::ProgressCallback progress) {
    std::int32_t abort = 12345;  // the callback must overwrite it
    progress(percent, 0, &abort);
    char line[96];
    wsprintfA(line, "percent %d bar %d abort %d", percent, BarPosition(), static_cast<int>(abort));
    Log(line);
    if (abort != 0) Raise("Extraction terminated by user!");
}

void RunCommand(char* line, decomp::ProgressCallback progress, decomp::DiskCallback disk) {
    char* cursor = line;
    const char* command = Word(&cursor);
    char path[MAX_PATH];
    if (lstrcmpA(command, "file") == 0) {
        const char* name = Word(&cursor);
        const char* source = Word(&cursor, true);
        DestinationPath(name, path);
        if (!CopyFileA(source, path, FALSE)) Raise("Could not write a file");
    } else if (lstrcmpA(command, "readonly") == 0) {
        DestinationPath(Word(&cursor), path);
        SetFileAttributesA(path, FILE_ATTRIBUTE_READONLY);
    } else if (lstrcmpA(command, "lock") == 0) {
        DestinationPath(Word(&cursor), path);
        CreateFileA(path, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    } else if (lstrcmpA(command, "percent") == 0) {
        Progress(Number(Word(&cursor)), progress);
    } else if (lstrcmpA(command, "progress") == 0) {
        const int steps = Number(Word(&cursor));
        const int ms = Number(Word(&cursor));
        for (int i = 0; i <= steps; ++i) {
            Progress(i * 100 / (steps ? steps : 1), progress);
            Sleep(ms);
        }
    } else if (lstrcmpA(command, "disk") == 0) {
        const int n = Number(Word(&cursor));
        disk(static_cast<std::uint8_t>(n));
        char text[32];
        wsprintfA(text, "disk %d returned", n);
        Log(text);
    } else if (lstrcmpA(command, "raise") == 0) {
        Raise("The package is damaged");
    } else if (lstrcmpA(command, "fault") == 0) {
        volatile int* volatile bad = reinterpret_cast<int*>(16);
        *bad = 1;
    }
}

}  // namespace

extern "C" __declspec(dllexport) void __stdcall ExtractAll(const char* package_path, const char* package_key,
                                                           const char* destination,
                                                           decomp::ProgressCallback progress,
                                                           decomp::DiskCallback disk) {
    static char script[4097];
    lstrcpynA(g_destination, destination, MAX_PATH);
    StampClock();

    HANDLE f = CreateFileA(package_path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE) Raise("Could not open the package");
    DWORD size_high = 0;
    const DWORD size = GetFileSize(f, &size_high);
    DWORD read = 0;
    ReadFile(f, script, sizeof script - 1, &read, nullptr);
    CloseHandle(f);
    script[read] = '\0';

    char line[160];
    wsprintfA(line, "start size %lu bar %d key %s", size, BarPosition(),
              lstrcmpA(package_key, decomp::kPackageKey) == 0 ? "ok" : "wrong");
    Log(line);
    char* cursor = script;
    char* first = cursor;
    while (*cursor && *cursor != '\n') ++cursor;
    if (*cursor) *cursor++ = '\0';
    if (lstrcmpA(first, "FAKEPKG") != 0) Raise("Not a package");
    while (*cursor) {
        char* start = cursor;
        while (*cursor && *cursor != '\n') ++cursor;
        if (*cursor) *cursor++ = '\0';
        if (lstrcmpA(start, "end") == 0) break;
        RunCommand(start, progress, disk);
    }
    Log("done");
}

extern "C" BOOL WINAPI FakeLibraryMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
