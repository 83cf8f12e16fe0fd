// The directory list's folder tree: path splitting, line layout and the folder of each line.
#include "editor/ui/folder_tree.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using kvr::ui::FolderLine;
using kvr::ui::FolderPath;
using kvr::ui::folder_line_path;
using kvr::ui::folder_name_less;
using kvr::ui::folder_path_prefix;
using kvr::ui::folder_path_text;
using kvr::ui::folder_tree_lines;
using kvr::ui::split_folder_path;

namespace {

FolderPath split(const std::string& text) {
    FolderPath p;
    EXPECT_TRUE(split_folder_path(text, p)) << text;
    return p;
}

bool refused(const std::string& text) {
    FolderPath p{"Q:", {"kept"}};
    const bool ok = split_folder_path(text, p);
    // A refused path leaves the caller's value alone.
    EXPECT_EQ(p, (FolderPath{"Q:", {"kept"}})) << text;
    return !ok;
}

}  // namespace

TEST(FolderTreeSplit, DrivePathsAreNormalised) {
    EXPECT_EQ(split("c:\\Games\\Tiles"), (FolderPath{"C:", {"Games", "Tiles"}}));
    EXPECT_EQ(split("C:/Games//Tiles\\"), (FolderPath{"C:", {"Games", "Tiles"}}));
    EXPECT_EQ(split("d:\\"), (FolderPath{"D:", {}}));
    EXPECT_EQ(split("d:"), (FolderPath{"D:", {}}));
    EXPECT_EQ(split("z:\\tmp\\My Tiles"), (FolderPath{"Z:", {"tmp", "My Tiles"}}));
}

TEST(FolderTreeSplit, DotsAreResolvedAndStopAtTheRoot) {
    EXPECT_EQ(split("C:\\a\\.\\b\\..\\c"), (FolderPath{"C:", {"a", "c"}}));
    EXPECT_EQ(split("C:\\a\\..\\..\\..\\b"), (FolderPath{"C:", {"b"}}));
    EXPECT_EQ(split("C:\\.."), (FolderPath{"C:", {}}));
    // Names that merely start with dots are names.
    EXPECT_EQ(split("C:\\...\\.x"), (FolderPath{"C:", {"...", ".x"}}));
}

TEST(FolderTreeSplit, NetworkRoots) {
    EXPECT_EQ(split("\\\\server\\share"), (FolderPath{"\\\\server\\share", {}}));
    EXPECT_EQ(split("\\\\server\\share\\a\\..\\b\\"), (FolderPath{"\\\\server\\share", {"b"}}));
    EXPECT_EQ(split("//server/share/a"), (FolderPath{"\\\\server\\share", {"a"}}));
}

TEST(FolderTreeSplit, RefusesWhatIsNoAbsoluteFolderPath) {
    EXPECT_TRUE(refused(""));
    EXPECT_TRUE(refused("Games\\Tiles"));
    EXPECT_TRUE(refused("\\Games"));
    EXPECT_TRUE(refused("C:Games"));
    EXPECT_TRUE(refused("1:\\a"));
    EXPECT_TRUE(refused("\\\\server"));
    EXPECT_TRUE(refused("\\\\server\\"));
    EXPECT_TRUE(refused("\\\\?\\C:\\a"));
    EXPECT_TRUE(refused("\\\\.\\pipe"));
    EXPECT_TRUE(refused("C:\\a*b"));
    EXPECT_TRUE(refused("C:\\a?"));
    EXPECT_TRUE(refused("C:\\a\\b:stream"));
    EXPECT_TRUE(refused("C:\\a|b"));
    EXPECT_TRUE(refused(std::string("C:\\a\tb")));
    EXPECT_TRUE(refused(std::string("C:\\a\0b", 6)));
}

TEST(FolderTreeSplit, LengthLimitIsOnTheResult) {
    const std::string name(100, 'n');
    // 3 + 100 + 1 + 100 + 1 + 54 = 259 characters: the longest accepted.
    const std::string longest = "C:\\" + name + "\\" + name + "\\" + std::string(54, 'x');
    ASSERT_EQ(longest.size(), 259u);
    EXPECT_EQ(folder_path_text(split(longest)), longest);
    EXPECT_TRUE(refused(longest + "y"));
    // A long text that resolves to a short path is fine.
    EXPECT_EQ(split("C:\\" + std::string(300, 'a') + "\\..\\b"), (FolderPath{"C:", {"b"}}));
}

TEST(FolderTreeText, RootKeepsItsBackslashFoldersDoNot) {
    EXPECT_EQ(folder_path_text(FolderPath{"C:", {}}), "C:\\");
    EXPECT_EQ(folder_path_text(FolderPath{"C:", {"a"}}), "C:\\a");
    EXPECT_EQ(folder_path_text(FolderPath{"C:", {"a", "b c"}}), "C:\\a\\b c");
    EXPECT_EQ(folder_path_text(FolderPath{"\\\\s\\t", {}}), "\\\\s\\t\\");
    EXPECT_EQ(folder_path_text(FolderPath{"\\\\s\\t", {"u"}}), "\\\\s\\t\\u");
}

TEST(FolderTreeText, Prefix) {
    const FolderPath p{"C:", {"a", "b", "c"}};
    EXPECT_EQ(folder_path_prefix(p, 0), (FolderPath{"C:", {}}));
    EXPECT_EQ(folder_path_prefix(p, 2), (FolderPath{"C:", {"a", "b"}}));
    EXPECT_EQ(folder_path_prefix(p, 3), p);
    EXPECT_EQ(folder_path_prefix(p, 9), p);
}

TEST(FolderTreeOrder, CaseInsensitiveWithStableTies) {
    EXPECT_TRUE(folder_name_less("alpha", "Beta"));
    EXPECT_FALSE(folder_name_less("Beta", "alpha"));
    EXPECT_TRUE(folder_name_less("Tile", "tiles"));
    EXPECT_TRUE(folder_name_less("a", "ab"));
    // Same letters in another case: a fixed order, and never both ways.
    EXPECT_NE(folder_name_less("ABC", "abc"), folder_name_less("abc", "ABC"));
    EXPECT_FALSE(folder_name_less("same", "same"));
    // Letters are compared folded to lower case, so '_' (0x5F) comes before every letter.
    EXPECT_TRUE(folder_name_less("_x", "a"));
    EXPECT_TRUE(folder_name_less("_x", "A"));
    // Bytes above 127 come after ASCII.
    EXPECT_TRUE(folder_name_less("z", "\xe9t\xe9"));
}

TEST(FolderTreeLines, AncestorsCurrentThenSortedSubfolders) {
    const FolderPath current{"C:", {"Games", "Tiles"}};
    const std::vector<FolderLine> lines = folder_tree_lines(current, {"gamma", "Beta", "alpha", "BETA2"});
    const std::vector<FolderLine> expected{
        {"C:\\", 0, true},  {"Games", 1, true}, {"Tiles", 2, true},
        {"alpha", 3, false}, {"Beta", 3, false}, {"BETA2", 3, false}, {"gamma", 3, false},
    };
    EXPECT_EQ(lines, expected);
}

TEST(FolderTreeLines, RootWithAndWithoutSubfolders) {
    EXPECT_EQ(folder_tree_lines(FolderPath{"D:", {}}, {}), (std::vector<FolderLine>{{"D:\\", 0, true}}));
    EXPECT_EQ(folder_tree_lines(FolderPath{"D:", {}}, {"x"}),
              (std::vector<FolderLine>{{"D:\\", 0, true}, {"x", 1, false}}));
}

TEST(FolderTreeLines, EachLineOpensItsFolder) {
    const FolderPath current{"C:", {"Games", "Tiles"}};
    const std::vector<FolderLine> lines = folder_tree_lines(current, {"b", "a"});
    FolderPath p;
    ASSERT_TRUE(folder_line_path(current, lines, 0, p));
    EXPECT_EQ(folder_path_text(p), "C:\\");
    ASSERT_TRUE(folder_line_path(current, lines, 1, p));
    EXPECT_EQ(folder_path_text(p), "C:\\Games");
    ASSERT_TRUE(folder_line_path(current, lines, 2, p));
    EXPECT_EQ(p, current);
    ASSERT_TRUE(folder_line_path(current, lines, 3, p));
    EXPECT_EQ(folder_path_text(p), "C:\\Games\\Tiles\\a");
    ASSERT_TRUE(folder_line_path(current, lines, 4, p));
    EXPECT_EQ(folder_path_text(p), "C:\\Games\\Tiles\\b");

    const FolderPath before = p;
    EXPECT_FALSE(folder_line_path(current, lines, 5, p));
    EXPECT_FALSE(folder_line_path(current, lines, -1, p));
    EXPECT_EQ(p, before);
}

TEST(FolderTreeLines, SubfolderBeyondTheLengthLimitCannotBeOpened) {
    const FolderPath current{"C:", {std::string(250, 'a')}};
    const std::vector<FolderLine> lines = folder_tree_lines(current, {"short", std::string(10, 'b')});
    FolderPath p;
    ASSERT_EQ(lines[2].text, std::string(10, 'b'));
    EXPECT_FALSE(folder_line_path(current, lines, 2, p));  // 264 characters
    ASSERT_EQ(lines[3].text, "short");
    EXPECT_TRUE(folder_line_path(current, lines, 3, p));   // "C:\" + 250 + "\short" = 259
}
