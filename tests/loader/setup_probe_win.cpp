// The setup program of the loader's test packages ("Setup.bin"). Records what it was
// started with and what it finds beside itself into the file named by KVR_PROBE_RECORD,
// then optionally leaves something behind for the clean-up and keeps running a while.
//   KVR_PROBE_HOLD_MS  milliseconds to keep running after the record is written
//   KVR_PROBE_MAKE     "readonly", "dotfile" or "nested": files to leave in its folder
// The record (written whole, then renamed into place):
//   cmdline <the command line as the system gives it>
//   folder <the folder of this program>
//   started <the system time at its start, 100 ns units>
//   entry <path below the folder>|<size>|<FNV-1a 64 of the bytes, hex>|<last write time, 100 ns units>|<attributes>
// When it ends it writes <record>.end holding the system time in 100 ns units.
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <string>

namespace {

std::string Env(const char* name) {
    char value[1024];
    const DWORD n = GetEnvironmentVariableA(name, value, sizeof value);
    return n > 0 && n < sizeof value ? std::string(value, n) : std::string();
}

std::uint64_t Fnv1a(const std::string& path) {
    std::uint64_t hash = 1469598103934665603ull;
    HANDLE f = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE) return 0;
    unsigned char buffer[65536];
    DWORD read = 0;
    while (ReadFile(f, buffer, sizeof buffer, &read, nullptr) && read > 0)
        for (DWORD i = 0; i < read; ++i) hash = (hash ^ buffer[i]) * 1099511628211ull;
    CloseHandle(f);
    return hash;
}

std::uint64_t Ticks(FILETIME t) { return (static_cast<std::uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime; }

bool WriteWhole(const std::string& path, const std::string& text) {
    const std::string temp = path + ".part";
    HANDLE f = CreateFileA(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    WriteFile(f, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(f);
    return MoveFileExA(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
}

void MakeFile(const std::string& path) {
    HANDLE f = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(f, "left behind", 11, &written, nullptr);
    CloseHandle(f);
}

// Appends an entry line for every file below `folder`, named by its path there.
void ListFolder(const std::string& folder, const std::string& prefix, std::string& record) {
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        const std::string name = entry.cFileName;
        if (name == "." || name == "..") continue;
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            ListFolder(folder + "\\" + name, prefix + name + "\\", record);
            continue;
        }
        char line[700];
        const std::uint64_t size = (static_cast<std::uint64_t>(entry.nFileSizeHigh) << 32) | entry.nFileSizeLow;
        std::snprintf(line, sizeof line, "entry %s%s|%llu|%016llx|%llu|%lu\n", prefix.c_str(), name.c_str(),
                      static_cast<unsigned long long>(size),
                      static_cast<unsigned long long>(Fnv1a(folder + "\\" + name)),
                      static_cast<unsigned long long>(Ticks(entry.ftLastWriteTime)),
                      static_cast<unsigned long>(entry.dwFileAttributes));
        record += line;
    } while (FindNextFileA(search, &entry));
    FindClose(search);
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    FILETIME started;
    GetSystemTimeAsFileTime(&started);
    char module[MAX_PATH];
    GetModuleFileNameA(nullptr, module, MAX_PATH);
    std::string folder = module;
    folder.resize(folder.rfind('\\'));

    std::string record = "cmdline " + std::string(GetCommandLineA()) + "\n";
    record += "folder " + folder + "\n";
    record += "started " + std::to_string(Ticks(started)) + "\n";
    ListFolder(folder, "", record);

    const std::string make = Env("KVR_PROBE_MAKE");
    if (make == "readonly") {
        MakeFile(folder + "\\readonly.txt");
        SetFileAttributesA((folder + "\\readonly.txt").c_str(), FILE_ATTRIBUTE_READONLY);
    } else if (make == "dotfile") {
        MakeFile(folder + "\\.dotfile");
        CreateDirectoryA((folder + "\\.dotfolder").c_str(), nullptr);
        MakeFile(folder + "\\.dotfolder\\inside.txt");
    } else if (make == "nested") {
        CreateDirectoryA((folder + "\\sub").c_str(), nullptr);
        CreateDirectoryA((folder + "\\sub\\deeper").c_str(), nullptr);
        MakeFile(folder + "\\sub\\deeper\\file.txt");
        MakeFile(folder + "\\sub\\file.txt");
    }

    const std::string record_path = Env("KVR_PROBE_RECORD");
    if (!record_path.empty()) WriteWhole(record_path, record);
    const std::string hold = Env("KVR_PROBE_HOLD_MS");
    if (!hold.empty()) Sleep(static_cast<DWORD>(std::stoul(hold)));
    if (!record_path.empty()) {
        FILETIME now;
        GetSystemTimeAsFileTime(&now);
        WriteWhole(record_path + ".end", std::to_string(Ticks(now)) + "\n");
    }
    return 0;
}
