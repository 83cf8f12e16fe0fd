// The interface between the setup loader and decomp32.dll. Plain C types only: the two
// modules are built separately and share nothing but this.
//
// Exports are undecorated names with the __stdcall convention. Every failure inside an
// export, the user's abort included, leaves it as a Windows structured exception with
// code kDecompErrorCode, flag EXCEPTION_NONCONTINUABLE and one parameter: the address of
// a zero-terminated message that stays valid until the library is unloaded.
#pragma once

#include <cstdint>

#if defined(_WIN32)
#define DECOMP_CALL __stdcall
#else
#define DECOMP_CALL
#endif

namespace decomp {

inline constexpr std::uint32_t kDecompErrorCode = 0xE0443332u;  // customer bit set, "D32"

// Overall percentage 0..100; `reserved` is always 0; the callee stores -1 into *abort to stop.
typedef void(DECOMP_CALL* ProgressCallback)(std::int32_t percent, std::int32_t reserved, std::int32_t* abort);
// Asks for the disk with this number (counted from 0) and returns when the user confirms.
typedef void(DECOMP_CALL* DiskCallback)(std::uint8_t disk);

typedef void(DECOMP_CALL* ExtractAllFn)(const char* package_path, const char* package_key,
                                        const char* destination, ProgressCallback progress,
                                        DiskCallback disk);

// The library's other exports (see docs/package-format.md, "The library's exports").
// Lists the directory: called once per file, in directory order.
typedef void(DECOMP_CALL* EntryCallback)(void* ctx, const char* name, std::uint32_t size, std::uint32_t dos_time,
                                         std::uint8_t kind);
// Checks header, package key and directory; returns the number of files.
typedef std::int32_t(DECOMP_CALL* PrepareFn)(const char* package_path, const char* package_key, DiskCallback disk);
// Calls `entry` for each file; returns the number of files.
typedef std::int32_t(DECOMP_CALL* ReadArchiveFn)(const char* package_path, const char* package_key,
                                                 EntryCallback entry, void* ctx);
// Unpacks the one file called `name` to the file `target` (kind 1: changes `target`).
typedef void(DECOMP_CALL* DecompressFileFn)(const char* package_path, const char* package_key, const char* name,
                                            const char* target, ProgressCallback progress, DiskCallback disk);

// The 7-byte package key (plus its terminating zero) shared by the loader and the package tool.
inline constexpr char kPackageKey[8] = {'\x5b', '\xe7', '\x13', '\x9c', '\x2d', '\xa1', '\x74', '\0'};

}  // namespace decomp
