// The package reader end to end: packages from kvrpack's writer unpacked to real folders,
// progress and disk requests, and damaged packages that must fail without writing outside
// the destination.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "bzip2_test_util.h"
#include "decomp32/decomp32_api.h"
#include "decomp32/file_ops_posix.h"
#include "decomp32/package_reader.h"
#include "package_test_support.h"
#include "tools/kvrpack/package_writer.h"

namespace {

namespace fs = std::filesystem;
using pkgtest::Bytes;

// A fresh folder per test below the build's test folder.
class TempDir {
  public:
    TempDir() {
        const char* base = std::getenv("KVR_TMP");
        fs::path root = base ? fs::path(base) : fs::temp_directory_path();
        fs::create_directories(root);
        std::string tmpl = (root / "pkgXXXXXX").string();
        path_ = mkdtemp(tmpl.data());
    }
    ~TempDir() {
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    std::string operator/(const std::string& name) const { return (path_ / name).string(); }
    const fs::path& path() const { return path_; }

  private:
    fs::path path_;
};

Bytes read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void write_file(const std::string& path, const Bytes& data) {
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(data.data()), std::streamsize(data.size()));
}

void set_mtime(const std::string& path, long long seconds) {
    struct timespec t[2] = {{time_t(seconds), 0}, {time_t(seconds), 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), t, 0), 0);
}

long long mtime_of(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 ? (long long)st.st_mtime : -1;
}

Bytes random_bytes(std::size_t n, std::uint32_t seed) {
    std::mt19937 rng(seed);
    Bytes b(n);
    for (auto& x : b) x = std::uint8_t(rng());
    return b;
}

// Every regular file below `root`, by relative path.
std::vector<std::string> files_below(const fs::path& root) {
    std::vector<std::string> out;
    if (!fs::exists(root)) return out;
    for (auto& e : fs::recursive_directory_iterator(root))
        if (e.is_regular_file()) out.push_back(fs::relative(e.path(), root).generic_string());
    std::sort(out.begin(), out.end());
    return out;
}

struct Progress {
    std::vector<int> values;
    int stop_at = -1;  // call number that answers "stop"
    std::vector<unsigned> disks;
    std::function<void(unsigned)> on_disk;
};

bool record_progress(void* ctx, int percent) {
    auto* p = static_cast<Progress*>(ctx);
    p->values.push_back(percent);
    return p->stop_at < 0 || int(p->values.size()) < p->stop_at;
}

void record_disk(void* ctx, unsigned disk) {
    auto* p = static_cast<Progress*>(ctx);
    p->disks.push_back(disk);
    if (p->on_disk) p->on_disk(disk);
}

decomp::ExtractHooks hooks_for(Progress& p, bool with_disk = true) {
    decomp::ExtractHooks h;
    h.ctx = &p;
    h.progress = record_progress;
    h.need_disk = with_disk ? record_disk : nullptr;
    return h;
}

// Opens and unpacks; returns the error text or "" on success.
std::string extract(const decomp::FileOps& ops, const std::string& package, const std::string& dest,
                    Progress* progress = nullptr, const char* key = decomp::kPackageKey,
                    decomp::UnpackMode mode = decomp::UnpackMode::kWrite) {
    // Without a Progress there is no one to ask for a disk either.
    Progress none;
    decomp::PackageReader r;
    const char* err =
        decomp::package_open(r, ops, hooks_for(progress ? *progress : none, progress != nullptr), package.c_str(), key);
    if (!err) err = decomp::package_extract_all(r, dest.c_str(), mode);
    const std::string text = err ? err : "";
    decomp::package_close(r);
    return text;
}

// ----- round trips through kvrpack's writer -----

struct Sample {
    std::string name;  // with '/' between folders on disk
    Bytes data;
    long long mtime;
};

std::vector<Sample> sample_files() {
    return {
        {"Setup.bin", bztest::mixed_data(300000, 7), 1700000000},
        {"empty.txt", {}, 1600000001},
        {"one", {0x42}, 1500000002},
        {"random.dat", random_bytes(100000, 8), 1400000003},
        {"runs.bin", Bytes(1 << 20, 0), 1300000004},
        {"sub/deeper/notes.txt", bztest::mixed_data(5000, 9), 1200000005},
    };
}

void make_folder(const TempDir& dir, const std::string& folder, const std::vector<Sample>& files) {
    for (const Sample& s : files) {
        write_file(dir / (folder + "/" + s.name), s.data);
        set_mtime(dir / (folder + "/" + s.name), s.mtime);
    }
}

void expect_same_files(const TempDir& dir, const std::string& folder, const std::vector<Sample>& files) {
    std::vector<std::string> names;
    for (const Sample& s : files) {
        names.push_back(s.name);
        const std::string path = dir / (folder + "/" + s.name);
        EXPECT_EQ(read_file(path), s.data) << s.name;
        EXPECT_EQ(mtime_of(path), s.mtime & ~1LL) << s.name;  // the packed time keeps even seconds
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(files_below(dir.path() / folder), names);
}

bool pack(const std::string& output, const std::vector<std::string>& inputs, const kvrpack::PackOptions& options,
          std::string& error) {
    std::vector<kvrpack::InputFile> files;
    for (const std::string& in : inputs)
        if (!kvrpack::collect_inputs(in, files, error)) return false;
    return kvrpack::write_package(output, files, options, error);
}

TEST(PackageExtractTest, FolderRoundTripsAtEveryLevelWithDates) {
    TempDir dir;
    const auto files = sample_files();
    make_folder(dir, "in", files);
    for (int level : {1, 5, 9}) {
        kvrpack::PackOptions options;
        options.level = level;
        options.encipher_directory = level != 5;
        std::string error;
        const std::string package = dir / ("p" + std::to_string(level) + ".lib");
        ASSERT_TRUE(pack(package, {dir / "in"}, options, error)) << error;
        const std::string dest = dir / ("out" + std::to_string(level));
        fs::create_directory(dest);
        Progress progress;
        EXPECT_EQ(extract(decomp::posix_file_ops(), package, dest, &progress), "");
        expect_same_files(dir, "out" + std::to_string(level), files);
        EXPECT_TRUE(progress.disks.empty());
        ASSERT_FALSE(progress.values.empty());
        EXPECT_EQ(progress.values.back(), 100);
    }
}

TEST(PackageExtractTest, DirectoryListsNamesWithBackslashesInSortedOrder) {
    TempDir dir;
    make_folder(dir, "in", sample_files());
    std::string error;
    ASSERT_TRUE(pack(dir / "p.lib", {dir / "in"}, {}, error)) << error;
    decomp::PackageReader r;
    Progress none;
    ASSERT_EQ(decomp::package_open(r, decomp::posix_file_ops(), hooks_for(none), (dir / "p.lib").c_str(),
                                   decomp::kPackageKey),
              nullptr);
    std::vector<std::string> names;
    for (std::uint32_t i = 0; i < r.header.entry_count; ++i) {
        decomp::PackageEntry e;
        ASSERT_EQ(decomp::package_entry(r, i, e), nullptr);
        names.push_back(e.name);
    }
    decomp::package_close(r);
    EXPECT_EQ(names, (std::vector<std::string>{"Setup.bin", "empty.txt", "one", "random.dat", "runs.bin",
                                               "sub\\deeper\\notes.txt"}));
}

TEST(PackageExtractTest, SplitPackageAsksForEachMissingDisk) {
    TempDir dir;
    const auto files = sample_files();
    make_folder(dir, "in", files);
    kvrpack::PackOptions options;
    options.disk_size = 40000;
    std::string error;
    ASSERT_TRUE(pack(dir / "disk%d.lib", {dir / "in"}, options, error)) << error;
    ASSERT_TRUE(fs::exists(dir / "disk3.lib"));
    EXPECT_EQ(fs::file_size(dir / "disk0.lib"), 40000u);
    EXPECT_EQ(fs::file_size(dir / "disk1.lib"), 40000u);

    // Disks 2 and 3 are "in the drive" only after the user was asked for them.
    fs::create_directory(dir / "away");
    for (const char* d : {"disk2.lib", "disk3.lib"}) fs::rename(dir / d, dir / ("away/" + std::string(d)));
    Progress progress;
    progress.on_disk = [&](unsigned disk) {
        const std::string name = "disk" + std::to_string(disk) + ".lib";
        if (fs::exists(dir / ("away/" + name))) fs::rename(dir / ("away/" + name), dir / name);
    };
    fs::create_directory(dir / "out");
    EXPECT_EQ(extract(decomp::posix_file_ops(), dir / "disk%d.lib", dir / "out", &progress), "");
    expect_same_files(dir, "out", files);
    EXPECT_EQ(progress.disks, (std::vector<unsigned>{2, 3}));
    EXPECT_TRUE(std::is_sorted(progress.values.begin(), progress.values.end()));

    // Without a disk callback a missing disk is an error.
    fs::rename(dir / "disk3.lib", dir / "away/disk3.lib");
    fs::create_directory(dir / "out2");
    const std::string err = extract(decomp::posix_file_ops(), dir / "disk%d.lib", dir / "out2", nullptr);
    EXPECT_NE(err.find("disk3.lib"), std::string::npos) << err;
}

TEST(PackageExtractTest, AbortAtAMissingDiskStopsAsking) {
    pkgtest::MemoryFs mem;
    const auto disks = pkgtest::split_disks(
        pkgtest::build_package({{"a", random_bytes(3000, 1)}}, {std::string(), true, 1000}), 1000);
    mem.files["d0"] = disks[0];
    mem.files["d1"] = disks[1];
    Progress progress;
    progress.stop_at = 4;  // the file's start, then one call after each request; the 4th stops
    EXPECT_EQ(extract(mem.ops(), "d%d", "out", &progress), decomp::kAbortMessage);
    EXPECT_EQ(progress.disks, (std::vector<unsigned>{2, 2, 2}));
    EXPECT_EQ(mem.open_handles, 0);
}

TEST(PackageExtractTest, PathWithoutPlaceholderNamesOneFileForEveryDisk) {
    pkgtest::MemoryFs mem;
    const Bytes a = random_bytes(2000, 3), b = bztest::mixed_data(3000, 4);
    mem.files["data.lib"] = pkgtest::build_package({{"a", a}, {"b", b}});
    mem.dirs.insert("out");
    Progress progress;
    EXPECT_EQ(extract(mem.ops(), "data.lib", "out", &progress), "");
    EXPECT_EQ(mem.files["out/a"], a);
    EXPECT_EQ(mem.files["out/b"], b);
    EXPECT_TRUE(progress.disks.empty());
}

TEST(PackageExtractTest, PercentDInARealFolderNameStillFindsASingleFilePackage) {
    pkgtest::MemoryFs mem;
    const Bytes a = random_bytes(2000, 3);
    mem.files["C:/Users/%dan/Temp/QZ0/data.lib"] = pkgtest::build_package({{"a", a}});
    mem.dirs.insert("out");
    Progress progress;
    EXPECT_EQ(extract(mem.ops(), "C:/Users/%dan/Temp/QZ0/data.lib", "out", &progress), "");
    EXPECT_EQ(mem.files["out/a"], a);
    EXPECT_TRUE(progress.disks.empty());
}

TEST(PackageExtractTest, BytesAfterThePackageAreIgnored) {
    TempDir dir;
    write_file(dir / "in/x.txt", bztest::mixed_data(10000, 5));
    std::string error;
    ASSERT_TRUE(pack(dir / "p.lib", {dir / "in"}, {}, error)) << error;
    Bytes pkg = read_file(dir / "p.lib");
    const Bytes signature = random_bytes(4096, 6);  // say, a code signature behind the setup file
    pkg.insert(pkg.end(), signature.begin(), signature.end());
    write_file(dir / "signed.lib", pkg);
    fs::create_directory(dir / "out");
    EXPECT_EQ(extract(decomp::posix_file_ops(), dir / "signed.lib", dir / "out"), "");
    EXPECT_EQ(read_file(dir / "out/x.txt"), read_file(dir / "in/x.txt"));
}

TEST(PackageExtractTest, AnotherKeyIsRefused) {
    TempDir dir;
    write_file(dir / "in/x.txt", {1, 2, 3});
    kvrpack::PackOptions options;
    std::string error;
    ASSERT_TRUE(kvrpack::parse_key("0102030405060a", options.key, error)) << error;
    ASSERT_TRUE(pack(dir / "p.lib", {dir / "in"}, options, error)) << error;
    fs::create_directory(dir / "out");
    EXPECT_NE(extract(decomp::posix_file_ops(), dir / "p.lib", dir / "out").find("another package key"),
              std::string::npos);
    EXPECT_EQ(extract(decomp::posix_file_ops(), dir / "p.lib", dir / "out", nullptr, options.key.c_str()), "");
    EXPECT_EQ(read_file(dir / "out/x.txt"), (Bytes{1, 2, 3}));
}

TEST(PackageExtractTest, VerifyWritesNothing) {
    TempDir dir;
    make_folder(dir, "in", sample_files());
    std::string error;
    ASSERT_TRUE(pack(dir / "p.lib", {dir / "in"}, {}, error)) << error;
    fs::create_directory(dir / "out");
    EXPECT_EQ(extract(decomp::posix_file_ops(), dir / "p.lib", dir / "out", nullptr, decomp::kPackageKey,
                      decomp::UnpackMode::kVerify),
              "");
    EXPECT_TRUE(files_below(dir.path() / "out").empty());
}

TEST(PackageExtractTest, ChangeEntryRewritesTheExistingFileThroughWorkFiles) {
    TempDir dir;
    const Bytes old_data = bztest::mixed_data(200000, 10);
    Bytes new_data = old_data;
    new_data.erase(new_data.begin() + 5000, new_data.begin() + 6000);
    new_data.insert(new_data.begin() + 150000, 3000, 'z');
    write_file(dir / "old/game.dat", old_data);
    write_file(dir / "new/game.dat", new_data);
    set_mtime(dir / "new/game.dat", 1650000000);
    std::vector<kvrpack::InputFile> inputs(1);
    inputs[0].name = "data\\game.dat";
    inputs[0].source = dir / "new/game.dat";
    inputs[0].old_source = dir / "old/game.dat";
    inputs[0].kind = 1;
    std::string error;
    ASSERT_TRUE(kvrpack::write_package(dir / "p.lib", inputs, {}, error)) << error;

    // The file to be changed is missing: an error, nothing made.
    fs::create_directories(dir / "out/data");
    EXPECT_NE(extract(decomp::posix_file_ops(), dir / "p.lib", dir / "out").find("does not exist"), std::string::npos);
    EXPECT_TRUE(files_below(dir.path() / "out").empty());

    // Another file of that name: refused, left as it was.
    Bytes other = old_data;
    other[100] ^= 1;
    write_file(dir / "out/data/game.dat", other);
    EXPECT_NE(extract(decomp::posix_file_ops(), dir / "p.lib", dir / "out").find("not the expected one"),
              std::string::npos);
    EXPECT_EQ(read_file(dir / "out/data/game.dat"), other);
    EXPECT_EQ(files_below(dir.path() / "out"), (std::vector<std::string>{"data/game.dat"}));

    // The right one: changed, dated, and no work file left.
    write_file(dir / "out/data/game.dat", old_data);
    EXPECT_EQ(extract(decomp::posix_file_ops(), dir / "p.lib", dir / "out"), "");
    EXPECT_EQ(read_file(dir / "out/data/game.dat"), new_data);
    EXPECT_EQ(mtime_of(dir / "out/data/game.dat"), 1650000000);
    EXPECT_EQ(files_below(dir.path() / "out"), (std::vector<std::string>{"data/game.dat"}));
}

TEST(PackageExtractTest, OneFileByNameToATarget) {
    pkgtest::MemoryFs mem;
    const Bytes a = random_bytes(1000, 11), b = bztest::mixed_data(20000, 12);
    mem.files["p"] = pkgtest::build_package({{"a.bin", a}, {"Sub\\Setup.bin", b}});
    Progress progress;
    decomp::PackageReader r;
    const decomp::FileOps ops = mem.ops();
    ASSERT_EQ(decomp::package_open(r, ops, hooks_for(progress), "p", decomp::kPackageKey), nullptr);
    decomp::PackageEntry e;
    std::uint32_t index = 99;
    ASSERT_EQ(decomp::package_find(r, "sub/setup.BIN", &index, e), nullptr);
    EXPECT_EQ(index, 1u);
    ASSERT_EQ(decomp::package_extract_to(r, e, "elsewhere.bin", decomp::UnpackMode::kWrite), nullptr);
    EXPECT_NE(decomp::package_find(r, "missing", &index, e), nullptr);
    decomp::package_close(r);
    EXPECT_EQ(mem.files["elsewhere.bin"], b);
    EXPECT_EQ(mem.files.size(), 2u);
    EXPECT_EQ(progress.values.front(), 0);
    EXPECT_EQ(progress.values.back(), 100);
}

// ----- progress -----

TEST(PackageProgressTest, RunsSmoothlyFromZeroToHundredByTheFormula) {
    pkgtest::MemoryFs mem;
    std::vector<pkgtest::TestFile> files;
    for (int i = 0; i < 3; ++i) files.push_back({"f" + std::to_string(i), bztest::mixed_data(2000000, 20 + i)});
    mem.files["p"] = pkgtest::build_package(files);
    mem.dirs.insert("out");
    Progress progress;
    ASSERT_EQ(extract(mem.ops(), "p", "out", &progress), "");
    const auto& v = progress.values;
    ASSERT_FALSE(v.empty());
    EXPECT_EQ(v.front(), 0);
    EXPECT_EQ(v.back(), 100);
    EXPECT_TRUE(std::is_sorted(v.begin(), v.end()));
    // Files of 2 MB come out in small pieces: every percentage shows.
    for (int p = 0; p <= 100; ++p) EXPECT_NE(std::find(v.begin(), v.end(), p), v.end()) << p;
    // File 1 starts at round(100 / 3) and file 2 at round(200 / 3); the library calls at
    // every start of a file.
    EXPECT_GE(std::count(v.begin(), v.end(), 33), 1);
    EXPECT_GE(std::count(v.begin(), v.end(), 67), 1);
}

TEST(PackageProgressTest, StopsWithTheAbortTextAndRemovesTheUnfinishedFile) {
    pkgtest::MemoryFs mem;
    const Bytes first = random_bytes(5000, 30);
    mem.files["p"] = pkgtest::build_package({{"first", first}, {"second", bztest::mixed_data(2000000, 31)}});
    mem.dirs.insert("out");
    Progress count_calls;
    ASSERT_EQ(extract(mem.ops(), "p", "out", &count_calls), "");
    const int calls = int(count_calls.values.size());
    ASSERT_GT(calls, 10);
    for (int stop_at : {1, 3, calls / 2, calls}) {
        pkgtest::MemoryFs fresh;
        fresh.files["p"] = mem.files["p"];
        fresh.dirs.insert("out");
        Progress progress;
        progress.stop_at = stop_at;
        EXPECT_EQ(extract(fresh.ops(), "p", "out", &progress), "Extraction terminated by user!") << stop_at;
        EXPECT_EQ(int(progress.values.size()), stop_at) << "no call after the stop";
        // A stop at the final 100 still counts as a stop; the files are whole by then.
        if (stop_at < calls) {
            EXPECT_FALSE(fresh.files.count("out/second")) << stop_at;
        } else {
            EXPECT_EQ(fresh.files["out/second"], mem.files["out/second"]);
        }
        EXPECT_EQ(fresh.open_handles, 0);
        if (fresh.files.count("out/first")) {
            EXPECT_EQ(fresh.files["out/first"], first);
        }
    }
}

// ----- damaged packages -----

// Unpacks `pkg` from memory into "dest"; every path ever created must lie in dest/.
std::string extract_damaged(const Bytes& pkg, pkgtest::MemoryFs* out = nullptr) {
    pkgtest::MemoryFs mem;
    mem.files["p"] = pkg;
    mem.dirs.insert("dest");
    const std::string err = extract(mem.ops(), "p", "dest");
    for (const std::string& path : mem.created) EXPECT_EQ(path.rfind("dest/", 0), 0u) << path;
    EXPECT_EQ(mem.open_handles, 0);
    if (out) *out = mem;
    return err;
}

std::vector<pkgtest::TestFile> small_files() {
    return {{"a.txt", bztest::mixed_data(3000, 40)}, {"b.bin", random_bytes(700, 41)}, {"c", Bytes(5000, 'c')}};
}

TEST(PackageDamageTest, EveryHeaderByteMatters) {
    const Bytes good = pkgtest::build_package(small_files());
    ASSERT_EQ(extract_damaged(good), "");
    for (std::size_t i = 0; i < decomp::kHeaderSize; ++i) {
        for (std::uint8_t flip : {0x01, 0x80}) {
            Bytes bad = good;
            bad[i] ^= flip;
            pkgtest::MemoryFs mem;
            EXPECT_NE(extract_damaged(bad, &mem), "") << "byte " << i;
            EXPECT_TRUE(mem.created.empty()) << "byte " << i;
        }
    }
}

TEST(PackageDamageTest, EveryDirectoryByteMatters) {
    const Bytes good = pkgtest::build_package(small_files());
    for (std::size_t i = decomp::kHeaderSize; i < decomp::kHeaderSize + 3 * decomp::kEntrySize; ++i) {
        Bytes bad = good;
        bad[i] ^= 0x04;
        pkgtest::MemoryFs mem;
        const std::string err = extract_damaged(bad, &mem);
        EXPECT_EQ(err, "package directory is damaged") << "byte " << i;
        EXPECT_TRUE(mem.created.empty());
    }
}

TEST(PackageDamageTest, DamagedDataFailsAndLeavesNoBrokenFile) {
    const auto files = small_files();
    const Bytes good = pkgtest::build_package(files);
    const std::size_t data_start = decomp::kHeaderSize + 3 * decomp::kEntrySize;
    // Every third byte: each file's data is hit many times over.
    for (std::size_t i = data_start; i < good.size(); i += 3) {
        Bytes bad = good;
        bad[i] ^= 0x10;
        pkgtest::MemoryFs mem;
        const std::string err = extract_damaged(bad, &mem);
        ASSERT_NE(err, "") << "byte " << i;
        // What was written is whole and right; the damaged file is not there.
        int whole = 0;
        for (const auto& f : files) {
            if (!mem.files.count("dest/" + f.name)) continue;
            EXPECT_EQ(mem.files["dest/" + f.name], f.data) << f.name << " byte " << i;
            ++whole;
        }
        EXPECT_LT(whole, 3);
    }
}

TEST(PackageDamageTest, EveryTruncationFails) {
    const Bytes good = pkgtest::build_package(small_files());
    for (std::size_t n = 0; n < good.size(); ++n) {
        const Bytes cut(good.begin(), good.begin() + n);
        EXPECT_NE(extract_damaged(cut), "") << n;
    }
    // A cut in the data is found before anything is written.
    pkgtest::MemoryFs mem;
    EXPECT_EQ(extract_damaged(Bytes(good.begin(), good.end() - 1), &mem), "package is truncated");
    EXPECT_TRUE(mem.created.empty());
}

TEST(PackageDamageTest, NamesThatEscapeTheDestinationAreRefused) {
    for (const char* name : {"..\\evil.exe", "C:\\evil.exe", "\\evil.exe", "/etc/evil", "a:b", "sub\\..\\..\\x",
                             "nul", "x|y", "dir\\con.txt", "..", "a\\\\b"}) {
        Bytes pkg = pkgtest::build_package({{"placeholder", {1, 2, 3}}});
        pkgtest::edit_directory(pkg, [&](std::uint8_t*, std::uint8_t* entry) {
            std::memset(entry, 0, 65);
            entry[0] = std::uint8_t(std::strlen(name));
            std::memcpy(entry + 1, name, std::strlen(name));
        });
        pkgtest::MemoryFs mem;
        EXPECT_NE(extract_damaged(pkg, &mem), "") << name;
        EXPECT_TRUE(mem.created.empty()) << name;
    }
}

TEST(PackageDamageTest, CountsAndRangesPastTheEndAreRefused) {
    const Bytes good = pkgtest::build_package(small_files());
    auto edited = [&](auto change) {
        Bytes pkg = good;
        pkgtest::edit_directory(pkg, change);
        return pkg;
    };
    for (std::uint32_t count : {4u, 1000u, 0x7FFFFFFFu, 0xFFFFFFFFu}) {
        const Bytes pkg = edited([&](std::uint8_t* h, std::uint8_t*) { decomp::store_le32(h + 1, count); });
        EXPECT_NE(extract_damaged(pkg), "") << count;
    }
    // The last file's data said to end past the file.
    const Bytes long_range = edited([&](std::uint8_t*, std::uint8_t* e) {
        std::uint8_t* last = e + 2 * decomp::kEntrySize;
        decomp::store_le32(last + 98, decomp::load_le32(last + 98) + 10);
        decomp::store_le32(last + 77, decomp::load_le32(last + 77) + 10);
    });
    pkgtest::MemoryFs mem;
    EXPECT_EQ(extract_damaged(long_range, &mem), "package is truncated");
    EXPECT_TRUE(mem.created.empty());
    // A wrong disk number, an unknown kind, a work file as the name of a change.
    EXPECT_NE(extract_damaged(edited([](std::uint8_t*, std::uint8_t* e) { e[102] = 1; })), "");
    EXPECT_NE(extract_damaged(edited([](std::uint8_t*, std::uint8_t* e) { e[103] = 7; })), "");
    EXPECT_NE(extract_damaged(edited([](std::uint8_t*, std::uint8_t* e) {
                  std::memset(e, 0, 65);
                  e[0] = 9;
                  std::memcpy(e + 1, "PATCH.TMP", 9);
                  e[103] = 1;
              })),
              "");
}

TEST(PackageDamageTest, SizeAndCrcOfTheUnpackedFileAreChecked) {
    const Bytes good = pkgtest::build_package(small_files());
    auto with_entry = [&](auto change) {
        Bytes pkg = good;
        pkgtest::edit_directory(pkg, [&](std::uint8_t*, std::uint8_t* e) { change(e); });
        return extract_damaged(pkg);
    };
    EXPECT_EQ(with_entry([](std::uint8_t* e) { decomp::store_le32(e + 73, 2999); }), "a.txt: more data than its size");
    EXPECT_EQ(with_entry([](std::uint8_t* e) { decomp::store_le32(e + 73, 3001); }), "a.txt: fewer bytes than its size");
    EXPECT_EQ(with_entry([](std::uint8_t* e) { e[65] ^= 1; }), "a.txt: CRC error");
    EXPECT_EQ(with_entry([](std::uint8_t* e) { e[81] ^= 1; }), "a.txt: stored data is damaged");
    EXPECT_NE(with_entry([](std::uint8_t* e) { e[85] ^= 1; }), "");  // another nonce deciphers garbage
}

TEST(PackageDamageTest, NotAPackageAtAll) {
    EXPECT_NE(extract_damaged({}), "");
    EXPECT_NE(extract_damaged(random_bytes(5000, 50)), "");
    EXPECT_NE(extract_damaged(bztest::make_stream(Bytes(100, 1))), "");
    pkgtest::MemoryFs mem;
    EXPECT_NE(extract(mem.ops(), "missing.lib", "dest"), "");
    EXPECT_NE(extract(mem.ops(), "", "dest"), "");
}

}  // namespace
