// The loader's portable helpers: argument splitting and re-quoting, the setup program's
// command line, the loader folder, progress rounding and the long-path rewrite.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "setup_loader/bounded_text.h"
#include "setup_loader/command_line.h"
#include "setup_loader/long_path.h"
#include "setup_loader/progress.h"

namespace {

using testing::ElementsAre;
using testing::IsEmpty;

std::vector<std::string> Split(const char* command_line) {
    std::vector<std::string> arguments;
    const char* cursor = command_line;
    for (;;) {
        char storage[256];
        TextBuffer argument = TextOn(storage, sizeof storage);
        cursor = NextArgument(cursor, &argument);
        if (!cursor) break;
        arguments.push_back(argument.data);
    }
    return arguments;
}

std::string Tail(const char* command_line) {
    char storage[512];
    TextBuffer tail = TextOn(storage, sizeof storage);
    EXPECT_TRUE(BuildArgumentTail(command_line, tail));
    return tail.data;
}

TEST(ArgumentSplitting, SeparatesOnControlCharactersAndSpaces) {
    EXPECT_THAT(Split("setup.exe a b"), ElementsAre("setup.exe", "a", "b"));
    EXPECT_THAT(Split("  setup.exe\ta\r\n\x01" "b\x1f" "c "), ElementsAre("setup.exe", "a", "b", "c"));
    EXPECT_THAT(Split(""), IsEmpty());
    EXPECT_THAT(Split(" \t "), IsEmpty());
    // Characters above 127 belong to arguments, whatever the signedness of char.
    EXPECT_THAT(Split("x \xe4\xf6\xfc \xa0"), ElementsAre("x", "\xe4\xf6\xfc", "\xa0"));
}

TEST(ArgumentSplitting, QuotesHoldSeparatorsAndAreDropped) {
    EXPECT_THAT(Split("\"C:\\Program Files\\setup.exe\" \"two words\" x"),
                ElementsAre("C:\\Program Files\\setup.exe", "two words", "x"));
    EXPECT_THAT(Split("a\"b c\"d e"), ElementsAre("ab cd", "e"));
    EXPECT_THAT(Split("\"a\"\"b\""), ElementsAre("ab"));
    EXPECT_THAT(Split("\"unterminated tail"), ElementsAre("unterminated tail"));
    EXPECT_THAT(Split("\" \""), ElementsAre(" "));
    // Backslashes are plain characters.
    EXPECT_THAT(Split("\"C:\\dir\\\" next"), ElementsAre("C:\\dir\\", "next"));
}

TEST(ArgumentSplitting, SkipsEmptyQuotedPairsBetweenArguments) {
    EXPECT_THAT(Split("a \"\" b"), ElementsAre("a", "b"));
    EXPECT_THAT(Split("a \"\"\"\" b \"\""), ElementsAre("a", "b"));
    EXPECT_THAT(Split("a \"\"b"), ElementsAre("a", "b"));
    EXPECT_THAT(Split("a b\"\""), ElementsAre("a", "b"));
    EXPECT_THAT(Split("\"\""), IsEmpty());
}

TEST(ArgumentTail, QuotesEveryArgumentAfterTheProgramName) {
    EXPECT_EQ(Tail("setup.exe"), "");
    EXPECT_EQ(Tail("\"D:\\my setup.exe\" \"\""), "");
    EXPECT_EQ(Tail("setup.exe a b"), " \"a\" \"b\"");
    EXPECT_EQ(Tail("setup.exe \"with space\" \"\" /q"), " \"with space\" \"/q\"");
    EXPECT_EQ(Tail("\"setup.exe\"x y"), " \"y\"");  // the program name ends at the separator
}

TEST(ArgumentTail, ReportsOverflowInsteadOfCuttingAnArgument) {
    char storage[8];
    TextBuffer tail = TextOn(storage, sizeof storage);
    EXPECT_FALSE(BuildArgumentTail("setup.exe abcdefgh", tail));
    EXPECT_TRUE(tail.overflow);
    EXPECT_LT(TextLength(storage), sizeof storage);
}

TEST(SetupCommandLine, QuotesThreePathsAndEndsInOneSpaceWithoutArguments) {
    char storage[512];
    TextBuffer line = TextOn(storage, sizeof storage);
    ASSERT_TRUE(BuildSetupCommandLine("E:\\Temp\\QZ0", "D:\\Install", "D:\\Install\\setup.exe", line));
    EXPECT_STREQ(storage, "\"E:\\Temp\\QZ0\\Setup.bin\" \"E:\\Temp\\QZ0\" \"D:\\Install\" ");

    line = TextOn(storage, sizeof storage);
    ASSERT_TRUE(BuildSetupCommandLine("E:\\Temp dir\\QZ1", "D:", "\"D:\\setup.exe\" a \"b c\"", line));
    EXPECT_STREQ(storage, "\"E:\\Temp dir\\QZ1\\Setup.bin\" \"E:\\Temp dir\\QZ1\" \"D:\"  \"a\" \"b c\"");
}

TEST(SetupCommandLine, FailsWhenTheLineDoesNotFit) {
    char storage[40];
    TextBuffer line = TextOn(storage, sizeof storage);
    EXPECT_FALSE(BuildSetupCommandLine("E:\\Temp\\QZ0", "D:\\Install", "setup.exe", line));
    line = TextOn(storage, sizeof storage);
    EXPECT_FALSE(BuildSetupCommandLine("E:\\T", "D:", "setup.exe a b c d e f", line));
}

TEST(LoaderDirectory, CutsBeforeTheLastBackslash) {
    const std::map<std::string, std::string> cases = {
        {"D:\\Install\\setup.exe", "D:\\Install"},
        {"D:\\setup.exe", "D:"},
        {"\\\\server\\share\\setup.exe", "\\\\server\\share"},
        {"setup.exe", ""},
        {"\\setup.exe", ""},  // the first character is not searched
        {"", ""},
    };
    for (const auto& [path, folder] : cases) {
        char storage[64];
        TextBuffer directory = TextOn(storage, sizeof storage);
        EXPECT_TRUE(LoaderDirectoryOf(path.c_str(), directory));
        EXPECT_EQ(std::string(storage), folder) << path;
    }
}

TEST(CopyProgress, RunsFromZeroToFiftyRoundingHalvesToEven) {
    EXPECT_EQ(CopyProgressPosition(0, 1000), 0);
    EXPECT_EQ(CopyProgressPosition(1000, 1000), 50);
    EXPECT_EQ(CopyProgressPosition(1, 1), 50);  // a one-byte package
    EXPECT_EQ(CopyProgressPosition(10, 1000), 0);   // 0.5 -> 0
    EXPECT_EQ(CopyProgressPosition(30, 1000), 2);   // 1.5 -> 2
    EXPECT_EQ(CopyProgressPosition(50, 1000), 2);   // 2.5 -> 2
    EXPECT_EQ(CopyProgressPosition(11, 1000), 1);   // 0.55 -> 1
    EXPECT_EQ(CopyProgressPosition(490, 1000), 24);  // 24.5 -> 24
    EXPECT_EQ(CopyProgressPosition(510, 1000), 26);  // 25.5 -> 26
    EXPECT_EQ(CopyProgressPosition(999, 1000), 50);  // 49.95
    // Sizes beyond 32 bits do not overflow.
    const std::uint64_t big = 5ull << 32;
    EXPECT_EQ(CopyProgressPosition(big / 2, big), 25);
    EXPECT_EQ(CopyProgressPosition(big - 1024, big), 50);
}

TEST(CopyProgress, EmptyOrGrownPackagesShowACompleteCopy) {
    EXPECT_EQ(CopyProgressPosition(0, 0), 50);
    EXPECT_EQ(CopyProgressPosition(2000, 1000), 50);
}

TEST(CopyProgress, NeverMovesBackwards) {
    const std::uint64_t total = 90 * 1024 + 17;
    int last = 0;
    for (std::uint64_t copied = 0; copied <= total; copied += 1024) {
        const int position = CopyProgressPosition(copied, total);
        EXPECT_GE(position, last);
        EXPECT_LE(position, 50);
        last = position;
    }
}

TEST(UnpackProgress, MapsPercentOntoFiftyToHundredHalvesToEven) {
    EXPECT_EQ(UnpackProgressPosition(0), 50);
    EXPECT_EQ(UnpackProgressPosition(1), 50);   // 0.5 -> 0
    EXPECT_EQ(UnpackProgressPosition(3), 52);   // 1.5 -> 2
    EXPECT_EQ(UnpackProgressPosition(5), 52);   // 2.5 -> 2
    EXPECT_EQ(UnpackProgressPosition(50), 75);
    EXPECT_EQ(UnpackProgressPosition(99), 100);  // 49.5 -> 50
    EXPECT_EQ(UnpackProgressPosition(100), 100);
    EXPECT_EQ(UnpackProgressPosition(-7), 50);
    EXPECT_EQ(UnpackProgressPosition(250), 100);
}

// A directory search over a table of paths (as searched) and the names it reports.
struct FakeFileSystem {
    std::map<std::string, std::string> names;
    std::vector<std::string> searched;
};

bool FindInTable(void* context, const char* path, TextBuffer& name) {
    auto* fs = static_cast<FakeFileSystem*>(context);
    fs->searched.push_back(path);
    const auto found = fs->names.find(path);
    return found != fs->names.end() && TextAppend(name, found->second.c_str());
}

std::string Expand(FakeFileSystem& fs, const char* path, std::size_t capacity = 260) {
    std::vector<char> storage(capacity);
    TextBuffer out = TextOn(storage.data(), capacity);
    if (!ExpandLongPath(path, FindInTable, &fs, out)) return "<failed>";
    return storage.data();
}

TEST(LongPath, RewritesEveryComponentToItsReportedName) {
    FakeFileSystem fs;
    fs.names = {{"E:\\DOCUME~1", "Documents and Settings"},
                {"E:\\DOCUME~1\\USER", "User"},
                {"E:\\DOCUME~1\\USER\\LOCALS~1", "Local Settings"},
                {"E:\\DOCUME~1\\USER\\LOCALS~1\\Temp", "Temp"}};
    EXPECT_EQ(Expand(fs, "E:\\DOCUME~1\\USER\\LOCALS~1\\Temp\\"),
              "E:\\Documents and Settings\\User\\Local Settings\\Temp\\");
    // Searched from the whole path down; the trailing backslash is never searched.
    EXPECT_THAT(fs.searched, ElementsAre("E:\\DOCUME~1\\USER\\LOCALS~1\\Temp", "E:\\DOCUME~1\\USER\\LOCALS~1",
                                         "E:\\DOCUME~1\\USER", "E:\\DOCUME~1"));
}

TEST(LongPath, KeepsComponentsThatCannotBeFound) {
    FakeFileSystem fs;
    fs.names = {{"\\\\server\\share\\TEMPOR~1", "temporary files"}};
    EXPECT_EQ(Expand(fs, "\\\\server\\share\\TEMPOR~1\\"), "\\\\server\\share\\temporary files\\");
    EXPECT_EQ(Expand(fs, "C:\\"), "C:\\");
    EXPECT_EQ(Expand(fs, "C:\\gone\\QZ0"), "C:\\gone\\QZ0");
    EXPECT_EQ(Expand(fs, "relative"), "relative");
    EXPECT_EQ(Expand(fs, ""), "");
}

TEST(LongPath, FailsWithoutWritingWhenTheLongFormDoesNotFit) {
    FakeFileSystem fs;
    fs.names = {{"C:\\A", std::string(300, 'a')}};
    EXPECT_EQ(Expand(fs, "C:\\A\\"), "<failed>");
    fs.names = {{"C:\\A", "long name"}};
    EXPECT_EQ(Expand(fs, "C:\\A\\", 12), "<failed>");
    EXPECT_EQ(Expand(fs, "C:\\A\\", 14), "C:\\long name\\");
}

std::string Prefix(const char* reported, std::size_t length, std::size_t capacity = 260) {
    char storage[300];
    TextBuffer out = TextOn(storage, sizeof storage);
    TempFolderPrefix(reported, length, capacity, out);
    return storage;
}

TEST(TempFolder, EndsInExactlyOneBackslash) {
    EXPECT_EQ(Prefix("C:\\Temp\\", 8), "C:\\Temp\\");
    EXPECT_EQ(Prefix("C:\\Temp", 7), "C:\\Temp\\");
    EXPECT_EQ(Prefix("C:\\", 3), "C:\\");
    EXPECT_EQ(Prefix("\\", 1), "");
    EXPECT_EQ(Prefix("", 0), "");
    // A length beyond the buffer means the path did not fit: no temporary folder.
    EXPECT_EQ(Prefix("C:\\Temp\\", 300), "");
}

TEST(TempFolder, IsLeftEmptyWhenItsBackslashDoesNotFit) {
    char storage[8];
    TextBuffer out = TextOn(storage, sizeof storage);
    EXPECT_FALSE(TempFolderPrefix("C:\\Temp", 7, 260, out));  // needs 9 bytes with the zero
    EXPECT_STREQ(storage, "");
    out = TextOn(storage, sizeof storage);
    EXPECT_TRUE(TempFolderPrefix("C:\\Tmp", 6, 260, out));
    EXPECT_STREQ(storage, "C:\\Tmp\\");
}

TEST(BoundedText, AppendsDecimalsAndRefusesWhatDoesNotFit) {
    char storage[8];
    TextBuffer text = TextOn(storage, sizeof storage);
    EXPECT_TRUE(TextAppend(text, "QZ"));
    EXPECT_TRUE(TextAppendDecimal(text, 65535));
    EXPECT_STREQ(storage, "QZ65535");
    EXPECT_FALSE(TextAppendChar(text, 'x'));
    EXPECT_TRUE(text.overflow);
    EXPECT_STREQ(storage, "QZ65535");
    text = TextOn(storage, sizeof storage);
    EXPECT_TRUE(TextAppendDecimal(text, 0));
    EXPECT_STREQ(storage, "0");
    EXPECT_TRUE(TextEqual("abc", "abc"));
    EXPECT_FALSE(TextEqual("abc", "abd"));
    EXPECT_FALSE(TextEqual("ab", "abc"));
}

}  // namespace
