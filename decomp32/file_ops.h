// The file services the package reader needs, as plain function pointers: Win32 in the
// DLL, POSIX in the host tools and tests, memory in the fuzz target.
#pragma once

#include <cstddef>
#include <cstdint>

#include "decomp32/stream.h"

namespace decomp {

inline constexpr std::uint32_t kKeepTime = 0;  // close_write: leave the file's time alone

struct FileOps {
    void* ctx = nullptr;
    char separator = '/';  // between folder names in the paths the reader builds
    // Opens for reading. Null on failure; *missing is then true when no such file exists.
    void* (*open_read)(void* ctx, const char* path, bool* missing) = nullptr;
    bool (*file_size)(void* file, std::uint64_t* size) = nullptr;
    bool (*seek)(void* file, std::uint64_t offset) = nullptr;
    // Returns the count read, 0 at the end, kReadError on failure.
    std::size_t (*read)(void* file, std::uint8_t* buf, std::size_t n) = nullptr;
    void (*close_read)(void* file) = nullptr;
    // Creates (replacing any existing file) for writing; null on failure.
    void* (*create)(void* ctx, const char* path) = nullptr;
    bool (*write)(void* file, const std::uint8_t* data, std::size_t n) = nullptr;
    // Sets the packed date and time (unless kKeepTime) and closes; false when either failed.
    bool (*close_write)(void* file, std::uint32_t dos_time) = nullptr;
    bool (*remove)(void* ctx, const char* path) = nullptr;
    // Renames; false when `to` exists or on any other failure.
    bool (*rename)(void* ctx, const char* from, const char* to) = nullptr;
    // True when `path` is a folder afterwards (made now or already there).
    bool (*make_dir)(void* ctx, const char* path) = nullptr;
};

}  // namespace decomp
