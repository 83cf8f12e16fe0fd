// The folder tree that the directory list shows (portable): an absolute Windows path split
// into its root and folders, the lines of the list (each folder from the root down to the
// current one, then the current folder's sub-folders one level deeper) and the folder that
// each line stands for.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace kvr::ui {

// Longest path the ANSI file functions take (MAX_PATH without its terminating zero).
inline constexpr std::size_t kMaxFolderPathLength = 259;

struct FolderPath {
    std::string root;                  // "C:" (letter upper-cased) or "\\server\share"; never ends in '\'
    std::vector<std::string> folders;  // below the root, outermost first

    bool operator==(const FolderPath&) const = default;
};

// Splits an absolute path ("c:\a\b", "C:/a//b\", "\\server\share\a") into root and folders.
// '.' and '..' are resolved ('..' stops at the root). False for a relative or drive-relative
// path, an incomplete network root, a name with a character that no file name may hold, or
// a result longer than kMaxFolderPathLength.
bool split_folder_path(std::string_view path, FolderPath& out);

// "C:\" at a drive root, "\\server\share\" at a network root, "C:\a\b" below a root.
std::string folder_path_text(const FolderPath& path);

// The same path cut after its first `depth` folders (depth 0 is the root).
FolderPath folder_path_prefix(const FolderPath& path, std::size_t depth);

// Order of the sub-folder lines: case-insensitive (ASCII letters), ties broken by bytes so
// that the order never depends on the listing order.
bool folder_name_less(std::string_view a, std::string_view b);

struct FolderLine {
    std::string text;  // the root as folder_path_text shows it, else the folder's own name
    int level = 0;     // indentation: 0 for the root
    bool open = false; // the root, an ancestor or the current folder (not a sub-folder)

    bool operator==(const FolderLine&) const = default;
};

// The lines for `current` with the names of its sub-folders (any order; sorted here).
// The current folder's line is number current.folders.size().
std::vector<FolderLine> folder_tree_lines(const FolderPath& current, std::vector<std::string> subfolders);

// The folder that line `index` of folder_tree_lines(current, ...) stands for; false for an
// index outside `lines` or a sub-folder whose path would be too long.
bool folder_line_path(const FolderPath& current, const std::vector<FolderLine>& lines, int index,
                      FolderPath& out);

}  // namespace kvr::ui
