// The working folder: choosing and creating it, deleting folder trees, and the last step
// of every error path.
#include "setup_loader/loader_win.h"

#include "setup_loader/bounded_text.h"
#include "setup_loader/long_path.h"

namespace {

bool IsSelfOrParent(const char* name) {
    return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

bool FindEntryName(void*, const char* path, TextBuffer& name) {
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA(path, &entry);
    if (search == INVALID_HANDLE_VALUE) return false;
    FindClose(search);
    return TextAppend(name, entry.cFileName[0] != '\0' ? entry.cFileName : entry.cAlternateFileName);
}

// The folder under which QZ<n> is made, with one trailing backslash. Without a temporary
// folder it is the current directory, as a full path: every deletion of the working
// folder first changes the current directory to C:\.
void WorkingFolderParent(TextBuffer& parent) {
    char reported[kPathCapacity];
    DWORD n = GetTempPathA(kPathCapacity, reported);
    char prefix_storage[kPathCapacity];
    TextBuffer prefix = TextOn(prefix_storage, sizeof prefix_storage);
    TempFolderPrefix(reported, n, kPathCapacity, prefix);
    if (prefix.length == 0) {
        n = GetCurrentDirectoryA(kPathCapacity, reported);
        TempFolderPrefix(reported, n, kPathCapacity, prefix);
    }
    if (!ExpandLongPath(prefix.data, FindEntryName, nullptr, parent)) TextAppend(parent, prefix.data);
}

}  // namespace

bool DirectoryExists(const char* path) {
    const DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool DeleteTree(const char* folder, bool remove_folder) {
    if (!DirectoryExists(folder)) return false;
    bool deleted = true;

    char path_storage[kPathCapacity];
    TextBuffer path = TextOn(path_storage, sizeof path_storage);
    TextAppend(path, folder);
    const std::size_t folder_length = path.length;
    WIN32_FIND_DATAA entry;
    HANDLE search = TextAppend(path, "\\*.*") ? FindFirstFileA(path.data, &entry) : INVALID_HANDLE_VALUE;
    if (search != INVALID_HANDLE_VALUE) {
        do {
            if (IsSelfOrParent(entry.cFileName)) continue;
            path.length = folder_length;
            if (!TextAppendChar(path, '\\') || !TextAppend(path, entry.cFileName)) {
                deleted = false;
                continue;
            }
            if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                // A junction or link is removed itself; what it points to is not ours.
                if (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)
                    deleted = RemoveDirectoryA(path.data) && deleted;
                else
                    deleted = DeleteTree(path.data, remove_folder) && deleted;
            } else {
                if (entry.dwFileAttributes & FILE_ATTRIBUTE_READONLY)
                    SetFileAttributesA(path.data, FILE_ATTRIBUTE_ARCHIVE);
                deleted = DeleteFileA(path.data) && deleted;
            }
        } while (FindNextFileA(search, &entry));
        FindClose(search);
    }
    if (remove_folder) deleted = RemoveDirectoryA(folder) != 0;
    return deleted;
}

void CreateWorkingFolder() {
    char parent_storage[kPathCapacity];
    TextBuffer parent = TextOn(parent_storage, sizeof parent_storage);
    WorkingFolderParent(parent);

    char candidate_storage[kPathCapacity];
    TextBuffer candidate = TextOn(candidate_storage, sizeof candidate_storage);
    // QZ0, QZ1, ...: an empty leftover folder is taken over, one that still holds files is
    // skipped. The counter is 16 bits wide; when every name is taken no folder is made.
    for (unsigned counter = 0;; ++counter) {
        if (counter > 0xFFFF) return;
        candidate = TextOn(candidate_storage, sizeof candidate_storage);
        TextAppend(candidate, parent.data);
        TextAppend(candidate, "QZ");
        if (!TextAppendDecimal(candidate, counter)) return;
        while (DirectoryExists(candidate.data) && RemoveDirectoryA(candidate.data)) {
        }
        if (!DirectoryExists(candidate.data)) break;
    }
    CreateDirectoryA(candidate.data, nullptr);
    TextBuffer folder = TextOn(TempFolder, sizeof TempFolder);
    TextAppend(folder, candidate.data);
}

bool WorkingPath(const char* name, char (&path)[kPathCapacity]) {
    TextBuffer text = TextOn(path, kPathCapacity);
    // Without a working folder the name would point into the current drive's root.
    if (TempFolder[0] == '\0') return false;
    return TextAppend(text, TempFolder) && TextAppend(text, name);
}

void CloseCopyFiles() {
    if (CopySource) CloseHandle(CopySource);
    if (CopyTarget) CloseHandle(CopyTarget);
    CopySource = nullptr;
    CopyTarget = nullptr;
}

void CleanupAndExit() {
    CloseCopyFiles();
    SetCurrentDirectoryA("C:\\");
    if (!DeleteTree(TempFolder, true))
        MessageBoxA(nullptr, "Could not delete temporary installation files!", "Error", MB_OK | MB_ICONSTOP);
    ExitProcess(0);
}

void QuitQuietly() {
    CloseCopyFiles();
    SetCurrentDirectoryA("C:\\");
    DeleteTree(TempFolder, true);
    ExitProcess(0);
}
