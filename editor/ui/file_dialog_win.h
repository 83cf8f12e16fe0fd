// The editor's file dialog (`cmdiag`): every open and save dialog goes through AskFileName,
// which tests can answer in place of the common dialog.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace kvr::ui {

enum class FileDialogKind { Open, Save };

struct FileDialogRequest {
    FileDialogKind kind = FileDialogKind::Open;
    std::string title;              // "Load File", "Save As"
    std::string filter;             // description|pattern pairs: "KVR_ZPL.DAT|kvr_zpl*.dat"
    std::string file_name;          // shown in the name box when the dialog opens
    std::string default_extension;  // without the dot: "dat"
};

// Shows the dialog; the chosen full path, or "" when the user cancelled.
std::string AskFileName(HWND owner, const FileDialogRequest& request);

// Tests answer the dialog themselves; an empty function restores the common dialog.
using FileDialogAnswerer = std::function<std::string(const FileDialogRequest&)>;
void SetFileDialogAnswerer(FileDialogAnswerer answerer);

// "A|b|C|d" as the common dialog wants it: "A\0b\0C\0d\0\0".
std::string common_dialog_filter(const std::string& filter);

}  // namespace kvr::ui
