// decomp32.dll: the exports over the portable package reader, with Win32 file services.
// Every failure leaves an export as a structured exception (decomp32_api.h): C++
// exceptions cannot cross from this statically linked module into the loader.
#include <windows.h>

#include <cstring>

#include "decomp32/decomp32_api.h"
#include "decomp32/package_reader.h"

using decomp::DiskCallback;
using decomp::EntryCallback;
using decomp::ProgressCallback;

namespace {

// ----- Win32 file services -----

constexpr DWORD kWriteBufferSize = 64 * 1024;

struct WriteHandle {
    HANDLE h;
    bool failed;
    DWORD used;
    BYTE buf[kWriteBufferSize];
};

void* OpenRead(void*, const char* path, bool* missing) {
    HANDLE h = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN,
                           nullptr);
    if (h != INVALID_HANDLE_VALUE) return h;
    const DWORD err = GetLastError();
    // An empty drive counts as a missing disk: that is when the user is asked for it.
    *missing = err == ERROR_FILE_NOT_FOUND || err == ERROR_PATH_NOT_FOUND || err == ERROR_NOT_READY;
    return nullptr;
}

bool FileSize(void* file, std::uint64_t* size) {
    LARGE_INTEGER li;
    if (!GetFileSizeEx(static_cast<HANDLE>(file), &li)) return false;
    *size = std::uint64_t(li.QuadPart);
    return true;
}

bool Seek(void* file, std::uint64_t offset) {
    LARGE_INTEGER li;
    li.QuadPart = LONGLONG(offset);
    return SetFilePointerEx(static_cast<HANDLE>(file), li, nullptr, FILE_BEGIN) != 0;
}

std::size_t Read(void* file, std::uint8_t* buf, std::size_t n) {
    DWORD got = 0;
    if (n > 0x40000000u) n = 0x40000000u;
    if (!ReadFile(static_cast<HANDLE>(file), buf, DWORD(n), &got, nullptr)) return decomp::kReadError;
    return got;
}

void CloseRead(void* file) { CloseHandle(static_cast<HANDLE>(file)); }

void* Create(void*, const char* path) {
    HANDLE h = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return nullptr;
    auto* w = static_cast<WriteHandle*>(HeapAlloc(GetProcessHeap(), 0, sizeof(WriteHandle)));
    if (!w) {
        CloseHandle(h);
        return nullptr;
    }
    w->h = h;
    w->failed = false;
    w->used = 0;
    return w;
}

bool WriteAll(HANDLE h, const BYTE* data, std::size_t n) {
    while (n) {
        const DWORD chunk = n > 0x40000000u ? 0x40000000u : DWORD(n);
        DWORD put = 0;
        if (!WriteFile(h, data, chunk, &put, nullptr) || put == 0) return false;
        data += put;
        n -= put;
    }
    return true;
}

bool Flush(WriteHandle& w) {
    if (w.used && !w.failed) w.failed = !WriteAll(w.h, w.buf, w.used);
    w.used = 0;
    return !w.failed;
}

bool Write(void* file, const std::uint8_t* data, std::size_t n) {
    WriteHandle& w = *static_cast<WriteHandle*>(file);
    if (w.failed) return false;
    if (w.used + n > kWriteBufferSize) {
        if (!Flush(w)) return false;
        if (n >= kWriteBufferSize) {
            w.failed = !WriteAll(w.h, data, n);
            return !w.failed;
        }
    }
    std::memcpy(w.buf + w.used, data, n);
    w.used += DWORD(n);
    return true;
}

bool CloseWrite(void* file, std::uint32_t dos_time) {
    WriteHandle& w = *static_cast<WriteHandle*>(file);
    bool ok = Flush(w);
    if (ok && dos_time != decomp::kKeepTime) {
        // The packed form is local time, as the file system shows it.
        FILETIME local, utc;
        ok = DosDateTimeToFileTime(WORD(dos_time >> 16), WORD(dos_time), &local) &&
             LocalFileTimeToFileTime(&local, &utc) && SetFileTime(w.h, &utc, &utc, &utc);
    }
    if (!CloseHandle(w.h)) ok = false;
    HeapFree(GetProcessHeap(), 0, &w);
    return ok;
}

bool Remove(void*, const char* path) { return DeleteFileA(path) != 0; }
bool Rename(void*, const char* from, const char* to) { return MoveFileA(from, to) != 0; }

bool MakeDir(void*, const char* path) {
    if (CreateDirectoryA(path, nullptr)) return true;
    const DWORD attr = GetFileAttributesA(path);
    return attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_DIRECTORY);
}

decomp::FileOps Win32Ops() {
    decomp::FileOps ops;
    ops.separator = '\\';
    ops.open_read = OpenRead;
    ops.file_size = FileSize;
    ops.seek = Seek;
    ops.read = Read;
    ops.close_read = CloseRead;
    ops.create = Create;
    ops.write = Write;
    ops.close_write = CloseWrite;
    ops.remove = Remove;
    ops.rename = Rename;
    ops.make_dir = MakeDir;
    return ops;
}

// ----- the loader's callbacks -----

struct Callbacks {
    ProgressCallback progress;
    DiskCallback disk;
};

bool OnProgress(void* ctx, int percent) {
    std::int32_t abort_value = 0;
    static_cast<Callbacks*>(ctx)->progress(percent, 0, &abort_value);
    return abort_value == 0;
}

void OnDisk(void* ctx, unsigned disk) { static_cast<Callbacks*>(ctx)->disk(std::uint8_t(disk)); }

decomp::ExtractHooks MakeHooks(Callbacks& cb) {
    decomp::ExtractHooks hooks;
    hooks.ctx = &cb;
    hooks.progress = cb.progress ? OnProgress : nullptr;
    hooks.need_disk = cb.disk ? OnDisk : nullptr;
    return hooks;
}

// ----- errors -----

// Stays valid until the library is unloaded, as the exception's parameter promises.
char g_message[512];

[[noreturn]] void Raise(const char* text) {
    std::size_t n = 0;
    for (; text && text[n] && n + 1 < sizeof g_message; ++n) g_message[n] = text[n];
    g_message[n] = '\0';
    ULONG_PTR info[1] = {reinterpret_cast<ULONG_PTR>(g_message)};
    RaiseException(decomp::kDecompErrorCode, EXCEPTION_NONCONTINUABLE, 1, info);
    for (;;) {
    }
}

// Runs `work` on an open package; closes it before an error leaves the library (no
// destructors run once the exception is raised).
template <typename Work>
void WithPackage(const char* path, const char* key, Callbacks& cb, Work work) {
    const decomp::FileOps ops = Win32Ops();
    decomp::PackageReader reader;
    const char* err = decomp::package_open(reader, ops, MakeHooks(cb), path, key);
    if (!err) err = work(reader);
    if (err) {
        // Copied first: the text lives in the reader.
        char text[sizeof reader.message];
        std::size_t n = 0;
        for (; err[n] && n + 1 < sizeof text; ++n) text[n] = err[n];
        text[n] = '\0';
        decomp::package_close(reader);
        Raise(text);
    }
    decomp::package_close(reader);
}

}  // namespace

extern "C" {

// The library has no global object to construct and takes only memory and string functions
// from msvcrt, so it needs none of the C runtime's start-up code: this is its entry point.
BOOL WINAPI DecompDllEntry(HINSTANCE, DWORD, LPVOID) { return TRUE; }

// The loader's one call: unpacks every file of the package into `destination`.
void __stdcall ExtractAll(const char* package_path, const char* package_key, const char* destination,
                          ProgressCallback progress, DiskCallback disk) {
    Callbacks cb{progress, disk};
    WithPackage(package_path, package_key, cb, [&](decomp::PackageReader& r) {
        return decomp::package_extract_all(r, destination, decomp::UnpackMode::kWrite);
    });
}

std::int32_t __stdcall Prepare(const char* package_path, const char* package_key, DiskCallback disk) {
    Callbacks cb{nullptr, disk};
    std::int32_t count = 0;
    WithPackage(package_path, package_key, cb, [&](decomp::PackageReader& r) -> const char* {
        count = std::int32_t(r.header.entry_count);
        return nullptr;
    });
    return count;
}

std::int32_t __stdcall ReadArchive(const char* package_path, const char* package_key, EntryCallback entry,
                                   void* ctx) {
    Callbacks cb{nullptr, nullptr};
    std::int32_t count = 0;
    WithPackage(package_path, package_key, cb, [&](decomp::PackageReader& r) -> const char* {
        for (std::uint32_t i = 0; i < r.header.entry_count; ++i) {
            decomp::PackageEntry e;
            if (const char* err = decomp::package_entry(r, i, e)) return err;
            if (entry) entry(ctx, e.name, e.size, e.dos_time, e.kind);
            ++count;
        }
        return nullptr;
    });
    return count;
}

void __stdcall DecompressFile(const char* package_path, const char* package_key, const char* name,
                              const char* target, ProgressCallback progress, DiskCallback disk) {
    Callbacks cb{progress, disk};
    WithPackage(package_path, package_key, cb, [&](decomp::PackageReader& r) -> const char* {
        decomp::PackageEntry e;
        if (!name) return "no file name";
        if (const char* err = decomp::package_find(r, name, nullptr, e)) return err;
        return decomp::package_extract_to(r, e, target, decomp::UnpackMode::kWrite);
    });
}

}  // extern "C"
