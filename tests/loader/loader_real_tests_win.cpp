// bootstrap.exe with decomp32.dll and packages made by kvrpack: a folder installed end to
// end, the library's failures, Cancel and quit on a 20 MB package, and the figures of a
// run (start to setup program, copy throughput).
#include <windows.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "tests/loader/loader_harness_win.h"

namespace loader_test {
namespace {

using testing::IsEmpty;

std::string Packages() { return WinePath(KVR_TEST_PACKAGES); }

// Every file below `folder` with its size, hash and last write time, by path below it.
void ListSource(const std::string& folder, const std::string& prefix, std::map<std::string, ProbeEntry>& files) {
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &entry);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    do {
        const std::string name = entry.cFileName;
        if (name == "." || name == "..") continue;
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            ListSource(folder + "\\" + name, prefix + name + "\\", files);
        } else {
            ProbeEntry& file = files[prefix + name];
            file.size = (static_cast<std::uint64_t>(entry.nFileSizeHigh) << 32) | entry.nFileSizeLow;
            file.hash = FileHash(folder + "\\" + name);
            file.write_time = Ticks(entry.ftLastWriteTime);
        }
    } while (FindNextFileA(search, &entry));
    FindClose(search);
}

class RealLoaderTest : public SetupFileTest {
protected:
    void SetUp() override {
        if (std::string(KVR_REAL_LOADER).empty()) GTEST_SKIP() << "this tree has no decomp32.dll to build bootstrap.exe with";
        SetupFileTest::SetUp();
    }
    RunResult Run(const std::string& package, RunOptions options = {}) {
        MakeSetupFile(RealLoaderPath(), package, setup_file_);
        return RunPrepared(options);
    }
    // Bar positions at which a test acts: in the copy, and in the unpacking.
    static bool InCopy(const LoaderView& view) { return view.dialog && view.bar >= 1 && view.bar <= 40; }
    static bool InUnpacking(const LoaderView& view) { return view.dialog && view.bar >= 52 && view.bar <= 95; }
};

TEST_F(RealLoaderTest, InstallsAFolderMadeByTheOneCommandScript) {
    struct Case {
        const char* what;
        std::string arguments, tail;
    };
    const std::vector<Case> cases = {
        {"no arguments", "", ""},
        {"arguments with spaces and an empty pair", " /S \"C:\\Program Files\\Varnel\" \"\" last",
         " \"/S\" \"C:\\Program Files\\Varnel\" \"last\""},
    };
    std::map<std::string, ProbeEntry> source;
    ListSource(Packages() + "\\basic", "", source);
    ASSERT_GE(source.size(), 7u);

    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(CopyFileA((Packages() + "\\basic_setup.exe").c_str(), setup_file_.c_str(), FALSE));
        DeleteFileA(record_.c_str());
        RunOptions options;
        options.arguments = c.arguments;
        const RunResult run = RunPrepared(options);
        ASSERT_TRUE(run.finished);
        EXPECT_EQ(run.exit_code, 0u);
        EXPECT_THAT(run.boxes, IsEmpty());

        const ProbeRecord record = ReadProbeRecord(record_);
        ASSERT_TRUE(record.present);
        const std::string work = WorkingFolder(0);
        EXPECT_EQ(record.command_line,
                  "\"" + work + "\\Setup.bin\" \"" + work + "\" \"" + setup_folder_ + "\" " + c.tail);
        // Byte for byte, with their dates; beside them only the library itself.
        std::map<std::string, ProbeEntry> unpacked = record.entries;
        EXPECT_EQ(unpacked.erase("decomp32.dll"), 1u);
        ASSERT_EQ(unpacked.size(), source.size());
        for (const auto& [name, file] : source) {
            SCOPED_TRACE(name);
            ASSERT_EQ(unpacked.count(name), 1u);
            EXPECT_EQ(unpacked[name].size, file.size);
            EXPECT_EQ(unpacked[name].hash, file.hash);
            EXPECT_EQ(unpacked[name].write_time, file.write_time);
        }
        EXPECT_THAT(ListFolder(temp_), IsEmpty());
    }
}

TEST_F(RealLoaderTest, WaitsForTheRunningSetupProgramAndDeletesTheFolderSoonAfter) {
    RunOptions options;
    options.environment["KVR_PROBE_HOLD_MS"] = "4500";
    int polls_while_running = 0, folder_present = 0;
    options.on_poll = [&](const LoaderView&) {
        if (!Exists(record_) || Exists(record_ + ".end")) return;
        ++polls_while_running;
        folder_present += IsDirectory(WorkingFolder(0)) && Exists(WorkingFolder(0) + "\\Setup.bin");
    };
    const RunResult run = Run(ReadFileBytes(Packages() + "\\basic.lib"), options);
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exit_code, 0u);
    EXPECT_GT(polls_while_running, 10);
    EXPECT_EQ(folder_present, polls_while_running);
    const double after_end =
        (static_cast<double>(Ticks(run.exit_time)) - static_cast<double>(ReadTicks(record_ + ".end"))) / 1e7;
    EXPECT_GT(after_end, 0.0);
    EXPECT_LT(after_end, 3.5);  // the loader looks every 2 s, on a busy machine
    EXPECT_FALSE(Exists(WorkingFolder(0)));
}

TEST_F(RealLoaderTest, ReportsAPackageWithoutSetupProgram) {
    const RunResult run = Run(ReadFileBytes(Packages() + "\\nosetup.lib"));
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exit_code, 0u);
    ASSERT_EQ(run.boxes.size(), 1u);
    ExpectErrorBox(run.boxes[0], "Could not execute main program!", kSetupCaption);
    EXPECT_FALSE(run.boxes[0].progress_dialog_visible);
    EXPECT_THAT(ListFolder(temp_), IsEmpty());
}

TEST_F(RealLoaderTest, ReportsDamagedAndMissingPackagesAsTheLibrarysError) {
    const std::string good = ReadFileBytes(Packages() + "\\basic.lib");
    ASSERT_GT(good.size(), 10000u);
    auto flipped = [&](size_t at) {
        std::string bad = good;
        bad[at] = static_cast<char>(bad[at] ^ 0x5a);
        return bad;
    };
    const std::vector<std::pair<const char*, std::string>> packages = {
        {"header", flipped(3)},
        {"directory", flipped(33 + 20)},
        {"file data", flipped(good.size() / 2)},
        {"last byte", flipped(good.size() - 1)},
        {"cut short", good.substr(0, good.size() - 1000)},
        {"no package", ""},
    };
    for (const auto& [what, package] : packages) {
        SCOPED_TRACE(what);
        DeleteFileA(record_.c_str());
        const RunResult run = Run(package);
        ASSERT_TRUE(run.finished);
        EXPECT_EQ(run.exit_code, 0u);
        ASSERT_EQ(run.boxes.size(), 1u);
        ExpectErrorBox(run.boxes[0], "Could not call decompression functions!", kSetupCaption);
        EXPECT_FALSE(Exists(record_));
        EXPECT_THAT(ListFolder(temp_), IsEmpty());
    }
}

TEST_F(RealLoaderTest, CancelOnALargePackageEndsWithTheStepsMessage) {
    struct Case {
        const char* when;
        bool (*now)(const LoaderView&);
        const char* message;
    };
    const std::string package = ReadFileBytes(Packages() + "\\large.lib");
    for (const Case& c : {Case{"during the copy", InCopy, "Could not extract decompression library!"},
                          Case{"during unpacking", InUnpacking, "Could not call decompression functions!"}}) {
        SCOPED_TRACE(c.when);
        bool cancelled = false;
        RunOptions options;
        options.on_poll = [&](const LoaderView& view) {
            if (!cancelled && c.now(view)) {
                cancelled = true;
                PostMessageA(GetDlgItem(view.dialog, IDCANCEL), BM_CLICK, 0, 0);
            }
        };
        const RunResult run = Run(package, options);
        ASSERT_TRUE(run.finished);
        ASSERT_TRUE(cancelled);
        EXPECT_EQ(run.exit_code, 0u);
        ASSERT_EQ(run.boxes.size(), 1u);
        ExpectErrorBox(run.boxes[0], c.message, kSetupCaption);
        EXPECT_THAT(ListFolder(temp_), IsEmpty());
    }
}

TEST_F(RealLoaderTest, QuitDuringUnpackingEndsQuietly) {
    bool posted = false;
    RunOptions options;
    options.on_poll = [&](const LoaderView& view) {
        if (!posted && InUnpacking(view)) {
            posted = true;
            PostMessageA(view.dialog, WM_QUIT, 0, 0);
        }
    };
    const RunResult run = Run(ReadFileBytes(Packages() + "\\large.lib"), options);
    ASSERT_TRUE(run.finished);
    ASSERT_TRUE(posted);
    EXPECT_EQ(run.exit_code, 0u);
    EXPECT_THAT(run.boxes, IsEmpty());
    EXPECT_FALSE(Exists(record_));
    EXPECT_THAT(ListFolder(temp_), IsEmpty());
}

// Not a speed goal, a measurement (about 40 s, so not part of every test run): printed and
// kept in loader-figures.txt of the build. Inside a Wine session:
//   wine build/win32/tests/loader/loader_real_tests.exe --gtest_also_run_disabled_tests --gtest_filter=*Figures*
TEST_F(RealLoaderTest, DISABLED_FiguresOfA20MegabyteRun) {
    // Seconds from the loader's process creation to a time stamp written by the probe or the
    // stand-in library (from the stamp file `clock`, or the probe's record).
    const std::string clock = scratch_ + "\\clock.txt";
    const auto run_until = [&](const std::string& loader, const std::string& package, bool library_start) {
        DeleteFileA(record_.c_str());
        DeleteFileA(clock.c_str());
        MakeSetupFile(loader, package, setup_file_);
        RunOptions options;
        options.environment["KVR_FAKE_CLOCK"] = clock;
        const RunResult run = RunPrepared(options);
        EXPECT_TRUE(run.finished);
        EXPECT_THAT(run.boxes, IsEmpty());
        const std::uint64_t stamp =
            library_start ? std::stoull(ReadFileBytes(clock), nullptr, 16) : ReadProbeRecord(record_).started;
        EXPECT_NE(stamp, 0u);
        return (static_cast<double>(stamp) - static_cast<double>(Ticks(run.creation_time))) / 1e7;
    };
    const std::string large = ReadFileBytes(Packages() + "\\large.lib");
    const double real_large = run_until(RealLoaderPath(), large, false);

    // The copy alone: the stand-in library ignores what follows its script, so a package of
    // the same size and a tiny one differ only in the copy before the library starts.
    const std::string script = "FAKEPKG\nfile Setup.bin " + ProbePath() + "\nend\n";
    std::string filler = script;
    filler.resize(large.size(), 'x');
    const double fake_small = run_until(FakeLoaderPath(), script, true);
    const double fake_large = run_until(FakeLoaderPath(), filler, true);
    const double copy_seconds = fake_large - fake_small;
    const double megabytes = static_cast<double>(large.size()) / (1024.0 * 1024.0);

    // Reference in the same run: the system copying the same file in one call.
    LARGE_INTEGER t0, t1, frequency;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&t0);
    ASSERT_TRUE(CopyFileA((Packages() + "\\large.lib").c_str(), (scratch_ + "\\copy.lib").c_str(), FALSE));
    QueryPerformanceCounter(&t1);
    const double reference = static_cast<double>(t1.QuadPart - t0.QuadPart) / static_cast<double>(frequency.QuadPart);

    char figures[512];
    std::snprintf(figures, sizeof figures,
                  "package %.1f MB: start to setup program running %.2f s with decomp32.dll; "
                  "%.2f s to the library's start with a tiny package\n"
                  "copy in 1 KB blocks: %.2f s, %.1f MB/s; CopyFile of the same file: %.3f s, %.1f MB/s "
                  "(copy speed %.2fx the reference)\n",
                  megabytes, real_large, fake_small, copy_seconds, megabytes / copy_seconds, reference, megabytes / reference,
                  reference / copy_seconds);
    std::printf("%s", figures);
    WriteFileBytes(WinePath(KVR_BINARY_DIR "/loader-figures.txt"), figures);
    EXPECT_GT(copy_seconds, 0);
}

}  // namespace
}  // namespace loader_test
