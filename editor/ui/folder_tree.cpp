#include "editor/ui/folder_tree.h"

#include <algorithm>

namespace kvr::ui {

namespace {

bool is_separator(char c) { return c == '\\' || c == '/'; }

bool is_ascii_letter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

char ascii_lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

char ascii_upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

// Characters that no Windows file or folder name may hold.
bool is_valid_name(std::string_view name) {
    for (char c : name) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 32 || c == '<' || c == '>' || c == ':' || c == '"' || c == '|' || c == '?' || c == '*') {
            return false;
        }
    }
    return true;
}

// Splits `text` at separators, skipping empty pieces.
std::vector<std::string_view> pieces(std::string_view text) {
    std::vector<std::string_view> out;
    std::size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && is_separator(text[i])) ++i;
        std::size_t j = i;
        while (j < text.size() && !is_separator(text[j])) ++j;
        if (j > i) out.push_back(text.substr(i, j - i));
        i = j;
    }
    return out;
}

}  // namespace

bool split_folder_path(std::string_view path, FolderPath& out) {
    FolderPath result;
    std::string_view rest;
    if (path.size() >= 2 && is_ascii_letter(path[0]) && path[1] == ':') {
        // "C:" alone is the drive's root; "C:name" is relative to the drive's current folder.
        if (path.size() > 2 && !is_separator(path[2])) return false;
        result.root = std::string{ascii_upper(path[0]), ':'};
        rest = path.substr(2);
    } else if (path.size() >= 2 && is_separator(path[0]) && is_separator(path[1])) {
        const std::vector<std::string_view> parts = pieces(path.substr(2));
        // "\\?\" and "\\.\" are device namespaces, not network roots.
        if (parts.size() < 2 || parts[0] == "?" || parts[0] == "." || !is_valid_name(parts[0]) ||
            !is_valid_name(parts[1])) {
            return false;
        }
        result.root = "\\\\" + std::string(parts[0]) + "\\" + std::string(parts[1]);
        // Everything after the share name.
        const std::size_t share_end = parts[1].data() + parts[1].size() - path.data();
        rest = path.substr(share_end);
    } else {
        return false;
    }
    for (std::string_view name : pieces(rest)) {
        if (name == ".") continue;
        if (name == "..") {
            if (!result.folders.empty()) result.folders.pop_back();
            continue;
        }
        if (!is_valid_name(name)) return false;
        result.folders.emplace_back(name);
    }
    if (folder_path_text(result).size() > kMaxFolderPathLength) return false;
    out = std::move(result);
    return true;
}

std::string folder_path_text(const FolderPath& path) {
    std::string text = path.root;
    if (path.folders.empty()) return text + "\\";
    for (const std::string& name : path.folders) {
        text += '\\';
        text += name;
    }
    return text;
}

FolderPath folder_path_prefix(const FolderPath& path, std::size_t depth) {
    FolderPath out;
    out.root = path.root;
    const std::size_t n = std::min(depth, path.folders.size());
    out.folders.assign(path.folders.begin(), path.folders.begin() + static_cast<std::ptrdiff_t>(n));
    return out;
}

bool folder_name_less(std::string_view a, std::string_view b) {
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        const char x = ascii_lower(a[i]);
        const char y = ascii_lower(b[i]);
        if (x != y) return static_cast<unsigned char>(x) < static_cast<unsigned char>(y);
    }
    if (a.size() != b.size()) return a.size() < b.size();
    return a < b;
}

std::vector<FolderLine> folder_tree_lines(const FolderPath& current, std::vector<std::string> subfolders) {
    std::sort(subfolders.begin(), subfolders.end(),
              [](const std::string& a, const std::string& b) { return folder_name_less(a, b); });
    std::vector<FolderLine> lines;
    lines.reserve(current.folders.size() + 1 + subfolders.size());
    lines.push_back({folder_path_text(folder_path_prefix(current, 0)), 0, true});
    int level = 1;
    for (const std::string& name : current.folders) lines.push_back({name, level++, true});
    for (std::string& name : subfolders) lines.push_back({std::move(name), level, false});
    return lines;
}

bool folder_line_path(const FolderPath& current, const std::vector<FolderLine>& lines, int index,
                      FolderPath& out) {
    if (index < 0 || static_cast<std::size_t>(index) >= lines.size()) return false;
    const auto i = static_cast<std::size_t>(index);
    if (i <= current.folders.size()) {
        out = folder_path_prefix(current, i);
        return true;
    }
    FolderPath child = current;
    child.folders.push_back(lines[i].text);
    if (folder_path_text(child).size() > kMaxFolderPathLength) return false;
    out = std::move(child);
    return true;
}

}  // namespace kvr::ui
