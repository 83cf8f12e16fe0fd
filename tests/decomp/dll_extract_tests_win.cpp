// decomp32.dll as the loader meets it: loaded by path, bound by name, called with the
// loader's callbacks; failures caught as structured exceptions through GuardedCall.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "bzip2_test_util.h"
#include "decomp32/call_guard_win.h"
#include "decomp32/decomp32_api.h"
#include "package_test_support.h"

namespace {

using pkgtest::Bytes;

std::string WinePath(const std::string& linux_path) {
    std::string p = "Z:" + linux_path;
    std::replace(p.begin(), p.end(), '/', '\\');
    return p;
}

const std::string& DllPath() {
    static const std::string path = WinePath(std::string(KVR_BINARY_DIR) + "/decomp32/decomp32.dll");
    return path;
}

// A fresh folder below the Windows temp folder, removed afterwards.
class WorkFolder {
  public:
    WorkFolder() {
        char temp[MAX_PATH];
        GetTempPathA(MAX_PATH, temp);
        static int counter = 0;
        path_ = std::string(temp) + "dlltest" + std::to_string(GetCurrentProcessId()) + "_" + std::to_string(++counter);
        CreateDirectoryA(path_.c_str(), nullptr);
    }
    ~WorkFolder() { RemoveTree(path_); }
    std::string operator/(const std::string& name) const { return path_ + "\\" + name; }
    const std::string& path() const { return path_; }

  private:
    static void RemoveTree(const std::string& dir) {
        WIN32_FIND_DATAA fd;
        HANDLE h = FindFirstFileA((dir + "\\*").c_str(), &fd);
        if (h != INVALID_HANDLE_VALUE) {
            do {
                const std::string name = fd.cFileName;
                if (name == "." || name == "..") continue;
                if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) RemoveTree(dir + "\\" + name);
                else DeleteFileA((dir + "\\" + name).c_str());
            } while (FindNextFileA(h, &fd));
            FindClose(h);
        }
        RemoveDirectoryA(dir.c_str());
    }
    std::string path_;
};

void WriteBytes(const std::string& path, const Bytes& data) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr) << path;
    if (!data.empty()) std::fwrite(data.data(), 1, data.size(), f);
    std::fclose(f);
}

Bytes ReadBytes(const std::string& path) {
    Bytes out;
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return out;
    unsigned char buf[65536];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out.insert(out.end(), buf, buf + n);
    std::fclose(f);
    return out;
}

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::uint32_t DosTimeOf(const std::string& path) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return 0;
    FILETIME utc, local;
    WORD date = 0, time = 0;
    GetFileTime(h, nullptr, nullptr, &utc);
    CloseHandle(h);
    FileTimeToLocalFileTime(&utc, &local);
    FileTimeToDosDateTime(&local, &date, &time);
    return std::uint32_t(date) << 16 | time;
}

// ----- the loader's side: callbacks and the guarded call -----

struct CallLog {
    std::vector<int> percents;
    std::vector<int> reserved;
    std::vector<unsigned> disks;
    std::vector<DWORD> threads;
    int abort_at = -1;  // progress call (from 1) that asks to stop
    std::string move_from, move_to;  // DiskCallback brings this disk "into the drive"
} g_log;

void __stdcall OnProgress(std::int32_t percent, std::int32_t reserved, std::int32_t* abort_value) {
    g_log.percents.push_back(percent);
    g_log.reserved.push_back(reserved);
    g_log.threads.push_back(GetCurrentThreadId());
    *abort_value = int(g_log.percents.size()) == g_log.abort_at ? -1 : 0;
}

void __stdcall OnDisk(std::uint8_t disk) {
    g_log.disks.push_back(disk);
    g_log.threads.push_back(GetCurrentThreadId());
    if (!g_log.move_from.empty()) MoveFileA(g_log.move_from.c_str(), g_log.move_to.c_str());
}

class DllTest : public ::testing::Test {
  protected:
    void SetUp() override {
        g_log = CallLog{};
        module_ = LoadLibraryA(DllPath().c_str());
        ASSERT_NE(module_, nullptr) << DllPath();
        extract_all_ = Bind<decomp::ExtractAllFn>("ExtractAll");
        prepare_ = Bind<decomp::PrepareFn>("Prepare");
        read_archive_ = Bind<decomp::ReadArchiveFn>("ReadArchive");
        decompress_file_ = Bind<decomp::DecompressFileFn>("DecompressFile");
        ASSERT_NE(extract_all_, nullptr);
    }
    void TearDown() override {
        if (module_) FreeLibrary(module_);
    }

    // By name, as the loader binds; through void(*)() because the types differ on purpose.
    template <typename Fn>
    Fn Bind(const char* name) {
        return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(GetProcAddress(module_, name)));
    }

    struct ExtractArgs {
        decomp::ExtractAllFn fn;
        const char *package, *key, *dest;
        decomp::ProgressCallback progress;
        decomp::DiskCallback disk;
    };
    static void ExtractThunk(void* p) {
        auto* a = static_cast<ExtractArgs*>(p);
        a->fn(a->package, a->key, a->dest, a->progress, a->disk);
    }

    // Calls ExtractAll as the loader does; returns "" or the error's text.
    std::string Extract(const std::string& package, const std::string& dest, bool with_disk = true,
                        const char* key = decomp::kPackageKey) {
        ExtractArgs args{extract_all_, package.c_str(), key, dest.c_str(), OnProgress, with_disk ? OnDisk : nullptr};
        char message[512];
        if (GuardedCall(ExtractThunk, &args, message, sizeof message)) return "";
        return message[0] ? message : "(no message)";
    }

    HMODULE module_ = nullptr;
    decomp::ExtractAllFn extract_all_ = nullptr;
    decomp::PrepareFn prepare_ = nullptr;
    decomp::ReadArchiveFn read_archive_ = nullptr;
    decomp::DecompressFileFn decompress_file_ = nullptr;
};

std::vector<pkgtest::TestFile> SampleFiles() {
    std::vector<pkgtest::TestFile> files;
    files.push_back({"Setup.bin", bztest::mixed_data(150000, 1), 0x5A2C6B31});
    files.push_back({"empty.txt", {}, 0x4A214000});
    files.push_back({"sub\\readme.txt", bztest::mixed_data(3000, 2), 0x58B17A8F});
    files.push_back({"sub/deeper/x.dat", Bytes(40000, 0x55), 0x30210000});
    return files;
}

TEST_F(DllTest, ExportsHaveTheirPlainNames) {
    EXPECT_NE(prepare_, nullptr);
    EXPECT_NE(read_archive_, nullptr);
    EXPECT_NE(decompress_file_, nullptr);
    EXPECT_EQ(Bind<decomp::ExtractAllFn>("ExtractAll@20"), nullptr);
    EXPECT_EQ(Bind<decomp::ExtractAllFn>("_ExtractAll@20"), nullptr);
    WIN32_FILE_ATTRIBUTE_DATA data;
    ASSERT_TRUE(GetFileAttributesExA(DllPath().c_str(), GetFileExInfoStandard, &data));
    std::printf("decomp32.dll: %lu bytes\n", static_cast<unsigned long>(data.nFileSizeLow));
    EXPECT_LE(data.nFileSizeLow, 64u * 1024u);
}

TEST_F(DllTest, ExtractAllWritesFilesWithTheirDatesAndReportsProgress) {
    WorkFolder work;
    const auto files = SampleFiles();
    WriteBytes(work / "data.lib", pkgtest::build_package(files));
    CreateDirectoryA((work / "out").c_str(), nullptr);
    ASSERT_EQ(Extract(work / "data.lib", work / "out"), "");
    for (const auto& f : files) {
        std::string name = f.name;
        std::replace(name.begin(), name.end(), '/', '\\');
        EXPECT_EQ(ReadBytes(work / ("out\\" + name)), f.data) << name;
        EXPECT_EQ(DosTimeOf(work / ("out\\" + name)), f.dos_time) << name;
    }
    const auto& p = g_log.percents;
    ASSERT_FALSE(p.empty());
    EXPECT_EQ(p.front(), 0);
    EXPECT_EQ(p.back(), 100);
    EXPECT_TRUE(std::is_sorted(p.begin(), p.end()));
    EXPECT_GE(p.size(), 4u);  // at least once per file
    for (int r : g_log.reserved) EXPECT_EQ(r, 0);
    for (DWORD t : g_log.threads) EXPECT_EQ(t, GetCurrentThreadId());
    EXPECT_TRUE(g_log.disks.empty()) << "a path without %d names every disk";
}

TEST_F(DllTest, AbortValueStopsWithTheUsersMessage) {
    WorkFolder work;
    const Bytes first = bztest::mixed_data(2000, 3);
    WriteBytes(work / "data.lib",
               pkgtest::build_package({{"first.txt", first}, {"second.bin", bztest::mixed_data(400000, 4)}}));
    CreateDirectoryA((work / "out").c_str(), nullptr);
    g_log.abort_at = 4;
    EXPECT_EQ(Extract(work / "data.lib", work / "out"), "Extraction terminated by user!");
    EXPECT_EQ(g_log.percents.size(), 4u) << "no call after the stop";
    EXPECT_EQ(ReadBytes(work / "out\\first.txt"), first);
    EXPECT_FALSE(Exists(work / "out\\second.bin")) << "the unfinished file is removed";

    // The library is still usable afterwards.
    g_log = CallLog{};
    EXPECT_EQ(Extract(work / "data.lib", work / "out"), "");
    EXPECT_TRUE(Exists(work / "out\\second.bin"));
}

TEST_F(DllTest, SecondDiskIsAskedForUntilItIsThere) {
    WorkFolder work;
    const auto files = SampleFiles();
    pkgtest::BuildOptions options;
    const Bytes whole = pkgtest::build_package(files);
    options.disk_size = std::uint32_t(whole.size() / 2 + 1);
    const auto disks = pkgtest::split_disks(pkgtest::build_package(files, options), options.disk_size);
    ASSERT_EQ(disks.size(), 2u);
    WriteBytes(work / "disk0.lib", disks[0]);
    WriteBytes(work / "later.lib", disks[1]);  // not yet "in the drive"
    g_log.move_from = work / "later.lib";
    g_log.move_to = work / "disk1.lib";
    CreateDirectoryA((work / "out").c_str(), nullptr);
    ASSERT_EQ(Extract(work / "disk%d.lib", work / "out"), "");
    EXPECT_EQ(g_log.disks, (std::vector<unsigned>{1}));
    for (const auto& f : files) {
        std::string name = f.name;
        std::replace(name.begin(), name.end(), '/', '\\');
        EXPECT_EQ(ReadBytes(work / ("out\\" + name)), f.data) << name;
    }
    EXPECT_TRUE(std::is_sorted(g_log.percents.begin(), g_log.percents.end()));
    EXPECT_EQ(g_log.percents.back(), 100);
}

TEST_F(DllTest, FailuresAreRaisedWithWhatIsWrong) {
    WorkFolder work;
    const Bytes good = pkgtest::build_package(SampleFiles());
    CreateDirectoryA((work / "out").c_str(), nullptr);
    EXPECT_NE(Extract(work / "missing.lib", work / "out", false).find("cannot open package file"), std::string::npos);
    Bytes truncated(good.begin(), good.end() - 5);
    WriteBytes(work / "cut.lib", truncated);
    EXPECT_EQ(Extract(work / "cut.lib", work / "out"), "package is truncated");
    Bytes damaged = good;
    damaged[40] ^= 1;
    WriteBytes(work / "bad.lib", damaged);
    EXPECT_EQ(Extract(work / "bad.lib", work / "out"), "package directory is damaged");
    WriteBytes(work / "good.lib", good);
    EXPECT_NE(Extract(work / "good.lib", work / "out", true, "another").find("another package key"),
              std::string::npos);
    EXPECT_NE(Extract(work / "good.lib", work / "nowhere\\deeper"), "");
    // Nothing of these landed in the destination.
    EXPECT_FALSE(Exists(work / "out\\Setup.bin"));
}

TEST_F(DllTest, ChangeEntryRewritesTheExistingFile) {
    WorkFolder work;
    const Bytes old_data = bztest::mixed_data(30000, 5);
    Bytes new_data = old_data;
    new_data.insert(new_data.begin() + 1000, 500, 'n');
    pkgtest::TestFile change{"game.dat", pkgtest::literal_change(old_data, new_data), 0x5A2C6B31,
                             decomp::kKindChange};
    WriteBytes(work / "data.lib", pkgtest::build_package({change}));
    CreateDirectoryA((work / "out").c_str(), nullptr);
    WriteBytes(work / "out\\game.dat", old_data);
    ASSERT_EQ(Extract(work / "data.lib", work / "out"), "");
    EXPECT_EQ(ReadBytes(work / "out\\game.dat"), new_data);
    EXPECT_EQ(DosTimeOf(work / "out\\game.dat"), 0x5A2C6B31u);
    EXPECT_FALSE(Exists(work / "out\\patch.tmp"));
    EXPECT_FALSE(Exists(work / "out\\patch.old"));
    // Applied once, the file no longer is the one the change was made from.
    EXPECT_NE(Extract(work / "data.lib", work / "out").find("not the expected one"), std::string::npos);
    EXPECT_EQ(ReadBytes(work / "out\\game.dat"), new_data);
    EXPECT_FALSE(Exists(work / "out\\patch.tmp"));
}

std::vector<std::string> g_listed;
void __stdcall OnEntry(void* ctx, const char* name, std::uint32_t size, std::uint32_t, std::uint8_t kind) {
    *static_cast<int*>(ctx) += 1;
    g_listed.push_back(std::string(name) + ":" + std::to_string(size) + ":" + std::to_string(kind));
}

struct OtherArgs {
    DllTest* test;
    std::string package, target;
    std::int32_t result;
    decomp::PrepareFn prepare;
    decomp::ReadArchiveFn read_archive;
    decomp::DecompressFileFn decompress_file;
    int entries;
    const char* name;
};

TEST_F(DllTest, PrepareReadArchiveAndDecompressFile) {
    WorkFolder work;
    const auto files = SampleFiles();
    WriteBytes(work / "data.lib", pkgtest::build_package(files));
    OtherArgs a{this, work / "data.lib", work / "one.txt", 0, prepare_, read_archive_, decompress_file_, 0, nullptr};
    char message[256];

    ASSERT_TRUE(GuardedCall([](void* p) {
        auto* x = static_cast<OtherArgs*>(p);
        x->result = x->prepare(x->package.c_str(), decomp::kPackageKey, OnDisk);
    }, &a, message, sizeof message)) << message;
    EXPECT_EQ(a.result, 4);

    g_listed.clear();
    ASSERT_TRUE(GuardedCall([](void* p) {
        auto* x = static_cast<OtherArgs*>(p);
        x->result = x->read_archive(x->package.c_str(), decomp::kPackageKey, OnEntry, &x->entries);
    }, &a, message, sizeof message)) << message;
    EXPECT_EQ(a.result, 4);
    EXPECT_EQ(a.entries, 4);
    EXPECT_EQ(g_listed, (std::vector<std::string>{"Setup.bin:150000:0", "empty.txt:0:0", "sub\\readme.txt:3000:0",
                                                  "sub/deeper/x.dat:40000:0"}));

    a.name = "SUB\\README.TXT";
    ASSERT_TRUE(GuardedCall([](void* p) {
        auto* x = static_cast<OtherArgs*>(p);
        x->decompress_file(x->package.c_str(), decomp::kPackageKey, x->name, x->target.c_str(), OnProgress, OnDisk);
    }, &a, message, sizeof message)) << message;
    EXPECT_EQ(ReadBytes(work / "one.txt"), files[2].data);
    EXPECT_EQ(g_log.percents.back(), 100);

    a.name = "nothing.here";
    EXPECT_FALSE(GuardedCall([](void* p) {
        auto* x = static_cast<OtherArgs*>(p);
        x->decompress_file(x->package.c_str(), decomp::kPackageKey, x->name, x->target.c_str(), OnProgress, OnDisk);
    }, &a, message, sizeof message));
    EXPECT_STREQ(message, "no file named nothing.here in the package");
}

}  // namespace
