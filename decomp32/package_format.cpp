#include "decomp32/package_format.h"

#include <cstring>
#include <initializer_list>

#include "decomp32/crc32.h"

namespace decomp {

void encode_header(const PackageHeader& h, std::uint8_t out[kHeaderSize]) {
    std::memset(out, 0, kHeaderSize);
    out[0] = h.directory_enciphered ? 1 : 0;
    store_le32(out + 1, h.entry_count);
    store_le32(out + 5, h.further_disk_size);
    store_le32(out + 9, h.first_disk_size);
    std::memcpy(out + 13, kSignature, 4);
    out[17] = kFormatVersion;
    out[18] = 0;
    std::memcpy(out + 19, h.directory_nonce, 8);
    store_le32(out + 27, h.directory_crc);
    out[31] = std::uint8_t(h.key_check);
    out[32] = std::uint8_t(h.key_check >> 8);
}

const char* parse_header(const std::uint8_t in[kHeaderSize], PackageHeader& h) {
    if (std::memcmp(in + 13, kSignature, 4) != 0) return "not a package (no signature)";
    if (in[17] != kFormatVersion) return "package of an unknown format version";
    if (in[0] > 1 || in[18] != 0) return "package header damaged";
    h.directory_enciphered = in[0] == 1;
    h.entry_count = load_le32(in + 1);
    h.further_disk_size = load_le32(in + 5);
    h.first_disk_size = load_le32(in + 9);
    std::memcpy(h.directory_nonce, in + 19, 8);
    h.directory_crc = load_le32(in + 27);
    h.key_check = std::uint16_t(in[31] | in[32] << 8);
    const bool first_split = h.first_disk_size != kNotSplit;
    const bool further_split = h.further_disk_size != kNotSplit;
    if (first_split != further_split || (first_split && h.further_disk_size == 0))
        return "package header damaged (disk sizes)";
    // Header and directory lie on disk 0.
    if (first_split && std::uint64_t(kHeaderSize) + std::uint64_t(h.entry_count) * kEntrySize > h.first_disk_size)
        return "package header damaged (directory does not fit on disk 0)";
    return nullptr;
}

void encode_entry(const PackageEntry& e, std::uint8_t out[kEntrySize]) {
    std::memset(out, 0, kEntrySize);
    std::size_t len = std::strlen(e.name);
    if (len > kMaxNameLength) len = kMaxNameLength;
    out[0] = std::uint8_t(len);
    std::memcpy(out + 1, e.name, len);
    store_le32(out + 65, e.crc);
    store_le32(out + 69, e.dos_time);
    store_le32(out + 73, e.size);
    store_le32(out + 77, e.packed_size);
    store_le32(out + 81, e.packed_crc);
    std::memcpy(out + 85, e.nonce, 8);
    out[93] = e.method;
    store_le32(out + 94, e.data_start);
    store_le32(out + 98, e.data_end);
    out[102] = e.disk;
    out[103] = e.kind;
}

const char* parse_entry(const std::uint8_t in[kEntrySize], const PackageHeader& h, PackageEntry& e) {
    const std::size_t len = in[0];
    if (len == 0 || len > kMaxNameLength) return "bad file name length";
    for (std::size_t i = 1 + len; i <= kMaxNameLength; ++i)
        if (in[i] != 0) return "bad file name padding";
    std::memcpy(e.name, in + 1, len);
    e.name[len] = '\0';
    if (const char* bad = check_entry_name(e.name, len)) return bad;
    e.crc = load_le32(in + 65);
    e.dos_time = load_le32(in + 69);
    e.size = load_le32(in + 73);
    e.packed_size = load_le32(in + 77);
    e.packed_crc = load_le32(in + 81);
    std::memcpy(e.nonce, in + 85, 8);
    e.method = in[93];
    e.data_start = load_le32(in + 94);
    e.data_end = load_le32(in + 98);
    e.disk = in[102];
    e.kind = in[103];
    if (e.method != kMethodBzip2Blowfish) return "unknown storage method";
    if (e.kind != kKindPlain && e.kind != kKindChange) return "unknown entry kind";
    if (!dos_time_valid(e.dos_time)) return "bad date or time";
    if (e.data_end < e.data_start || e.data_end - e.data_start != e.packed_size) return "bad data range";
    if (e.data_start < kHeaderSize + std::uint64_t(h.entry_count) * kEntrySize) return "data overlaps the directory";
    // Nothing to unpack is stored as nothing.
    if (e.packed_size == 0 && (e.size != 0 || e.crc != 0 || e.packed_crc != 0)) return "bad data range";
    unsigned disk = 0;
    std::uint64_t in_disk = 0;
    if (!locate_offset(h, e.data_start, disk, in_disk) || disk != e.disk) return "bad disk number";
    if (e.packed_size && !locate_offset(h, std::uint64_t(e.data_end) - 1, disk, in_disk)) return "bad data range";
    return nullptr;
}

namespace {

bool equals_upper(const char* s, std::size_t len, const char* upper) {
    std::size_t i = 0;
    for (; i < len && upper[i]; ++i) {
        char c = s[i];
        if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
        if (c != upper[i]) return false;
    }
    return i == len && upper[i] == '\0';
}

// CON, PRN, AUX, NUL, COM1..9, LPT1..9, alone or before an extension: Windows opens the
// device instead of a file.
bool is_device_name(const char* comp, std::size_t len) {
    std::size_t base = 0;
    while (base < len && comp[base] != '.') ++base;
    while (base > 0 && comp[base - 1] == ' ') --base;
    static const char* const kDevices[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
    for (const char* d : kDevices)
        if (equals_upper(comp, base, d)) return true;
    if (base == 4 && (equals_upper(comp, 3, "COM") || equals_upper(comp, 3, "LPT")) && comp[3] >= '1' &&
        comp[3] <= '9')
        return true;
    return false;
}

}  // namespace

const char* check_entry_name(const char* name, std::size_t len) {
    if (len == 0 || len > kMaxNameLength) return "bad file name length";
    std::size_t start = 0;
    for (std::size_t i = 0; i <= len; ++i) {
        const bool end = i == len || name[i] == '\\' || name[i] == '/';
        if (!end) {
            const unsigned char c = static_cast<unsigned char>(name[i]);
            if (c < 32 || c == 127) return "file name with a control character";
            if (c == ':') return "file name with a drive or stream (':')";
            if (c == '<' || c == '>' || c == '"' || c == '|' || c == '?' || c == '*')
                return "file name with a character Windows forbids";
            continue;
        }
        const std::size_t clen = i - start;
        const char* comp = name + start;
        if (clen == 0) return start == 0 ? "absolute file name" : "file name with an empty folder name";
        if ((clen == 1 && comp[0] == '.') || (clen == 2 && comp[0] == '.' && comp[1] == '.'))
            return "file name with '.' or '..'";
        if (comp[clen - 1] == '.' || comp[clen - 1] == ' ') return "file name ending in '.' or space";
        if (is_device_name(comp, clen)) return "file name of a device";
        start = i + 1;
    }
    return nullptr;
}

bool dos_time_valid(std::uint32_t t) {
    const unsigned seconds2 = t & 31, minutes = (t >> 5) & 63, hours = (t >> 11) & 31;
    const unsigned day = (t >> 16) & 31, month = (t >> 21) & 15;
    const unsigned year = 1980 + ((t >> 25) & 127);
    if (seconds2 > 29 || minutes > 59 || hours > 23 || month < 1 || month > 12 || day < 1) return false;
    static const unsigned char kDays[12] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (day > kDays[month - 1]) return false;
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return !(month == 2 && day == 29 && !leap);
}

bool locate_offset(const PackageHeader& h, std::uint64_t offset, unsigned& disk, std::uint64_t& in_disk) {
    if (!package_is_split(h)) {
        disk = 0;
        in_disk = offset;
        return true;
    }
    if (offset < h.first_disk_size) {
        disk = 0;
        in_disk = offset;
        return true;
    }
    const std::uint64_t rest = offset - h.first_disk_size;
    const std::uint64_t d = 1 + rest / h.further_disk_size;
    if (d >= kMaxDisks) return false;
    disk = unsigned(d);
    in_disk = rest % h.further_disk_size;
    return true;
}

bool format_disk_path(const char* pattern, unsigned disk, char* out, std::size_t size) {
    char digits[12];
    std::size_t nd = 0;
    do {
        digits[nd++] = char('0' + disk % 10);
        disk /= 10;
    } while (disk);
    std::size_t o = 0;
    for (std::size_t i = 0; pattern[i]; ++i) {
        if (pattern[i] == '%' && pattern[i + 1] == 'd') {
            for (std::size_t k = nd; k > 0; --k) {
                if (o + 1 >= size) return false;
                out[o++] = digits[k - 1];
            }
            ++i;
            continue;
        }
        if (o + 1 >= size) return false;
        out[o++] = pattern[i];
    }
    if (size == 0) return false;
    out[o] = '\0';
    return true;
}

void derive_blowfish(const char* package_key, Blowfish& bf) {
    const std::size_t len = std::strlen(package_key);
    std::uint8_t key[16];
    for (std::uint8_t j = 0; j < 4; ++j) {
        std::uint32_t crc = crc32_update(0, &j, 1);
        crc = crc32_update(crc, reinterpret_cast<const std::uint8_t*>(package_key), len);
        store_le32(key + 4 * j, crc);
    }
    blowfish_set_key(bf, key, sizeof key);
}

std::uint16_t key_check_value(const Blowfish& bf) {
    std::uint32_t l = 0, r = 0;
    blowfish_encrypt(bf, l, r);
    return std::uint16_t(l ^ r);
}

void ctr_start(CtrCipher& c, const Blowfish& bf, const std::uint8_t nonce[8], std::uint64_t stream_offset) {
    std::uint64_t n = 0;
    for (int i = 7; i >= 0; --i) n = n << 8 | nonce[i];
    c.bf = &bf;
    c.counter = n + stream_offset / 8;
    c.used = 8;
    const unsigned skip = unsigned(stream_offset % 8);
    if (skip) {
        std::uint8_t dummy[8] = {};
        ctr_apply(c, dummy, skip);
    }
}

namespace {

inline void next_pad(CtrCipher& c) {
    std::uint32_t l = std::uint32_t(c.counter >> 32), r = std::uint32_t(c.counter);
    blowfish_encrypt(*c.bf, l, r);
    c.pad[0] = std::uint8_t(l >> 24);
    c.pad[1] = std::uint8_t(l >> 16);
    c.pad[2] = std::uint8_t(l >> 8);
    c.pad[3] = std::uint8_t(l);
    c.pad[4] = std::uint8_t(r >> 24);
    c.pad[5] = std::uint8_t(r >> 16);
    c.pad[6] = std::uint8_t(r >> 8);
    c.pad[7] = std::uint8_t(r);
    ++c.counter;
    c.used = 0;
}

}  // namespace

void ctr_apply(CtrCipher& c, std::uint8_t* data, std::size_t n) {
    std::size_t i = 0;
    while (i < n && c.used < 8) data[i++] ^= c.pad[c.used++];
    // Whole blocks: one cipher call per 8 bytes, no per-byte bookkeeping.
    while (n - i >= 8) {
        std::uint32_t l = std::uint32_t(c.counter >> 32), r = std::uint32_t(c.counter);
        blowfish_encrypt(*c.bf, l, r);
        ++c.counter;
        data[i + 0] ^= std::uint8_t(l >> 24);
        data[i + 1] ^= std::uint8_t(l >> 16);
        data[i + 2] ^= std::uint8_t(l >> 8);
        data[i + 3] ^= std::uint8_t(l);
        data[i + 4] ^= std::uint8_t(r >> 24);
        data[i + 5] ^= std::uint8_t(r >> 16);
        data[i + 6] ^= std::uint8_t(r >> 8);
        data[i + 7] ^= std::uint8_t(r);
        i += 8;
    }
    if (i < n) {
        next_pad(c);
        while (i < n) data[i++] ^= c.pad[c.used++];
    }
}

}  // namespace decomp
