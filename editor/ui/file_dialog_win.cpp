#include "editor/ui/file_dialog_win.h"

#include <commdlg.h>

#include <cstring>

namespace kvr::ui {

namespace {

FileDialogAnswerer& answerer() {
    static FileDialogAnswerer instance;
    return instance;
}

}  // namespace

std::string common_dialog_filter(const std::string& filter) {
    std::string out = filter;
    for (char& c : out) {
        if (c == '|') c = '\0';
    }
    out.push_back('\0');
    out.push_back('\0');
    return out;
}

void SetFileDialogAnswerer(FileDialogAnswerer a) { answerer() = std::move(a); }

std::string AskFileName(HWND owner, const FileDialogRequest& request) {
    if (answerer()) return answerer()(request);

    char name[MAX_PATH] = {};
    std::strncpy(name, request.file_name.c_str(), MAX_PATH - 1);
    const std::string filter = common_dialog_filter(request.filter);
    OPENFILENAMEA ofn = {};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = filter.c_str();
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = name;
    ofn.nMaxFile = MAX_PATH;
    ofn.lpstrTitle = request.title.c_str();
    ofn.lpstrDefExt = request.default_extension.empty() ? nullptr : request.default_extension.c_str();
    ofn.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR;
    BOOL chosen;
    if (request.kind == FileDialogKind::Open) {
        ofn.Flags |= OFN_FILEMUSTEXIST;
        chosen = GetOpenFileNameA(&ofn);
    } else {
        ofn.Flags |= OFN_OVERWRITEPROMPT;
        chosen = GetSaveFileNameA(&ofn);
    }
    return chosen ? std::string(name) : std::string();
}

}  // namespace kvr::ui
