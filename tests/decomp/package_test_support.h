// Test helpers for packages: an in-memory package builder that needs no libbz2 (it also
// runs under Wine), directory surgery for corrupt packages, and an in-memory file system.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "decomp32/file_ops.h"
#include "decomp32/package_format.h"

namespace pkgtest {

using Bytes = std::vector<std::uint8_t>;

struct TestFile {
    std::string name;
    Bytes data;                          // unpacked bytes (kind 1: the change stream)
    std::uint32_t dos_time = 0x5A2C6B31;  // 2025-01-12 13:25:34
    std::uint8_t kind = decomp::kKindPlain;
};

struct BuildOptions {
    std::string key;                // empty: the shared package key
    bool encipher_directory = true;
    std::uint32_t disk_size = 0;    // recorded in the header; cut with split_disks
    std::uint32_t seed = 1;         // nonces
};

// bzip2 data: natively from libbz2, else the test encoder's streams, one per 200 kB piece.
Bytes compress(const Bytes& data);

// A complete package in memory, entries in the given order.
Bytes build_package(const std::vector<TestFile>& files, const BuildOptions& options = {});
std::vector<Bytes> split_disks(const Bytes& package, std::uint32_t disk_size);

// Deciphers the directory, lets `edit` change header bytes 0..26 and the plain entries,
// then fixes the directory CRC and enciphers again: a package whose checks pass as far as
// the directory goes, for entries the writer would never make.
void edit_directory(Bytes& package, const std::function<void(std::uint8_t* header, std::uint8_t* entries)>& edit,
                    const std::string& key = {});

// A change stream that adds the whole new file (the applier has to accept it too).
Bytes literal_change(const Bytes& old_data, const Bytes& new_data);

// Files and folders in memory, with a cap on the bytes written.
struct MemoryFs {
    std::map<std::string, Bytes> files;
    std::map<std::string, std::uint32_t> times;
    std::set<std::string> dirs;
    std::set<std::string> created;  // every path ever created for writing
    std::size_t write_limit = std::size_t(-1);
    std::size_t written = 0;
    int open_handles = 0;
    decomp::FileOps ops();
};

}  // namespace pkgtest
