// The loader end to end under Wine, with the script-driven stand-in library: the command
// line, the wait, the working folder, the callbacks and every failure path.
#include <windows.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/loader/loader_harness_win.h"

namespace loader_test {
namespace {

using testing::ElementsAre;
using testing::IsEmpty;

class FakeLoaderTest : public SetupFileTest {
protected:
    void SetUp() override {
        SetupFileTest::SetUp();
        payload_ = scratch_ + "\\payload";
        CreateDirectoryA(payload_.c_str(), nullptr);
        WriteFileBytes(payload_ + "\\readme.txt", "Read me first.\r\n");
    }

    // A package the stand-in library runs; `commands` one per line.
    static std::string Package(const std::vector<std::string>& commands) {
        std::string text = "FAKEPKG\n";
        for (const std::string& c : commands) text += c + "\n";
        return text;
    }
    std::string SetupCommand() const { return "file Setup.bin " + ProbePath(); }

    RunResult Run(const std::string& package, RunOptions options = {}) {
        MakeSetupFile(FakeLoaderPath(), package, setup_file_);
        return RunPrepared(options);
    }
    std::vector<std::string> LogLines() const {
        std::vector<std::string> lines;
        std::string all = ReadFileBytes(log_);
        for (size_t start = 0, end; start < all.size(); start = end + 2) {
            end = all.find("\r\n", start);
            if (end == std::string::npos) end = all.size();
            lines.push_back(all.substr(start, end - start));
        }
        return lines;
    }
    // A package big enough that its copy takes a while, for acting in the middle of it.
    static std::string LargePackage(const std::vector<std::string>& commands, size_t filler_bytes) {
        std::string package = Package(commands) + "end\n";
        package.resize(package.size() + filler_bytes, 'x');
        return package;
    }

    std::string payload_;
};

TEST_F(FakeLoaderTest, StartsSetupProgramWithThreeQuotedPathsAndCleansUp) {
    const RunResult run = Run(Package({SetupCommand(), "file readme.txt " + payload_ + "\\readme.txt"}));
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exit_code, 0u);
    EXPECT_THAT(run.boxes, IsEmpty());

    const ProbeRecord record = ReadProbeRecord(record_);
    ASSERT_TRUE(record.present);
    const std::string work = WorkingFolder(0);
    EXPECT_EQ(record.command_line, "\"" + work + "\\Setup.bin\" \"" + work + "\" \"" + setup_folder_ + "\" ");
    EXPECT_EQ(record.folder, work);
    // The package file is gone before the setup program starts; the library stays.
    EXPECT_EQ(record.entries.count("data.lib"), 0u);
    EXPECT_EQ(record.entries.count("decomp32.dl_"), 0u);
    ASSERT_EQ(record.entries.count("decomp32.dll"), 1u);
    ASSERT_EQ(record.entries.count("readme.txt"), 1u);
    EXPECT_EQ(record.entries.at("readme.txt").hash, FileHash(payload_ + "\\readme.txt"));
    EXPECT_EQ(record.entries.at("Setup.bin").hash, FileHash(ProbePath()));
    EXPECT_FALSE(Exists(work));
    EXPECT_THAT(ListFolder(temp_), IsEmpty());
}

TEST_F(FakeLoaderTest, PassesItsOwnArgumentsQuotedAgain) {
    RunOptions options;
    options.arguments = " plain \"with space\" \"\" \t last\"glued\" /q";
    const RunResult run = Run(Package({SetupCommand()}), options);
    ASSERT_TRUE(run.finished);
    const ProbeRecord record = ReadProbeRecord(record_);
    ASSERT_TRUE(record.present);
    const std::string work = WorkingFolder(0);
    EXPECT_EQ(record.command_line, "\"" + work + "\\Setup.bin\" \"" + work + "\" \"" + setup_folder_ +
                                       "\"  \"plain\" \"with space\" \"lastglued\" \"/q\"");
    EXPECT_FALSE(Exists(work));
}

TEST_F(FakeLoaderTest, ExpandsAShortTemporaryFolderToLongNames) {
    const std::string long_temp = scratch_ + "\\a rather long temporary folder";
    CreateDirectoryA(long_temp.c_str(), nullptr);
    char short_path[MAX_PATH] = {};
    ASSERT_NE(GetShortPathNameA(long_temp.c_str(), short_path, MAX_PATH), 0u);
    ASSERT_STRNE(short_path, long_temp.c_str());  // there is a short form to expand
    MakeSetupFile(FakeLoaderPath(), Package({SetupCommand()}), setup_file_);
    RunOptions options;
    temp_ = short_path;
    const RunResult run = RunPrepared(options);
    ASSERT_TRUE(run.finished);
    const ProbeRecord record = ReadProbeRecord(record_);
    EXPECT_EQ(record.folder, long_temp + "\\QZ0");
    EXPECT_FALSE(Exists(long_temp + "\\QZ0"));
}

TEST_F(FakeLoaderTest, WaitsForTheSetupProgramAndDeletesTheFolderSoonAfter) {
    RunOptions options;
    options.environment["KVR_PROBE_HOLD_MS"] = "3000";
    bool folder_seen_while_running = false;
    options.on_poll = [&](const LoaderView&) {
        if (Exists(record_) && !Exists(record_ + ".end")) folder_seen_while_running |= IsDirectory(WorkingFolder(0));
    };
    const RunResult run = Run(Package({SetupCommand()}), options);
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exit_code, 0u);
    EXPECT_TRUE(folder_seen_while_running);
    const std::uint64_t probe_end = ReadTicks(record_ + ".end");
    ASSERT_NE(probe_end, 0u);
    const double after_end = (static_cast<double>(Ticks(run.exit_time)) - static_cast<double>(probe_end)) / 1e7;
    EXPECT_GT(after_end, 0.0);
    EXPECT_LT(after_end, 3.5);  // polled every 2 s, on a busy machine
    EXPECT_FALSE(Exists(WorkingFolder(0)));
}

TEST_F(FakeLoaderTest, DeletesWhatTheSetupProgramLeftBehind) {
    for (const char* leftover : {"readonly", "dotfile", "nested"}) {
        SCOPED_TRACE(leftover);
        RunOptions options;
        options.environment["KVR_PROBE_MAKE"] = leftover;
        const RunResult run = Run(Package({SetupCommand()}), options);
        ASSERT_TRUE(run.finished);
        EXPECT_THAT(run.boxes, IsEmpty());
        EXPECT_FALSE(Exists(WorkingFolder(0)));
        EXPECT_THAT(ListFolder(temp_), IsEmpty());
    }
}

TEST_F(FakeLoaderTest, ReusesAnEmptyLeftoverFolderAndSkipsOneThatHoldsFiles) {
    CreateDirectoryA(WorkingFolder(0).c_str(), nullptr);
    RunResult run = Run(Package({SetupCommand()}));
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(ReadProbeRecord(record_).folder, WorkingFolder(0));
    EXPECT_FALSE(Exists(WorkingFolder(0)));

    CreateDirectoryA(WorkingFolder(0).c_str(), nullptr);
    WriteFileBytes(WorkingFolder(0) + "\\someone else's.txt", "keep");
    CreateDirectoryA(WorkingFolder(1).c_str(), nullptr);
    CreateDirectoryA((WorkingFolder(1) + "\\sub").c_str(), nullptr);
    run = Run(Package({SetupCommand()}));
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(ReadProbeRecord(record_).folder, WorkingFolder(2));
    EXPECT_FALSE(Exists(WorkingFolder(2)));
    EXPECT_EQ(ReadFileBytes(WorkingFolder(0) + "\\someone else's.txt"), "keep");
    EXPECT_TRUE(IsDirectory(WorkingFolder(1) + "\\sub"));
}

TEST_F(FakeLoaderTest, ReportsAMissingSetupProgramAfterTheDialogHasClosed) {
    const RunResult run = Run(Package({"file readme.txt " + payload_ + "\\readme.txt"}));
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exit_code, 0u);
    ASSERT_EQ(run.boxes.size(), 1u);
    ExpectErrorBox(run.boxes[0], "Could not execute main program!", kSetupCaption);
    EXPECT_FALSE(run.boxes[0].progress_dialog_visible);
    EXPECT_FALSE(Exists(WorkingFolder(0)));
}

TEST_F(FakeLoaderTest, ReportsEveryErrorOutOfTheLibraryAsOneMessage) {
    const std::vector<std::pair<const char*, std::string>> packages = {
        {"raised error", Package({SetupCommand(), "raise"})},
        {"access violation", Package({SetupCommand(), "fault"})},
        {"not a package", "garbage that the library does not take"},
        {"no package at all", ""},
    };
    for (const auto& [what, package] : packages) {
        SCOPED_TRACE(what);
        const RunResult run = Run(package);
        ASSERT_TRUE(run.finished);
        EXPECT_EQ(run.exit_code, 0u);
        ASSERT_EQ(run.boxes.size(), 1u);
        ExpectErrorBox(run.boxes[0], "Could not call decompression functions!", kSetupCaption);
        EXPECT_TRUE(run.boxes[0].progress_dialog_visible);
        EXPECT_FALSE(Exists(record_));
        EXPECT_FALSE(Exists(WorkingFolder(0)));
    }
}

TEST_F(FakeLoaderTest, CopiesAOneBytePackageAndFillsHalfTheBar) {
    const RunResult run = Run("x");
    ASSERT_TRUE(run.finished);
    ASSERT_EQ(run.boxes.size(), 1u);
    ExpectErrorBox(run.boxes[0], "Could not call decompression functions!", kSetupCaption);
    EXPECT_THAT(LogLines(), ElementsAre("start size 1 bar 50 key ok"));
    EXPECT_FALSE(Exists(WorkingFolder(0)));
}

TEST_F(FakeLoaderTest, DeletesReadOnlyAndDotFilesAfterAnError) {
    const RunResult run = Run(Package({"file readonly.txt " + payload_ + "\\readme.txt", "readonly readonly.txt",
                                       "file .dotfile " + payload_ + "\\readme.txt", "raise"}));
    ASSERT_TRUE(run.finished);
    ASSERT_EQ(run.boxes.size(), 1u);
    ExpectErrorBox(run.boxes[0], "Could not call decompression functions!", kSetupCaption);
    EXPECT_FALSE(Exists(WorkingFolder(0)));
}

TEST_F(FakeLoaderTest, SaysSoWhenTheWorkingFolderCannotBeDeleted) {
    const RunResult run = Run(Package({"file held.txt " + payload_ + "\\readme.txt", "lock held.txt", "raise"}));
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exit_code, 0u);
    ASSERT_EQ(run.boxes.size(), 2u);
    ExpectErrorBox(run.boxes[0], "Could not call decompression functions!", kSetupCaption);
    ExpectErrorBox(run.boxes[1], "Could not delete temporary installation files!", "Error");
    // Only the file held open is left.
    EXPECT_THAT(ListFolder(WorkingFolder(0)), ElementsAre("held.txt"));
}

TEST_F(FakeLoaderTest, AFileNamedLikeTheWorkingFolderEndsTheRun) {
    WriteFileBytes(WorkingFolder(0), "a file, not a folder");
    const RunResult run = Run(Package({SetupCommand()}));
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exit_code, 0u);
    ASSERT_EQ(run.boxes.size(), 2u);
    ExpectErrorBox(run.boxes[0], "Could not extract decompression library!", kSetupCaption);
    ExpectErrorBox(run.boxes[1], "Could not delete temporary installation files!", "Error");
    EXPECT_EQ(ReadFileBytes(WorkingFolder(0)), "a file, not a folder");
    EXPECT_THAT(ListFolder(temp_), ElementsAre("QZ0"));
}

TEST_F(FakeLoaderTest, MovesTheBarFromTheCopyToTheUnpacking) {
    const std::string package = Package({"percent 1", "percent 3", "percent 50", "percent 99", "percent 100", SetupCommand()});
    std::vector<int> bars;
    RunOptions options;
    options.on_poll = [&](const LoaderView& view) {
        if (view.bar >= 0) bars.push_back(view.bar);
    };
    const RunResult run = Run(package, options);
    ASSERT_TRUE(run.finished);
    EXPECT_THAT(run.boxes, IsEmpty());
    // The copy ends at 50 and the library sees the whole package, with our key.
    EXPECT_THAT(LogLines(), ElementsAre("start size " + std::to_string(package.size()) + " bar 50 key ok",
                                        "percent 1 bar 50 abort 0", "percent 3 bar 52 abort 0",
                                        "percent 50 bar 75 abort 0", "percent 99 bar 100 abort 0",
                                        "percent 100 bar 100 abort 0", "done"));
    for (int bar : bars) EXPECT_LE(bar, 100);
}

TEST_F(FakeLoaderTest, AsksForAnotherDiskInABoxOfItsOwn) {
    const RunResult run = Run(Package({"disk 2", "disk 0", SetupCommand()}));
    ASSERT_TRUE(run.finished);
    ASSERT_EQ(run.boxes.size(), 2u);
    EXPECT_EQ(run.boxes[0].text, "Please insert disk no. #2!");
    EXPECT_EQ(run.boxes[1].text, "Please insert disk no. #0!");
    for (const SeenBox& box : run.boxes) {
        EXPECT_EQ(box.caption, "Insert next disk");
        EXPECT_FALSE(box.any_icon);
        EXPECT_THAT(box.buttons, ElementsAre(IDOK));
    }
    EXPECT_THAT(LogLines(), testing::Contains("disk 2 returned"));
    EXPECT_TRUE(ReadProbeRecord(record_).present);
    EXPECT_FALSE(Exists(WorkingFolder(0)));
}

TEST_F(FakeLoaderTest, CancelDuringTheCopyEndsWithTheLibraryMissing) {
    int bar_at_cancel = -1;
    bool dialog_seen_after_cancel = false;
    RunOptions options;
    options.on_poll = [&](const LoaderView& view) {
        if (bar_at_cancel >= 0) {
            dialog_seen_after_cancel |= view.dialog != nullptr;
        } else if (view.dialog && view.bar >= 1 && view.bar <= 40) {
            bar_at_cancel = view.bar;
            PostMessageA(GetDlgItem(view.dialog, IDCANCEL), BM_CLICK, 0, 0);
        }
    };
    const RunResult run = Run(LargePackage({SetupCommand()}, 48 << 20), options);
    ASSERT_TRUE(run.finished);
    ASSERT_GE(bar_at_cancel, 1) << "the copy was never seen running";
    EXPECT_EQ(run.exit_code, 0u);
    EXPECT_FALSE(dialog_seen_after_cancel);
    ASSERT_EQ(run.boxes.size(), 1u);
    ExpectErrorBox(run.boxes[0], "Could not extract decompression library!", kSetupCaption);
    EXPECT_FALSE(Exists(log_));  // the library never ran
    EXPECT_FALSE(Exists(WorkingFolder(0)));
}

TEST_F(FakeLoaderTest, CancelDuringUnpackingStopsTheLibrary) {
    int bar_at_cancel = -1;
    RunOptions options;
    options.on_poll = [&](const LoaderView& view) {
        if (bar_at_cancel < 0 && view.dialog && view.bar >= 55) {
            bar_at_cancel = view.bar;
            PostMessageA(GetDlgItem(view.dialog, IDCANCEL), BM_CLICK, 0, 0);
        }
    };
    const RunResult run = Run(Package({"progress 200 25", SetupCommand()}), options);
    ASSERT_TRUE(run.finished);
    ASSERT_GE(bar_at_cancel, 55);
    EXPECT_EQ(run.exit_code, 0u);
    ASSERT_EQ(run.boxes.size(), 1u);
    ExpectErrorBox(run.boxes[0], "Could not call decompression functions!", kSetupCaption);
    const std::vector<std::string> log = LogLines();
    ASSERT_GE(log.size(), 2u);
    EXPECT_THAT(log.back(), testing::EndsWith("abort -1"));
    EXPECT_FALSE(Exists(record_));
    EXPECT_FALSE(Exists(WorkingFolder(0)));
}

TEST_F(FakeLoaderTest, AQuitMessageEndsTheRunQuietlyAndCleansUp) {
    struct Case {
        const char* when;
        std::string package;
        int from, to;
    };
    const std::vector<Case> cases = {
        {"during the copy", LargePackage({SetupCommand()}, 48 << 20), 1, 40},
        {"during unpacking", Package({"progress 200 25", SetupCommand()}), 55, 99},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.when);
        int bar_at_quit = -1;
        RunOptions options;
        options.on_poll = [&](const LoaderView& view) {
            if (bar_at_quit < 0 && view.dialog && view.bar >= c.from && view.bar <= c.to) {
                bar_at_quit = view.bar;
                PostMessageA(view.dialog, WM_QUIT, 0, 0);
            }
        };
        const RunResult run = Run(c.package, options);
        ASSERT_TRUE(run.finished);
        ASSERT_GE(bar_at_quit, c.from);
        EXPECT_EQ(run.exit_code, 0u);
        EXPECT_THAT(run.boxes, IsEmpty());
        EXPECT_FALSE(Exists(record_));
        EXPECT_THAT(ListFolder(temp_), IsEmpty());
    }
}

TEST_F(FakeLoaderTest, ShowsACentredDialogWithoutCaptionWhileItWorks) {
    bool inspected = false;
    RunOptions options;
    options.on_poll = [&](const LoaderView& view) {
        if (inspected || !view.dialog || view.bar < 52) return;
        inspected = true;
        const LONG style = GetWindowLongA(view.dialog, GWL_STYLE);
        EXPECT_EQ(style & WS_CAPTION, 0);
        EXPECT_NE(style & WS_POPUP, 0);
        RECT r;
        GetWindowRect(view.dialog, &r);
        EXPECT_NEAR((r.left + r.right) / 2, GetSystemMetrics(SM_CXSCREEN) / 2, 1);
        EXPECT_NEAR((r.top + r.bottom) / 2, GetSystemMetrics(SM_CYSCREEN) / 2, 1);
        char text[128] = {};
        SendMessageA(GetDlgItem(view.dialog, 102), WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
        EXPECT_STREQ(text, "Setup is preparing the Varnel installation tool. Please wait...");
        SendMessageA(GetDlgItem(view.dialog, IDCANCEL), WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
        EXPECT_STREQ(text, "Cancel");
        EXPECT_NE(SendMessageA(GetDlgItem(view.dialog, 101), STM_GETICON, 0, 0), 0);
        char caption[64] = {};
        SendMessageA(view.dialog, WM_GETTEXT, sizeof caption, reinterpret_cast<LPARAM>(caption));
        EXPECT_STREQ(caption, "");
    };
    const RunResult run = Run(Package({"progress 40 40", SetupCommand()}), options);
    ASSERT_TRUE(run.finished);
    EXPECT_TRUE(inspected);
    EXPECT_THAT(run.boxes, IsEmpty());
}

TEST_F(FakeLoaderTest, EscapeAndEnterDoNothingWhileTheWorkRuns) {
    int keys_sent = 0;
    RunOptions options;
    options.on_poll = [&](const LoaderView& view) {
        if (!view.dialog || view.bar < 55 || keys_sent >= 3) return;
        ++keys_sent;
        HWND focus_candidate = GetDlgItem(view.dialog, IDCANCEL);
        for (WPARAM key : {VK_ESCAPE, VK_RETURN}) {
            PostMessageA(focus_candidate, WM_KEYDOWN, key, 1);
            PostMessageA(focus_candidate, WM_KEYUP, key, 0xC0000001);
        }
    };
    const RunResult run = Run(Package({"progress 60 40", SetupCommand()}), options);
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(keys_sent, 3);
    EXPECT_THAT(run.boxes, IsEmpty());
    EXPECT_TRUE(ReadProbeRecord(record_).present);
    EXPECT_THAT(LogLines().back(), "done");
}

// Makes Wine prefer a library found on the search path over its own copy for the
// programs `exe_names`, as Windows does for a library that is not a known system one.
class PreferFoundLibraries {
public:
    explicit PreferFoundLibraries(std::vector<std::string> exe_names) : exe_names_(std::move(exe_names)) {
        for (const std::string& exe : exe_names_) {
            HKEY key;
            const std::string path = "Software\\Wine\\AppDefaults\\" + exe + "\\DllOverrides";
            if (RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                                nullptr) != ERROR_SUCCESS)
                continue;
            for (const char* library : {"lz32", "comctl32"})
                RegSetValueExA(key, library, 0, REG_SZ, reinterpret_cast<const BYTE*>("native,builtin"), 15);
            RegCloseKey(key);
        }
    }
    ~PreferFoundLibraries() {
        for (const std::string& exe : exe_names_) {
            const std::string path = "Software\\Wine\\AppDefaults\\" + exe;
            RegDeleteKeyA(HKEY_CURRENT_USER, (path + "\\DllOverrides").c_str());
            RegDeleteKeyA(HKEY_CURRENT_USER, path.c_str());
        }
    }

private:
    std::vector<std::string> exe_names_;
};

TEST_F(FakeLoaderTest, NeverLoadsSystemLibrariesPlantedBesideIt) {
    const PreferFoundLibraries prefer({"naive_loader.exe", "planted_setup.exe"});
    const std::string planted_record = scratch_ + "\\planted.txt";
    for (const char* name : {"lz32.dll", "comctl32.dll"})
        ASSERT_TRUE(CopyFileA(WinePath(KVR_PLANTED_LIBRARY).c_str(), (setup_folder_ + "\\" + name).c_str(), FALSE));
    RunOptions options;
    options.environment["KVR_PLANT_RECORD"] = planted_record;

    // The unsafe way of loading them does pick up the planted copies.
    const std::string naive = setup_folder_ + "\\naive_loader.exe";
    ASSERT_TRUE(CopyFileA(WinePath(KVR_NAIVE_LOADER).c_str(), naive.c_str(), FALSE));
    const RunResult naive_run = RunSetupFile(naive, options);
    ASSERT_TRUE(naive_run.finished);
    EXPECT_EQ(naive_run.exit_code, 0u);
    const std::string loaded = ReadFileBytes(planted_record);
    EXPECT_NE(loaded.find("setup folder\\lz32.dll"), std::string::npos) << loaded;
    EXPECT_NE(loaded.find("setup folder\\comctl32.dll"), std::string::npos) << loaded;
    DeleteFileA(planted_record.c_str());

    setup_file_ = setup_folder_ + "\\planted_setup.exe";
    const RunResult run = Run(Package({SetupCommand(), "percent 100"}), options);
    ASSERT_TRUE(run.finished);
    EXPECT_THAT(run.boxes, IsEmpty());
    EXPECT_TRUE(ReadProbeRecord(record_).present);
    EXPECT_FALSE(Exists(planted_record)) << ReadFileBytes(planted_record);
    EXPECT_FALSE(Exists(WorkingFolder(0)));
}

}  // namespace
}  // namespace loader_test
