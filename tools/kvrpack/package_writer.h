// Making packages: inputs from folders, files and lists; bzip2 (libbz2) then Blowfish in
// counter mode; optional split over several disk files; setup files (loader + package).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace kvrpack {

struct InputFile {
    std::string source;      // file to read (kind 1: the new version)
    std::string name;        // name in the package, folders separated by '\'
    std::uint8_t kind = 0;   // 0 plain file, 1 change to an existing file
    std::string old_source;  // kind 1: the version the change applies to
};

struct PackOptions {
    int level = 9;                    // bzip2 block size 1..9 (x 100 kB)
    std::uint64_t disk_size = 0;      // 0: one file; else the size of each disk file
    bool encipher_directory = true;   // header byte 0
    std::string key;                  // package key; empty: the shared one
    std::uint64_t nonce_seed = 0;     // 0: random nonces; else reproducible ones (tests)
    // Called as input is read: bytes done and bytes in all, for a progress display.
    std::function<void(std::uint64_t done, std::uint64_t total)> progress;
};

// Adds a folder's files (recursively, sorted, named by their path below it), a single
// file (named by its file name), or "@LIST": a text file with one input per line, either
// "SOURCE" or "SOURCE<TAB>NAME". Empty lines and lines starting with '#' are skipped.
bool collect_inputs(const std::string& arg, std::vector<InputFile>& out, std::string& error);

// Writes the package. `output` is the file name; with a disk size it must contain "%d",
// which becomes the disk number (0, 1, ...). Checks names and duplicates first.
bool write_package(const std::string& output, const std::vector<InputFile>& inputs, const PackOptions& options,
                   std::string& error);

// Setup file: the loader, padded with zeros up to `offset` (0: the loader's own length),
// then the package. A loader longer than `offset` is an error.
bool write_setup(const std::string& loader, const std::string& package, const std::string& output,
                 std::uint64_t offset, std::string& error);

// A change stream (package_change.h) that turns `old_data` into `new_data`: copies the
// runs found in the old data, adds the rest.
std::vector<std::uint8_t> make_change(const std::vector<std::uint8_t>& old_data,
                                      const std::vector<std::uint8_t>& new_data);

// Parses 14 hex digits into a 7-byte key with no zero byte.
bool parse_key(const std::string& hex, std::string& key, std::string& error);

}  // namespace kvrpack
