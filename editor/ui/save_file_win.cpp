#include "editor/ui/save_file_win.h"

#include <windows.h>

#include "editor/data/kvr_file.h"

namespace kvr::ui {

namespace {

std::string folder_of(const std::string& path) {
    const std::size_t cut = path.find_last_of("\\/");
    if (cut == std::string::npos) return ".";
    if (cut == 0 || (cut == 2 && path[1] == ':')) return path.substr(0, cut + 1);  // a root
    return path.substr(0, cut);
}

bool fail(std::string& reason, const std::string& text) {
    reason = text;
    return false;
}

bool fail_with_last_error(std::string& reason) { return fail(reason, SystemErrorText(GetLastError())); }

}  // namespace

std::string SystemErrorText(unsigned long code) {
    char* text = nullptr;
    const DWORD n = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                       FORMAT_MESSAGE_IGNORE_INSERTS,
                                   nullptr, code, 0, reinterpret_cast<LPSTR>(&text), 0, nullptr);
    std::string out = n && text ? std::string(text, n) : "Error " + std::to_string(code) + ".";
    if (text) LocalFree(text);
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r' || out.back() == ' ')) out.pop_back();
    return out;
}

bool WriteDataFileSafely(const std::string& target, const std::uint8_t* image, std::string& reason) {
    const DWORD attributes = GetFileAttributesA(target.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) {
        if (attributes & FILE_ATTRIBUTE_DIRECTORY) return fail(reason, "It is a folder.");
        if (attributes & FILE_ATTRIBUTE_READONLY) return fail(reason, "The file is read-only.");
    }

    char temporary[MAX_PATH] = {};
    if (!GetTempFileNameA(folder_of(target).c_str(), "kvr", 0, temporary)) return fail_with_last_error(reason);

    HANDLE file = CreateFileA(temporary, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        fail_with_last_error(reason);
        DeleteFileA(temporary);
        return false;
    }
    // Ten writes, one per write block; the flush only after a successful last write.
    bool all_written = true;
    DWORD write_error = 0;
    BOOL last_ok = FALSE;
    for (int block = 0; block < kWriteBlockCount; ++block) {
        const auto size = static_cast<DWORD>(write_block_size(block));
        DWORD written = 0;
        last_ok = WriteFile(file, image + write_block_offset(block), size, &written, nullptr);
        if (!last_ok || written != size) {
            if (all_written) write_error = last_ok ? ERROR_HANDLE_DISK_FULL : GetLastError();
            all_written = false;
        }
    }
    bool flushed = false;
    DWORD flush_error = 0;
    if (last_ok) {
        flushed = FlushFileBuffers(file) != 0;
        if (!flushed) flush_error = GetLastError();
    }
    CloseHandle(file);

    if (!all_written || !flushed) {
        DeleteFileA(temporary);
        return fail(reason, SystemErrorText(!all_written ? write_error : flush_error));
    }
    if (!MoveFileExA(temporary, target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        fail_with_last_error(reason);
        DeleteFileA(temporary);
        return false;
    }
    return true;
}

}  // namespace kvr::ui
