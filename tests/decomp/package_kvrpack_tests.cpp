// The kvrpack command line: the commands other parts of the build rely on, its help, and
// its answers to bad input.
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "decomp32/decomp32_api.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<unsigned char>;

struct ToolRun {
    int status;
    std::string out;
};

// Runs kvrpack with `args` (already quoted), stdout and stderr together.
ToolRun kvrpack(const std::string& args) {
    const std::string cmd = std::string("'") + KVRPACK_PATH + "' " + args + " 2>&1 </dev/null";
    ToolRun r{-1, ""};
    std::FILE* p = popen(cmd.c_str(), "r");
    if (!p) return r;
    char buf[4096];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) r.out.append(buf, n);
    const int st = pclose(p);
    r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    return r;
}

class KvrpackTest : public ::testing::Test {
  protected:
    void SetUp() override {
        const char* base = std::getenv("KVR_TMP");
        fs::path root = base ? fs::path(base) : fs::temp_directory_path();
        fs::create_directories(root);
        std::string tmpl = (root / "kvrpackXXXXXX").string();
        dir_ = mkdtemp(tmpl.data());
        // Random bytes do not shrink: the split test gets several disks.
        std::mt19937 rng(1);
        Bytes setup(70000);
        for (auto& b : setup) b = static_cast<unsigned char>(rng());
        write("in/Setup.bin", setup);
        write("in/sub/readme.txt", Bytes{'h', 'i', '\n'});
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }
    std::string p(const std::string& name) const { return "'" + (dir_ / name).string() + "'"; }
    void write(const std::string& name, const Bytes& data) const {
        fs::create_directories((dir_ / name).parent_path());
        std::ofstream(dir_ / name, std::ios::binary).write(reinterpret_cast<const char*>(data.data()),
                                                           std::streamsize(data.size()));
    }
    Bytes read(const std::string& name) const {
        std::ifstream in(dir_ / name, std::ios::binary);
        return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    }
    fs::path dir_;
};

TEST_F(KvrpackTest, HelpNamesEveryCommand) {
    const ToolRun r = kvrpack("--help");
    EXPECT_EQ(r.status, 0);
    for (const char* word : {"pack", "list", "verify", "extract", "setup", "--disk-size", "--change", "%d"})
        EXPECT_NE(r.out.find(word), std::string::npos) << word;
    EXPECT_EQ(kvrpack("pack --help").status, 0);
}

TEST_F(KvrpackTest, PackListVerifyExtract) {
    ASSERT_EQ(kvrpack("pack -5 " + p("data.lib") + " " + p("in")).status, 0);
    const ToolRun list = kvrpack("list " + p("data.lib"));
    EXPECT_EQ(list.status, 0);
    EXPECT_NE(list.out.find("Setup.bin"), std::string::npos);
    EXPECT_NE(list.out.find("sub\\readme.txt"), std::string::npos);
    EXPECT_NE(list.out.find("2 files, 70003 bytes"), std::string::npos) << list.out;
    EXPECT_EQ(kvrpack("verify " + p("data.lib")).status, 0);
    const ToolRun extract = kvrpack("extract --stats " + p("data.lib") + " " + p("out"));
    EXPECT_EQ(extract.status, 0) << extract.out;
    EXPECT_NE(extract.out.find("peak memory:"), std::string::npos);
    EXPECT_EQ(read("out/Setup.bin"), read("in/Setup.bin"));
    EXPECT_EQ(read("out/sub/readme.txt"), read("in/sub/readme.txt"));
}

TEST_F(KvrpackTest, ListFileAndSplitPackage) {
    std::ofstream(dir_ / "list.txt") << "# inputs\n" << (dir_ / "in/Setup.bin").string() << "\tbin\\Setup.bin\n\n"
                                     << (dir_ / "in/sub").string() << "\n";
    ASSERT_EQ(kvrpack("pack --disk-size 10000 --quiet " + p("d%d.lib") + " @" + p("list.txt")).status, 0);
    EXPECT_TRUE(fs::exists(dir_ / "d7.lib"));
    EXPECT_EQ(fs::file_size(dir_ / "d0.lib"), 10000u);
    const ToolRun list = kvrpack("list " + p("d%d.lib"));
    EXPECT_NE(list.out.find("bin\\Setup.bin"), std::string::npos) << list.out;
    EXPECT_NE(list.out.find(" readme.txt"), std::string::npos) << list.out;
    EXPECT_EQ(kvrpack("extract " + p("d%d.lib") + " " + p("out")).status, 0);
    EXPECT_EQ(read("out/bin/Setup.bin"), read("in/Setup.bin"));
}

TEST_F(KvrpackTest, SetupFileIsLoaderThenPackageAtTheOffset) {
    write("loader.exe", Bytes(1000, 'L'));
    ASSERT_EQ(kvrpack("pack " + p("data.lib") + " " + p("in")).status, 0);
    ASSERT_EQ(kvrpack("setup " + p("loader.exe") + " " + p("data.lib") + " " + p("setup.exe")).status, 0);
    Bytes expected = read("loader.exe");
    const Bytes pkg = read("data.lib");
    expected.insert(expected.end(), pkg.begin(), pkg.end());
    EXPECT_EQ(read("setup.exe"), expected);

    ASSERT_EQ(kvrpack("setup --offset 1024 " + p("loader.exe") + " " + p("data.lib") + " " + p("setup2.exe")).status, 0);
    const Bytes padded = read("setup2.exe");
    ASSERT_EQ(padded.size(), 1024 + pkg.size());
    EXPECT_EQ(Bytes(padded.begin() + 1000, padded.begin() + 1024), Bytes(24, 0));
    EXPECT_EQ(Bytes(padded.begin() + 1024, padded.end()), pkg);

    const ToolRun too_long = kvrpack("setup --offset 999 " + p("loader.exe") + " " + p("data.lib") + " " + p("s3.exe"));
    EXPECT_EQ(too_long.status, 1);
    EXPECT_NE(too_long.out.find("longer than the package offset"), std::string::npos);
}

TEST_F(KvrpackTest, ChangeEntryFromTheCommandLine) {
    write("v1/game.dat", Bytes(50000, 'a'));
    Bytes v2(50000, 'a');
    v2[25000] = 'b';
    write("v2/game.dat", v2);
    ASSERT_EQ(kvrpack("pack " + p("c.lib") + " --change game.dat " + p("v1/game.dat") + " " + p("v2/game.dat")).status,
              0);
    fs::create_directories(dir_ / "out");
    fs::copy_file(dir_ / "v1/game.dat", dir_ / "out/game.dat");
    EXPECT_EQ(kvrpack("extract " + p("c.lib") + " " + p("out")).status, 0);
    EXPECT_EQ(read("out/game.dat"), v2);
    EXPECT_NE(kvrpack("list " + p("c.lib")).out.find("chg"), std::string::npos);
}

TEST_F(KvrpackTest, BadInputGivesAClearErrorAndNonZeroStatus) {
    EXPECT_EQ(kvrpack("").status, 2);
    EXPECT_EQ(kvrpack("frobnicate").status, 2);
    EXPECT_EQ(kvrpack("pack --level 10 " + p("x.lib") + " " + p("in")).status, 2);
    EXPECT_EQ(kvrpack("pack --bogus " + p("x.lib") + " " + p("in")).status, 2);
    EXPECT_EQ(kvrpack("pack " + p("x.lib")).status, 2);
    EXPECT_EQ(kvrpack("pack --key 00112233445566 " + p("x.lib") + " " + p("in")).status, 2);
    const ToolRun missing = kvrpack("pack " + p("x.lib") + " " + p("nothing-here"));
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.out.find("no such file or folder"), std::string::npos);
    const ToolRun no_placeholder = kvrpack("pack --disk-size 1000 " + p("x.lib") + " " + p("in"));
    EXPECT_EQ(no_placeholder.status, 1);
    EXPECT_NE(no_placeholder.out.find("%d"), std::string::npos);
    write("bad name./x", Bytes{1});
    const ToolRun bad_name = kvrpack("pack " + p("x.lib") + " " + p("bad name."));
    EXPECT_EQ(bad_name.status, 0) << "the folder itself does not name anything";
    // The old version of a change is missing: found only after the package was begun.
    const ToolRun half =
        kvrpack("pack " + p("half.lib") + " " + p("in") + " --change a " + p("gone") + " " + p("in/sub/readme.txt"));
    EXPECT_EQ(half.status, 1);
    EXPECT_NE(half.out.find("gone"), std::string::npos) << half.out;
    EXPECT_FALSE(fs::exists(dir_ / "half.lib")) << "no half-made package stays";
    write("junk.lib", Bytes(100, 7));
    const ToolRun junk = kvrpack("verify " + p("junk.lib"));
    EXPECT_EQ(junk.status, 1);
    EXPECT_NE(junk.out.find("not a package"), std::string::npos) << junk.out;
    ASSERT_EQ(kvrpack("pack --key 0102030405060a " + p("k.lib") + " " + p("in")).status, 0);
    EXPECT_NE(kvrpack("verify " + p("k.lib")).out.find("another package key"), std::string::npos);
    EXPECT_EQ(kvrpack("verify --key 0102030405060a " + p("k.lib")).status, 0);
}

}  // namespace
