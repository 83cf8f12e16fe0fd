// Runs a setup file as a child process under the test's control: finds and answers its
// message boxes, watches its progress dialog and reports how it ended.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace loader_test {

// A Linux path of the build tree as Wine sees it.
std::string WinePath(const std::string& unix_path);
// The test's own scratch folder (Wine path, emptied first), named after the running test.
std::string ScratchFolder();

std::string ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::string& bytes);
bool Exists(const std::string& path);
bool IsDirectory(const std::string& path);
// Deletes a folder tree, read-only files included; true when it is gone.
bool RemoveTree(const std::string& path);
// Names in a folder, "." and ".." left out.
std::vector<std::string> ListFolder(const std::string& folder);

// The padded test loaders and programs, as built.
std::string FakeLoaderPath();  // carries the script-driven stand-in library
std::string RealLoaderPath();  // bootstrap.exe with decomp32.dll
std::string ProbePath();       // the test setup program
// A setup file: the loader with a package appended behind it.
void MakeSetupFile(const std::string& loader, const std::string& package, const std::string& target);

struct SeenBox {
    std::string caption;
    std::string text;
    bool stop_icon = false;
    bool any_icon = false;
    std::vector<int> buttons;  // control ids of its push buttons
    bool progress_dialog_visible = false;  // when the box was found
};

// What the poll callback sees of the running loader.
struct LoaderView {
    DWORD process_id = 0;
    HWND dialog = nullptr;  // the progress dialog while it is visible
    int bar = -1;           // the bar's position, -1 without a dialog
    double seconds = 0;     // since the start
};

struct RunOptions {
    std::string arguments;  // appended to the quoted program path
    std::map<std::string, std::string> environment;  // set for the child (empty value: removed)
    // Called every few milliseconds while the loader runs; may post messages to it.
    std::function<void(const LoaderView&)> on_poll;
    // Boxes are answered with OK unless this says otherwise (return the command id).
    std::function<int(const SeenBox&)> answer;
    DWORD timeout_ms = 120000;
};

struct RunResult {
    bool started = false;
    bool finished = false;
    DWORD exit_code = 0;
    std::vector<SeenBox> boxes;
    FILETIME creation_time{};
    FILETIME exit_time{};
    double seconds = 0;
};

RunResult RunSetupFile(const std::string& setup_file, const RunOptions& options);

// The probe's record, parsed.
struct ProbeEntry {
    std::uint64_t size = 0;
    std::string hash;
    std::uint64_t write_time = 0;
    DWORD attributes = 0;
};
struct ProbeRecord {
    bool present = false;
    std::string command_line;
    std::string folder;
    std::map<std::string, ProbeEntry> entries;
    std::uint64_t started = 0;
};
ProbeRecord ReadProbeRecord(const std::string& path);
std::uint64_t ReadTicks(const std::string& path);
std::uint64_t Ticks(FILETIME t);
// FNV-1a 64 of a file's bytes, as the probe writes it.
std::string FileHash(const std::string& path);

// A test that runs one setup file: its own scratch folder with a temporary folder ("temp
// dir") that the loader is pointed at, a folder the setup file sits in ("setup folder"),
// the probe's record and the stand-in library's log.
class SetupFileTest : public testing::Test {
protected:
    void SetUp() override;
    // Keeps the scratch folder of a failed test for a look; removes it otherwise.
    void TearDown() override;

    // Runs setup_file_ with the test's temporary folder and record paths.
    RunResult RunPrepared(RunOptions options = {});
    std::string WorkingFolder(int number = 0) const;
    static void ExpectErrorBox(const SeenBox& box, const std::string& text, const std::string& caption);

    std::string scratch_, temp_, setup_folder_, setup_file_, record_, log_;
};

inline constexpr char kSetupCaption[] = "Error during setup initialization";

}  // namespace loader_test
