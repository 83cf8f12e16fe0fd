// Writing out the library and the package, and the two callbacks the library calls back.
#include "setup_loader/loader_win.h"

#include "setup_loader/bounded_text.h"
#include "setup_loader/progress.h"

namespace {

// The loader's own length (90,624, padded to it by the build): its package starts right
// behind it.
constexpr DWORD kPackageOffset = KVR_PACKAGE_OFFSET;
constexpr DWORD kCopyBlock = 1024;
const char kLibraryError[] = "Could not extract decompression library!";

typedef INT(WINAPI* LZInitFn)(INT);
typedef LONG(WINAPI* LZCopyFn)(INT, INT);
typedef void(WINAPI* LZCloseFn)(INT);

template <typename Fn>
Fn Bind(HMODULE module, const char* name) {
    return module ? reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name))) : nullptr;
}

void WriteCompressedLibrary(const char* path) {
    HRSRC info = FindResourceA(nullptr, "DECOMP32", MAKEINTRESOURCEA(10));  // RCDATA
    HGLOBAL loaded = info ? LoadResource(nullptr, info) : nullptr;
    const DWORD size = info ? SizeofResource(nullptr, info) : 0;
    const void* bytes = loaded ? LockResource(loaded) : nullptr;
    if (!bytes || size == 0) FatalError(kLibraryError);

    HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) FatalError(kLibraryError);
    DWORD written = 0;
    bool ok = WriteFile(file, bytes, size, &written, nullptr) && written == size;
    ok = CloseHandle(file) && ok;
    if (!ok) FatalError(kLibraryError);
}

HANDLE OpenedOrNull(HANDLE file) { return file == INVALID_HANDLE_VALUE ? nullptr : file; }

// Copies everything behind the loader's own image into `target_path`, moving the bar from
// 0 to 50. Stops early on a short write or when the user cancels.
void CopyPackage(const char* target_path) {
    char own_path[kPathCapacity];
    const DWORD n = GetModuleFileNameA(nullptr, own_path, kPathCapacity);
    if (n == 0 || n >= kPathCapacity) own_path[0] = '\0';  // cut off: not our file
    CopySource = OpenedOrNull(CreateFileA(own_path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                          FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!CopySource) FatalError("Could not open input file!");

    DWORD size_high = 0;
    const DWORD size_low = GetFileSize(CopySource, &size_high);
    const std::uint64_t size = (static_cast<std::uint64_t>(size_high) << 32) | size_low;
    const std::uint64_t length = size > kPackageOffset ? size - kPackageOffset : 0;
    SetFilePointer(CopySource, kPackageOffset, nullptr, FILE_BEGIN);
    // A target that cannot be created fails the first write; the library then finds no package.
    CopyTarget = OpenedOrNull(
        CreateFileA(target_path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));

    char block[kCopyBlock];
    std::uint64_t copied = 0;
    for (;;) {
        PumpMessages();
        DWORD read = 0;
        if (!ReadFile(CopySource, block, kCopyBlock, &read, nullptr)) read = 0;
        copied += read;
        DWORD written = 0;
        if (!CopyTarget || !WriteFile(CopyTarget, block, read, &written, nullptr)) written = 0;
        SetProgress(CopyProgressPosition(copied, length));
        if (read == 0 || written != read || CancelRequested) break;
    }
    CloseCopyFiles();
}

// Expands the LZ-compressed library file into the loadable one. The files are opened here
// and handed to the LZ services as handles: their own open call takes paths of at most 127
// characters, well short of the 260 that a working folder may use.
void ExpandLibrary(const char* compressed_path, const char* expanded_path) {
    HMODULE lz = LoadSystemLibrary("lz32.dll");
    auto lz_init = Bind<LZInitFn>(lz, "LZInit");
    auto lz_copy = Bind<LZCopyFn>(lz, "LZCopy");
    auto lz_close = Bind<LZCloseFn>(lz, "LZClose");
    if (!lz_init || !lz_copy || !lz_close) FatalError(kLibraryError);

    HANDLE compressed = CreateFileA(compressed_path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (compressed == INVALID_HANDLE_VALUE) FatalError(kLibraryError);
    const INT source = lz_init(static_cast<INT>(reinterpret_cast<INT_PTR>(compressed)));
    if (source < 0) {
        CloseHandle(compressed);  // an open file would keep the working folder from being deleted
        FatalError(kLibraryError);
    }
    HANDLE expanded = CreateFileA(expanded_path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                  nullptr);
    if (expanded == INVALID_HANDLE_VALUE) {
        lz_close(source);
        FatalError(kLibraryError);
    }
    lz_copy(source, static_cast<INT>(reinterpret_cast<INT_PTR>(expanded)));  // a bad copy fails to load later
    lz_close(source);  // closes the compressed file as well
    CloseHandle(expanded);
}

}  // namespace

void ExtractFiles() {
    char compressed_path[kPathCapacity];
    char package_path[kPathCapacity];
    char library_path[kPathCapacity];
    if (!WorkingPath("\\decomp32.dl_", compressed_path) || !WorkingPath("\\data.lib", package_path) ||
        !WorkingPath("\\decomp32.dll", library_path))
        FatalError(kLibraryError);

    WriteCompressedLibrary(compressed_path);
    CopyPackage(package_path);
    ExpandLibrary(compressed_path, library_path);
    DeleteFileA(compressed_path);
}

void __stdcall ProgressCallback(std::int32_t percent, std::int32_t, std::int32_t* abort) {
    SetProgress(UnpackProgressPosition(percent));
    PumpMessages();
    if (abort) *abort = CancelRequested ? -1 : 0;
}

void __stdcall DiskCallback(std::uint8_t disk) {
    char storage[40];
    TextBuffer text = TextOn(storage, sizeof storage);
    TextAppend(text, "Please insert disk no. #");
    TextAppendDecimal(text, disk);
    TextAppendChar(text, '!');
    MessageBoxA(nullptr, text.data, "Insert next disk", MB_OK);
}
