// System libraries beyond kernel32 and user32 are loaded at run time from the system
// folder by full path. A setup file is usually started from a downloads folder, where a
// planted lz32.dll or comctl32.dll would otherwise be found first.
#include "setup_loader/loader_win.h"

#include "setup_loader/bounded_text.h"

namespace {

constexpr DWORD kSearchSystem32 = 0x00000800;  // LOAD_LIBRARY_SEARCH_SYSTEM32

}  // namespace

void HardenLibrarySearch() {
    // Both calls are missing on old systems; the full-path loads below do not need them.
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    if (!kernel) return;
    typedef BOOL(WINAPI * SetDefaultDllDirectoriesFn)(DWORD);
    typedef BOOL(WINAPI * SetDllDirectoryFn)(const char*);
    auto set_default = reinterpret_cast<SetDefaultDllDirectoriesFn>(
        reinterpret_cast<void*>(GetProcAddress(kernel, "SetDefaultDllDirectories")));
    auto set_directory = reinterpret_cast<SetDllDirectoryFn>(
        reinterpret_cast<void*>(GetProcAddress(kernel, "SetDllDirectoryA")));
    if (set_default) set_default(kSearchSystem32);
    if (set_directory) set_directory("");  // takes the current directory out of the search
}

HMODULE LoadSystemLibrary(const char* file_name) {
    char storage[kPathCapacity];
    const UINT n = GetSystemDirectoryA(storage, kPathCapacity);
    if (n == 0 || n >= kPathCapacity) return nullptr;
    TextBuffer path{storage, kPathCapacity, n, false};
    if (!TextAppendChar(path, '\\') || !TextAppend(path, file_name)) return nullptr;
    // Its own imports then resolve from the system folder as well.
    return LoadLibraryExA(path.data, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}
