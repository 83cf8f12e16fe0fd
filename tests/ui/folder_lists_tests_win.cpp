// The drive list and the directory list under Wine, on a folder tree made for each test.
#include "editor/ui/folder_lists_win.h"

#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <vector>

#include "tests/ui/controls_test_support_win.h"

using controls_test::capture_client;
using controls_test::make_parent;
using controls_test::pump;

namespace {

struct Line {
    std::string text;
    int level;
};

std::string lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

std::vector<std::string> split_at_backslashes(const std::string& path) {
    std::vector<std::string> parts;
    std::string part;
    for (char c : path) {
        if (c == '\\') {
            if (!part.empty()) parts.push_back(part);
            part.clear();
        } else {
            part += c;
        }
    }
    if (!part.empty()) parts.push_back(part);
    return parts;
}

void remove_tree(const std::string& path) {
    WIN32_FIND_DATAA found;
    HANDLE h = FindFirstFileA((path + "\\*").c_str(), &found);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = found.cFileName;
            if (name == "." || name == "..") continue;
            const std::string full = path + "\\" + name;
            SetFileAttributesA(full.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                remove_tree(full);
            } else {
                DeleteFileA(full.c_str());
            }
        } while (FindNextFileA(h, &found));
        FindClose(h);
    }
    RemoveDirectoryA(path.c_str());
}

HWND inner_list(HWND dir_list) { return FindWindowExA(dir_list, nullptr, "ListBox", nullptr); }

std::vector<Line> lines_of(HWND dir_list) {
    HWND list = inner_list(dir_list);
    std::vector<Line> out;
    const auto n = static_cast<int>(SendMessageA(list, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < n; ++i) {
        char text[MAX_PATH + 1] = {};
        SendMessageA(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text));
        out.push_back({text, static_cast<int>(SendMessageA(list, LB_GETITEMDATA, i, 0))});
    }
    return out;
}

int index_of(const std::vector<Line>& lines, const std::string& text) {
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].text == text) return static_cast<int>(i);
    }
    return -1;
}

// What the user does: two clicks in quick succession on a line.
void double_click_line(HWND dir_list, int index) {
    HWND list = inner_list(dir_list);
    RECT r{};
    ASSERT_NE(SendMessageA(list, LB_GETITEMRECT, index, reinterpret_cast<LPARAM>(&r)), LB_ERR);
    const LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    PostMessageA(list, WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageA(list, WM_LBUTTONUP, 0, at);
    PostMessageA(list, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
    PostMessageA(list, WM_LBUTTONUP, 0, at);
    pump();
}

class FolderListsTest : public ::testing::Test {
protected:
    void SetUp() override {
        char cwd[MAX_PATH];
        GetCurrentDirectoryA(MAX_PATH, cwd);
        old_cwd_ = cwd;
        char temp[MAX_PATH];
        GetTempPathA(MAX_PATH, temp);
        char long_temp[MAX_PATH];
        ASSERT_NE(GetLongPathNameA(temp, long_temp, MAX_PATH), 0u);
        base_ = std::string(long_temp) + "kvr_dirs_" + std::to_string(GetCurrentProcessId());
        if (base_.back() == '\\') base_.pop_back();
        remove_tree(base_);
        tiles_ = base_ + "\\Tiles";
        for (const std::string& d : {base_, tiles_, tiles_ + "\\beta", tiles_ + "\\Alpha", tiles_ + "\\gamma",
                                     tiles_ + "\\gamma\\Sub"}) {
            ASSERT_TRUE(CreateDirectoryA(d.c_str(), nullptr)) << d;
        }
        HANDLE f = CreateFileA((tiles_ + "\\bnField8.pcx").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(f, INVALID_HANDLE_VALUE);
        CloseHandle(f);
        parent_ = make_parent(true);
        dirs_ = CreateDirList(parent_, 41, 8, 8, 249, 400);
        ASSERT_NE(dirs_, nullptr);
    }
    void TearDown() override {
        DestroyWindow(parent_);
        SetCurrentDirectoryA(old_cwd_.c_str());
        remove_tree(base_);
    }
    // The lines the list must show for `folder` (below the test's base) and its sub-folders.
    void expect_tree(const std::string& folder, const std::vector<std::string>& subfolders) {
        const std::vector<std::string> parts = split_at_backslashes(folder);
        const std::vector<Line> got = lines_of(dirs_);
        ASSERT_EQ(got.size(), parts.size() + subfolders.size()) << folder;
        // The root with its backslash at level 0, then each folder one level deeper. The
        // ancestors above the test's base are compared without regard to case.
        EXPECT_EQ(got[0].text, parts[0] + "\\");
        EXPECT_EQ(got[0].level, 0);
        for (std::size_t i = 1; i < parts.size(); ++i) {
            EXPECT_EQ(lower(got[i].text), lower(parts[i])) << i;
            EXPECT_EQ(got[i].level, static_cast<int>(i)) << i;
        }
        for (std::size_t i = 0; i < subfolders.size(); ++i) {
            const Line& line = got[parts.size() + i];
            EXPECT_EQ(line.text, subfolders[i]);
            EXPECT_EQ(line.level, static_cast<int>(parts.size())) << line.text;
        }
        // The current folder is the selected line.
        EXPECT_EQ(SendMessageA(inner_list(dirs_), LB_GETCURSEL, 0, 0), static_cast<LRESULT>(parts.size() - 1));
    }

    std::string old_cwd_;
    std::string base_;
    std::string tiles_;
    HWND parent_ = nullptr;
    HWND dirs_ = nullptr;
};

TEST_F(FolderListsTest, DriveListShowsTheDrivesWithTheCurrentOneSelected) {
    ASSERT_TRUE(SetCurrentDirectoryA("C:\\"));
    HWND drives = CreateDriveList(parent_, 42, 528, 144, 145, 21);
    ASSERT_NE(drives, nullptr);
    EXPECT_TRUE(GetWindowLongA(drives, GWL_STYLE) & CBS_DROPDOWNLIST);
    const DWORD mask = GetLogicalDrives();
    int expected_count = 0;
    for (int d = 0; d < 26; ++d) expected_count += (mask >> d) & 1;
    const auto n = static_cast<int>(SendMessageA(drives, CB_GETCOUNT, 0, 0));
    EXPECT_EQ(n, expected_count);
    std::string letters;
    for (int i = 0; i < n; ++i) {
        char text[MAX_PATH + 8] = {};
        SendMessageA(drives, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
        const std::string line = text;
        ASSERT_EQ(line.size(), 2u) << line;
        EXPECT_TRUE(line[0] >= 'a' && line[0] <= 'z') << line;
        EXPECT_EQ(line[1], ':') << line;
        if (i > 0) {
            EXPECT_LT(letters.back(), line[0]) << line;
        }
        EXPECT_TRUE(mask & (1u << (line[0] - 'a'))) << line;
        letters += line[0];
    }
    EXPECT_NE(letters.find('c'), std::string::npos);
    EXPECT_EQ(DriveList_GetDrive(drives), "c:");

    // The user's choice is what the list reports afterwards.
    const int last = n - 1;
    SendMessageA(drives, CB_SETCURSEL, last, 0);
    EXPECT_EQ(DriveList_GetDrive(drives), (std::string{letters[last], ':'}));
}

TEST_F(FolderListsTest, DriveListFollowsTheCurrentDrive) {
    if (!(GetLogicalDrives() & (1u << ('z' - 'a')))) GTEST_SKIP() << "no Z: drive";
    ASSERT_TRUE(SetCurrentDirectoryA("Z:\\"));
    HWND drives = CreateDriveList(parent_, 42, 528, 144, 145, 21);
    EXPECT_EQ(DriveList_GetDrive(drives), "z:");
    SendMessageA(drives, CB_RESETCONTENT, 0, 0);
    EXPECT_EQ(DriveList_GetDrive(drives), "");
}

TEST_F(FolderListsTest, ShowsTheFolderTreeSortedWithoutCase) {
    ASSERT_TRUE(DirList_SetPath(dirs_, tiles_));
    EXPECT_EQ(lower(DirList_GetPath(dirs_)), lower(tiles_));
    EXPECT_EQ(DirList_GetPath(dirs_).substr(DirList_GetPath(dirs_).size() - 6), "\\Tiles");
    // Folders only, never files; "Alpha" before "beta" before "gamma".
    expect_tree(tiles_, {"Alpha", "beta", "gamma"});
}

TEST_F(FolderListsTest, PathIsNormalisedToTheDisksSpelling) {
    std::string messy = lower(tiles_) + "\\gamma\\..\\.\\";
    for (char& c : messy) {
        if (c == '\\' && &c > &messy[3]) c = '/';
    }
    ASSERT_TRUE(DirList_SetPath(dirs_, messy)) << messy;
    EXPECT_EQ(lower(DirList_GetPath(dirs_)), lower(tiles_));
    // The folders this test made keep the letter case they were made with.
    const std::string got = DirList_GetPath(dirs_);
    const std::string tail = tiles_.substr(base_.rfind('\\'));  // "\kvr_dirs_N\Tiles"
    ASSERT_GT(got.size(), tail.size());
    EXPECT_EQ(got.substr(got.size() - tail.size()), tail);

    // A relative path starts at the current directory.
    ASSERT_TRUE(SetCurrentDirectoryA(base_.c_str()));
    ASSERT_TRUE(DirList_SetPath(dirs_, "Tiles\\gamma"));
    EXPECT_EQ(lower(DirList_GetPath(dirs_)), lower(tiles_ + "\\gamma"));
}

TEST_F(FolderListsTest, RootKeepsItsBackslash) {
    ASSERT_TRUE(DirList_SetPath(dirs_, "c:\\"));
    EXPECT_EQ(DirList_GetPath(dirs_), "C:\\");
    const std::vector<Line> lines = lines_of(dirs_);
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[0].text, "C:\\");
    EXPECT_EQ(lines[0].level, 0);
    bool windows = false;
    for (std::size_t i = 1; i < lines.size(); ++i) {
        EXPECT_EQ(lines[i].level, 1);
        windows = windows || lower(lines[i].text) == "windows";
        if (i > 1) {
            EXPECT_LE(lower(lines[i - 1].text), lower(lines[i].text));
        }
    }
    EXPECT_TRUE(windows);
    EXPECT_EQ(SendMessageA(inner_list(dirs_), LB_GETCURSEL, 0, 0), 0);
}

TEST_F(FolderListsTest, DoubleClickOpensSubfoldersAndAncestors) {
    ASSERT_TRUE(DirList_SetPath(dirs_, tiles_));
    const std::string tiles = DirList_GetPath(dirs_);

    double_click_line(dirs_, index_of(lines_of(dirs_), "gamma"));
    EXPECT_EQ(DirList_GetPath(dirs_), tiles + "\\gamma");
    expect_tree(tiles_ + "\\gamma", {"Sub"});

    double_click_line(dirs_, index_of(lines_of(dirs_), "Sub"));
    EXPECT_EQ(DirList_GetPath(dirs_), tiles + "\\gamma\\Sub");
    expect_tree(tiles_ + "\\gamma\\Sub", {});

    // Back up to the "Tiles" line, an ancestor.
    double_click_line(dirs_, index_of(lines_of(dirs_), "Tiles"));
    EXPECT_EQ(DirList_GetPath(dirs_), tiles);
    expect_tree(tiles_, {"Alpha", "beta", "gamma"});

    // The root line opens the drive's root.
    double_click_line(dirs_, 0);
    EXPECT_EQ(DirList_GetPath(dirs_), tiles.substr(0, 3));
}

TEST_F(FolderListsTest, EnterOpensTheSelectedLine) {
    ASSERT_TRUE(DirList_SetPath(dirs_, tiles_));
    const std::string tiles = DirList_GetPath(dirs_);
    HWND list = inner_list(dirs_);
    SetFocus(list);
    SendMessageA(list, LB_SETCURSEL, index_of(lines_of(dirs_), "Alpha"), 0);
    // Moving the selection alone opens nothing.
    pump();
    EXPECT_EQ(DirList_GetPath(dirs_), tiles);
    PostMessageA(list, WM_KEYDOWN, VK_RETURN, 1);
    pump();
    EXPECT_EQ(DirList_GetPath(dirs_), tiles + "\\Alpha");
    expect_tree(tiles_ + "\\Alpha", {});
    // The list box asks for Enter, so a dialog would not take it for its default button.
    MSG enter{list, WM_KEYDOWN, VK_RETURN, 1, 0, {0, 0}};
    EXPECT_TRUE(SendMessageA(list, WM_GETDLGCODE, VK_RETURN, reinterpret_cast<LPARAM>(&enter)) & DLGC_WANTMESSAGE);
}

TEST_F(FolderListsTest, RefusesWhatItCannotShowAndKeepsTheOldFolder) {
    ASSERT_TRUE(DirList_SetPath(dirs_, tiles_));
    const std::string before = DirList_GetPath(dirs_);
    const std::vector<Line> lines_before = lines_of(dirs_);
    std::string unused_drive;
    const DWORD mask = GetLogicalDrives();
    for (char d = 'q'; d >= 'e'; --d) {
        if (!(mask & (1u << (d - 'a')))) {
            unused_drive = std::string{d, ':', '\\'};
            break;
        }
    }
    const std::vector<std::string> refused{
        tiles_ + "\\nope",                  // missing
        tiles_ + "\\nope\\deeper",          // missing parent
        tiles_ + "\\bnField8.pcx",          // a file
        tiles_ + "\\bnField8.pcx\\x",       // below a file
        "",                                 // nothing
        tiles_ + "\\" + std::string(300, 'a'),  // too long
        tiles_ + "\\a*",                    // a pattern
        unused_drive,                       // no such drive
    };
    for (const std::string& path : refused) {
        EXPECT_FALSE(DirList_SetPath(dirs_, path)) << path;
        EXPECT_EQ(DirList_GetPath(dirs_), before) << path;
        const std::vector<Line> now = lines_of(dirs_);
        ASSERT_EQ(now.size(), lines_before.size()) << path;
        for (std::size_t i = 0; i < now.size(); ++i) EXPECT_EQ(now[i].text, lines_before[i].text) << path;
    }
    EXPECT_FALSE(DirList_SetPath(parent_, tiles_));
    EXPECT_EQ(DirList_GetPath(parent_), "");
}

TEST_F(FolderListsTest, AFolderGoneSinceListingIsDroppedOnOpening) {
    ASSERT_TRUE(DirList_SetPath(dirs_, tiles_));
    const std::string tiles = DirList_GetPath(dirs_);
    ASSERT_TRUE(RemoveDirectoryA((tiles_ + "\\beta").c_str()));
    double_click_line(dirs_, index_of(lines_of(dirs_), "beta"));
    EXPECT_EQ(DirList_GetPath(dirs_), tiles);
    expect_tree(tiles_, {"Alpha", "gamma"});
}

TEST_F(FolderListsTest, HiddenFoldersAreLeftOut) {
    const std::string hidden = tiles_ + "\\secret";
    ASSERT_TRUE(CreateDirectoryA(hidden.c_str(), nullptr));
    SetFileAttributesA(hidden.c_str(), FILE_ATTRIBUTE_HIDDEN);
    ASSERT_TRUE(CreateDirectoryA((tiles_ + "\\.dot").c_str(), nullptr));
    const DWORD secret = GetFileAttributesA(hidden.c_str());
    const DWORD dot = GetFileAttributesA((tiles_ + "\\.dot").c_str());
    std::vector<std::string> expected{"Alpha", "beta", "gamma"};
    if (!(secret & FILE_ATTRIBUTE_HIDDEN)) expected.push_back("secret");  // the disk keeps no such flag
    if (!(dot & FILE_ATTRIBUTE_HIDDEN)) expected.insert(expected.begin(), ".dot");
    ASSERT_TRUE(DirList_SetPath(dirs_, tiles_));
    expect_tree(tiles_, expected);
    // A hidden folder can still be shown when asked for by name.
    EXPECT_TRUE(DirList_SetPath(dirs_, hidden));
}

TEST_F(FolderListsTest, StartsAtTheCurrentDirectory) {
    ASSERT_TRUE(SetCurrentDirectoryA(tiles_.c_str()));
    HWND second = CreateDirList(parent_, 43, 300, 8, 249, 81);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(lower(DirList_GetPath(second)), lower(tiles_));
    // In the editor's 81-pixel list the current folder's line is in sight.
    HWND list = inner_list(second);
    RECT client{};
    GetClientRect(list, &client);
    RECT line{};
    const LRESULT current = SendMessageA(list, LB_GETCURSEL, 0, 0);
    ASSERT_NE(SendMessageA(list, LB_GETITEMRECT, current, reinterpret_cast<LPARAM>(&line)), LB_ERR);
    EXPECT_GE(line.top, client.top);
    EXPECT_LE(line.bottom, client.bottom);
}

TEST_F(FolderListsTest, TakesTheFontAndDrawsItsLines) {
    ASSERT_TRUE(DirList_SetPath(dirs_, tiles_));
    HFONT font = CreateFontA(-11, 0, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, 0, "MS Sans Serif");
    SendMessageA(dirs_, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageA(dirs_, WM_GETFONT, 0, 0)), font);
    HWND list = inner_list(dirs_);
    EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageA(list, WM_GETFONT, 0, 0)), font);
    HDC dc = GetDC(list);
    HGDIOBJ old = SelectObject(dc, font);
    TEXTMETRICA tm{};
    GetTextMetricsA(dc, &tm);
    SelectObject(dc, old);
    ReleaseDC(list, dc);
    EXPECT_EQ(SendMessageA(list, LB_GETITEMHEIGHT, 0, 0), std::max<LRESULT>(tm.tmHeight + 2, 14));

    // The selected (current) line's text sits on the highlight colour, folder glyphs are
    // drawn in yellow, and the text in the window-text colour.
    const controls_test::Capture c = capture_client(list);
    const std::uint32_t highlight = GetSysColor(COLOR_HIGHLIGHT);
    const auto to_rgb = [](COLORREF c) { return std::uint32_t{GetRValue(c)} << 16 | GetGValue(c) << 8 | GetBValue(c); };
    int highlighted = 0;
    int yellow = 0;
    int text = 0;
    for (std::uint32_t px : c.pixels) {
        highlighted += px == to_rgb(highlight);
        yellow += px == 0xFFD850 || px == 0xFFE880;
        text += px == to_rgb(GetSysColor(COLOR_WINDOWTEXT));
    }
    EXPECT_GT(highlighted, 20);
    EXPECT_GT(yellow, 20);
    EXPECT_GT(text, 20);
    DestroyWindow(parent_);
    parent_ = nullptr;
    DeleteObject(font);
}

}  // namespace
