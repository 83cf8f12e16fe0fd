// Reads a package and unpacks its files through FileOps. Streams throughout: memory stays
// bounded (a window of the directory, the decoder's block, small buffers) whatever the
// package's size. Every function returns nullptr on success, else a text that says what is
// wrong (valid until the next call on the same reader).
#pragma once

#include <cstddef>
#include <cstdint>

#include "decomp32/blowfish.h"
#include "decomp32/file_ops.h"
#include "decomp32/package_format.h"

namespace decomp {

inline constexpr char kAbortMessage[] = "Extraction terminated by user!";

struct ExtractHooks {
    void* ctx = nullptr;
    // Overall percentage 0..100; returns false to stop (the user's abort). May be null.
    bool (*progress)(void* ctx, int percent) = nullptr;
    // Asks for the disk with this number (from 0) while its file does not exist. May be
    // null: a missing disk is then an error.
    void (*need_disk)(void* ctx, unsigned disk) = nullptr;
};

enum class UnpackMode {
    kWrite,   // write the files (kind 1: change the existing file)
    kVerify,  // decode and check everything, write nothing
};

struct PackageReader {
    const FileOps* io = nullptr;
    ExtractHooks hooks;
    char pattern[kMaxPath] = {};
    Blowfish bf;
    PackageHeader header;
    std::uint64_t data_end = 0;  // end of the last entry's data

    void* file = nullptr;  // the disk file open now
    unsigned file_disk = 0;
    std::uint64_t file_size = 0;
    std::uint64_t file_pos = 0;

    std::uint8_t* cache = nullptr;  // plain entries [cache_first, cache_first + cache_count)
    std::uint32_t cache_first = 0, cache_count = 0;
    std::uint8_t* buffer = nullptr;  // scratch for reading old files
    int percent = 0;                 // last percentage reported
    char message[400] = {};
};

// Opens the package whose disk files `path` names ("%d" marks the disk number), checks
// header, package key and the whole directory. Call package_close afterwards in any case.
const char* package_open(PackageReader& r, const FileOps& io, const ExtractHooks& hooks, const char* path,
                         const char* package_key);
void package_close(PackageReader& r);

const char* package_entry(PackageReader& r, std::uint32_t index, PackageEntry& e);
// The entry whose name matches (case and separators ignored); *index receives its number.
const char* package_find(PackageReader& r, const char* name, std::uint32_t* index, PackageEntry& e);

// Unpacks every entry below `destination` (an existing folder), in directory order,
// making sub-folders as needed. Progress runs from 0 to 100.
const char* package_extract_all(PackageReader& r, const char* destination, UnpackMode mode);
// Unpacks one entry to the file `target` (kind 1: changes `target`). Progress is that
// file's own percentage.
const char* package_extract_to(PackageReader& r, const PackageEntry& e, const char* target, UnpackMode mode);

}  // namespace decomp
