#include "tests/loader/loader_harness_win.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>

namespace loader_test {

namespace {

constexpr int kMessageBoxTextId = 0xFFFF;
constexpr int kProgressBarId = 123;
constexpr UINT kGetPosition = 0x0408;  // PBM_GETPOS

std::string ClassOf(HWND window) {
    char name[64] = {};
    GetClassNameA(window, name, sizeof name);
    return name;
}

// Text of a window of another process: WM_GETTEXT is carried across processes.
std::string TextOf(HWND window) {
    char text[2048] = {};
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG,
                        2000, &ignored);
    return text;
}

// Icon handles are private to each process here, so the icon is told by its looks: the
// stop icon is the only system icon that is mostly red.
int RedPixels(HWND control) {
    RECT r;
    GetWindowRect(control, &r);
    const int w = r.right - r.left, h = r.bottom - r.top;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, w, h);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
    int red = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const COLORREF c = GetPixel(memory, x, y);
            if (GetRValue(c) > 150 && GetGValue(c) < 90 && GetBValue(c) < 90) ++red;
        }
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return red;
}

bool ShowsStopIcon(HWND control) {
    // The box may not be painted yet when it is first seen.
    for (int attempt = 0; attempt < 50; ++attempt) {
        if (RedPixels(control) > 100) return true;
        Sleep(20);
    }
    return false;
}

struct WindowsOf {
    DWORD process_id;
    std::vector<HWND> windows;
};

BOOL CALLBACK CollectTopLevel(HWND window, LPARAM context) {
    auto* found = reinterpret_cast<WindowsOf*>(context);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid == found->process_id && ClassOf(window) == "#32770") found->windows.push_back(window);
    return TRUE;
}

BOOL CALLBACK InspectChild(HWND child, LPARAM context) {
    auto* box = reinterpret_cast<SeenBox*>(context);
    const std::string cls = ClassOf(child);
    const LONG style = GetWindowLongA(child, GWL_STYLE);
    if (cls == "Static" && (style & SS_TYPEMASK) == SS_ICON && SendMessageA(child, STM_GETICON, 0, 0)) {
        box->any_icon = true;
        box->stop_icon = ShowsStopIcon(child);
    }
    if (cls == "Button" && (style & WS_VISIBLE)) box->buttons.push_back(GetDlgCtrlID(child));
    return TRUE;
}

SeenBox Inspect(HWND box_window) {
    SeenBox box;
    box.caption = TextOf(box_window);
    box.text = TextOf(GetDlgItem(box_window, kMessageBoxTextId));
    EnumChildWindows(box_window, InspectChild, reinterpret_cast<LPARAM>(&box));
    return box;
}

double SecondsSince(LARGE_INTEGER start) {
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(now.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
}

}  // namespace

std::string WinePath(const std::string& unix_path) {
    std::string path = "Z:" + unix_path;
    for (char& c : path)
        if (c == '/') c = '\\';
    return path;
}

std::string ScratchFolder() {
    const auto* info = testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string(info->test_suite_name()) + "." + info->name();
    for (char& c : name)
        if (c == '/') c = '_';
    const std::string root = WinePath(KVR_BINARY_DIR "/testtmp");
    CreateDirectoryA(root.c_str(), nullptr);
    CreateDirectoryA((root + "\\loader").c_str(), nullptr);
    const std::string folder = root + "\\loader\\" + name;
    RemoveTree(folder);
    CreateDirectoryA(folder.c_str(), nullptr);
    return folder;
}

std::string ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

void WriteFileBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool IsDirectory(const std::string& path) {
    const DWORD a = GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

std::vector<std::string> ListFolder(const std::string& folder) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        const std::string name = entry.cFileName;
        if (name != "." && name != "..") names.push_back(name);
    } while (FindNextFileA(search, &entry));
    FindClose(search);
    return names;
}

bool RemoveTree(const std::string& path) {
    if (!Exists(path)) return true;
    if (IsDirectory(path)) {
        for (const std::string& name : ListFolder(path)) RemoveTree(path + "\\" + name);
        RemoveDirectoryA(path.c_str());
    } else {
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(path.c_str());
    }
    return !Exists(path);
}

std::string FakeLoaderPath() { return WinePath(KVR_FAKE_LOADER); }
std::string RealLoaderPath() { return WinePath(KVR_REAL_LOADER); }
std::string ProbePath() { return WinePath(KVR_PROBE); }

void MakeSetupFile(const std::string& loader, const std::string& package, const std::string& target) {
    WriteFileBytes(target, ReadFileBytes(loader) + package);
}

RunResult RunSetupFile(const std::string& setup_file, const RunOptions& options) {
    RunResult result;
    // The child inherits our environment; the overrides are undone afterwards.
    std::map<std::string, std::pair<bool, std::string>> saved;
    for (const auto& [name, value] : options.environment) {
        char old[4096];
        const DWORD n = GetEnvironmentVariableA(name.c_str(), old, sizeof old);
        saved[name] = {n > 0 && n < sizeof old, std::string(old, n < sizeof old ? n : 0)};
        SetEnvironmentVariableA(name.c_str(), value.empty() ? nullptr : value.c_str());
    }
    std::string command_line = "\"" + setup_file + "\"" + options.arguments;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    LARGE_INTEGER start;
    QueryPerformanceCounter(&start);
    result.started = CreateProcessA(setup_file.c_str(), command_line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                    nullptr, &startup, &process) != 0;
    for (const auto& [name, old] : saved)
        SetEnvironmentVariableA(name.c_str(), old.first ? old.second.c_str() : nullptr);
    if (!result.started) return result;

    std::vector<HWND> answered;
    for (;;) {
        answered.erase(std::remove_if(answered.begin(), answered.end(), [](HWND w) { return !IsWindow(w); }),
                       answered.end());
        const bool ended = WaitForSingleObject(process.hProcess, 5) == WAIT_OBJECT_0;
        WindowsOf found{process.dwProcessId, {}};
        EnumWindows(CollectTopLevel, reinterpret_cast<LPARAM>(&found));
        LoaderView view;
        view.process_id = process.dwProcessId;
        view.seconds = SecondsSince(start);
        HWND progress_dialog = nullptr;
        for (HWND window : found.windows)
            if (IsWindowVisible(window) && !GetDlgItem(window, kMessageBoxTextId) && GetDlgItem(window, kProgressBarId))
                progress_dialog = window;
        for (HWND window : found.windows) {
            if (!IsWindowVisible(window)) continue;
            if (GetDlgItem(window, kMessageBoxTextId)) {
                if (std::find(answered.begin(), answered.end(), window) != answered.end()) continue;
                SeenBox box = Inspect(window);
                box.progress_dialog_visible = progress_dialog != nullptr;
                const int answer = options.answer ? options.answer(box) : IDOK;
                result.boxes.push_back(box);
                answered.push_back(window);
                PostMessageA(window, WM_COMMAND, answer, 0);
            } else if (GetDlgItem(window, kProgressBarId)) {
                view.dialog = window;
                DWORD_PTR position = 0;
                if (SendMessageTimeoutA(GetDlgItem(window, kProgressBarId), kGetPosition, 0, 0, SMTO_ABORTIFHUNG,
                                        1000, &position))
                    view.bar = static_cast<int>(position);
            }
        }
        if (ended) break;
        if (options.on_poll) options.on_poll(view);
        if (view.seconds * 1000 > options.timeout_ms) {
            TerminateProcess(process.hProcess, 99);
            WaitForSingleObject(process.hProcess, 5000);
            break;
        }
    }
    result.seconds = SecondsSince(start);
    result.finished = WaitForSingleObject(process.hProcess, 0) == WAIT_OBJECT_0 && result.seconds * 1000 <= options.timeout_ms;
    GetExitCodeProcess(process.hProcess, &result.exit_code);
    FILETIME created, exited, kernel, user;
    if (GetProcessTimes(process.hProcess, &created, &exited, &kernel, &user)) {
        result.creation_time = created;
        result.exit_time = exited;
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return result;
}

void SetupFileTest::SetUp() {
    scratch_ = ScratchFolder();
    temp_ = scratch_ + "\\temp dir";
    setup_folder_ = scratch_ + "\\setup folder";
    CreateDirectoryA(temp_.c_str(), nullptr);
    CreateDirectoryA(setup_folder_.c_str(), nullptr);
    setup_file_ = setup_folder_ + "\\setup.exe";
    record_ = scratch_ + "\\record.txt";
    log_ = scratch_ + "\\fake.log";
}

void SetupFileTest::TearDown() {
    if (!HasFailure() && !scratch_.empty()) RemoveTree(scratch_);
}

RunResult SetupFileTest::RunPrepared(RunOptions options) {
    options.environment["TMP"] = temp_;
    options.environment["TEMP"] = temp_;
    options.environment["KVR_PROBE_RECORD"] = record_;
    options.environment["KVR_FAKE_LOG"] = log_;
    return RunSetupFile(setup_file_, options);
}

std::string SetupFileTest::WorkingFolder(int number) const { return temp_ + "\\QZ" + std::to_string(number); }

void SetupFileTest::ExpectErrorBox(const SeenBox& box, const std::string& text, const std::string& caption) {
    EXPECT_EQ(box.text, text);
    EXPECT_EQ(box.caption, caption);
    EXPECT_TRUE(box.stop_icon) << text;
    EXPECT_EQ(box.buttons, std::vector<int>{IDOK}) << text;
}

ProbeRecord ReadProbeRecord(const std::string& path) {
    ProbeRecord record;
    std::ifstream in(path, std::ios::binary);
    if (!in) return record;
    record.present = true;
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("cmdline ", 0) == 0) {
            record.command_line = line.substr(8);
        } else if (line.rfind("started ", 0) == 0) {
            record.started = std::stoull(line.substr(8));
        } else if (line.rfind("folder ", 0) == 0) {
            record.folder = line.substr(7);
        } else if (line.rfind("entry ", 0) == 0) {
            std::istringstream fields(line.substr(6));
            std::string name, size, hash, time, attributes;
            std::getline(fields, name, '|');
            std::getline(fields, size, '|');
            std::getline(fields, hash, '|');
            std::getline(fields, time, '|');
            std::getline(fields, attributes, '|');
            record.entries[name] = {std::stoull(size), hash, std::stoull(time),
                                    static_cast<DWORD>(std::stoul(attributes))};
        }
    }
    return record;
}

std::uint64_t ReadTicks(const std::string& path) {
    std::ifstream in(path);
    std::uint64_t ticks = 0;
    in >> ticks;
    return ticks;
}

std::uint64_t Ticks(FILETIME t) { return (static_cast<std::uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime; }

std::string FileHash(const std::string& path) {
    std::uint64_t hash = 1469598103934665603ull;
    for (unsigned char c : ReadFileBytes(path)) hash = (hash ^ c) * 1099511628211ull;
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(hash));
    return text;
}

}  // namespace loader_test
