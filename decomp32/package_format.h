// The package layout shared by the reader (decomp32.dll, kvrpack) and the writer (kvrpack).
// docs/package-format.md describes every byte; this header is its code form.
#pragma once

#include <cstddef>
#include <cstdint>

#include "decomp32/blowfish.h"

namespace decomp {

inline constexpr std::size_t kHeaderSize = 33;
inline constexpr std::size_t kEntrySize = 104;
inline constexpr std::size_t kMaxNameLength = 64;
inline constexpr std::uint8_t kSignature[4] = {'K', 'V', 'P', 'K'};
inline constexpr std::uint8_t kFormatVersion = 1;
inline constexpr std::uint32_t kNotSplit = 0xFFFFFFFFu;  // both disk sizes when not split
inline constexpr std::uint8_t kMethodBzip2Blowfish = 1;
inline constexpr std::uint8_t kKindPlain = 0;
inline constexpr std::uint8_t kKindChange = 1;
inline constexpr unsigned kMaxDisks = 256;  // the disk number is one byte
// Longest path the reader builds (Windows' limit, zero included).
inline constexpr std::size_t kMaxPath = 260;

struct PackageHeader {
    bool directory_enciphered = false;
    std::uint32_t entry_count = 0;
    std::uint32_t further_disk_size = kNotSplit;  // bytes of the package on each disk after the first
    std::uint32_t first_disk_size = kNotSplit;    // bytes of the package on disk 0
    std::uint8_t directory_nonce[8] = {};
    std::uint32_t directory_crc = 0;  // over header bytes 0..26 and the plain entries
    std::uint16_t key_check = 0;
};

struct PackageEntry {
    char name[kMaxNameLength + 1] = {};  // zero-terminated
    std::uint32_t crc = 0;               // CRC-32 of the unpacked bytes
    std::uint32_t dos_time = 0;          // date in the high half, time in the low half
    std::uint32_t size = 0;              // unpacked size
    std::uint32_t packed_size = 0;       // bytes stored in the package
    std::uint32_t packed_crc = 0;        // CRC-32 of the stored (enciphered) bytes
    std::uint8_t nonce[8] = {};          // counter start of this entry's cipher stream
    std::uint8_t method = kMethodBzip2Blowfish;
    std::uint32_t data_start = 0;  // offset in the whole package, first byte
    std::uint32_t data_end = 0;    // offset in the whole package, one past the last byte
    std::uint8_t disk = 0;         // disk that holds data_start
    std::uint8_t kind = kKindPlain;
};

inline bool package_is_split(const PackageHeader& h) { return h.first_disk_size != kNotSplit; }

// Header bytes <-> fields. parse_header checks what can be checked without the directory.
void encode_header(const PackageHeader& h, std::uint8_t out[kHeaderSize]);
const char* parse_header(const std::uint8_t in[kHeaderSize], PackageHeader& h);

// Plain (deciphered) entry bytes <-> fields. parse_entry checks the entry on its own:
// name, method, kind, date, data range against the header's disk layout.
void encode_entry(const PackageEntry& e, std::uint8_t out[kEntrySize]);
const char* parse_entry(const std::uint8_t in[kEntrySize], const PackageHeader& h, PackageEntry& e);

// nullptr when `name` may be written below a destination folder: relative, no "." or ".."
// component, no drive or ':', no character Windows forbids, no device name, '\' or '/'
// between folders.
const char* check_entry_name(const char* name, std::size_t len);

// A packed date and time with a real calendar date and clock time.
bool dos_time_valid(std::uint32_t dos_time);

// The disk holding package offset `offset` and the offset within that disk's part.
// False when it would be past the last possible disk.
bool locate_offset(const PackageHeader& h, std::uint64_t offset, unsigned& disk, std::uint64_t& in_disk);

// The file name of one disk: every "%d" in `pattern` becomes the disk number in decimal.
// False when the result does not fit in `size` bytes.
bool format_disk_path(const char* pattern, unsigned disk, char* out, std::size_t size);

// Blowfish key from the package key (its bytes up to the zero, at least one).
void derive_blowfish(const char* package_key, Blowfish& bf);
std::uint16_t key_check_value(const Blowfish& bf);

// Blowfish in counter mode: block i of a stream is E(nonce + i), the nonce read as a
// little-endian 64-bit number. Enciphering and deciphering are the same operation.
struct CtrCipher {
    const Blowfish* bf = nullptr;
    std::uint64_t counter = 0;  // nonce + index of the next block
    std::uint8_t pad[8] = {};   // keystream of the current block
    unsigned used = 8;          // bytes of `pad` already consumed
};
void ctr_start(CtrCipher& c, const Blowfish& bf, const std::uint8_t nonce[8], std::uint64_t stream_offset);
void ctr_apply(CtrCipher& c, std::uint8_t* data, std::size_t n);

// Little-endian helpers used by the format and the change (kind 1) stream.
inline std::uint32_t load_le32(const std::uint8_t* p) {
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24;
}
inline void store_le32(std::uint8_t* p, std::uint32_t v) {
    p[0] = std::uint8_t(v);
    p[1] = std::uint8_t(v >> 8);
    p[2] = std::uint8_t(v >> 16);
    p[3] = std::uint8_t(v >> 24);
}

}  // namespace decomp
