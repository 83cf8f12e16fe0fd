#include "decomp32/package_reader.h"

#include <cstdlib>
#include <cstring>
#include <initializer_list>

#include "decomp32/bzip2_decode.h"
#include "decomp32/crc32.h"
#include "decomp32/package_change.h"

namespace decomp {

namespace {

constexpr std::uint32_t kCacheEntries = 1024;
constexpr std::size_t kBufferSize = 64 * 1024;
// The progress callback is called at least this often (in unpacked bytes), so that a
// Cancel button answers during a long file even when the percentage does not move.
constexpr std::uint64_t kProgressBytes = 256 * 1024;

const char* fail(PackageReader& r, const char* a, const char* b = nullptr, const char* c = nullptr) {
    std::size_t o = 0;
    for (const char* part : {a, b, c}) {
        for (; part && *part && o + 1 < sizeof r.message; ++part) r.message[o++] = *part;
    }
    r.message[o] = '\0';
    return r.message;
}

// Reports the percentage; false when the user asked to stop.
bool report(PackageReader& r, int percent) {
    if (percent < r.percent) percent = r.percent;  // never backwards
    r.percent = percent;
    return !r.hooks.progress || r.hooks.progress(r.hooks.ctx, percent);
}

void close_disk(PackageReader& r) {
    if (r.file) r.io->close_read(r.file);
    r.file = nullptr;
}

// Makes the file of `disk` the open one, asking for the disk while it does not exist.
const char* open_disk(PackageReader& r, unsigned disk) {
    if (r.file && r.file_disk == disk) return nullptr;
    close_disk(r);
    char path[kMaxPath];
    if (!format_disk_path(r.pattern, disk, path, sizeof path)) return fail(r, "package path too long");
    for (;;) {
        bool missing = false;
        r.file = r.io->open_read(r.io->ctx, path, &missing);
        if (r.file) break;
        // A "%d" that is part of a real folder name (a user called "%dan" has one in the
        // temp path) must not hide a single-file package: disk 0 is then the path as given.
        if (missing && disk == 0 && std::strcmp(path, r.pattern) != 0) {
            bool literal_missing = false;
            r.file = r.io->open_read(r.io->ctx, r.pattern, &literal_missing);
            if (r.file) break;
        }
        if (!missing || !r.hooks.need_disk) return fail(r, "cannot open package file ", path);
        r.hooks.need_disk(r.hooks.ctx, disk);
        // Between requests the user may give up (the disk request itself has no Cancel).
        if (!report(r, r.percent)) return fail(r, kAbortMessage);
    }
    r.file_disk = disk;
    r.file_pos = 0;
    if (!r.io->file_size(r.file, &r.file_size)) {
        close_disk(r);
        return fail(r, "cannot read package file ", path);
    }
    return nullptr;
}

// Reads up to n bytes at package offset `offset` (never across a disk's part).
// Returns the count; 0 with an error text set in *err.
std::size_t read_at(PackageReader& r, std::uint64_t offset, std::uint8_t* buf, std::size_t n, const char** err) {
    unsigned disk = 0;
    std::uint64_t in_disk = 0;
    if (!locate_offset(r.header, offset, disk, in_disk)) {
        *err = fail(r, "package data runs past the last disk");
        return 0;
    }
    if ((*err = open_disk(r, disk))) return 0;
    if (package_is_split(r.header)) {
        const std::uint64_t part = disk == 0 ? r.header.first_disk_size : r.header.further_disk_size;
        if (n > part - in_disk) n = std::size_t(part - in_disk);
    }
    if (in_disk >= r.file_size) {
        *err = fail(r, "package is truncated");
        return 0;
    }
    if (r.file_pos != in_disk) {
        if (!r.io->seek(r.file, in_disk)) {
            *err = fail(r, "cannot read the package");
            return 0;
        }
        r.file_pos = in_disk;
    }
    const std::size_t got = r.io->read(r.file, buf, n);
    if (got == kReadError) {
        *err = fail(r, "cannot read the package");
        return 0;
    }
    if (got == 0) {
        *err = fail(r, "package is truncated");
        return 0;
    }
    r.file_pos += got;
    return got;
}

// Reads exactly n bytes at `offset`.
const char* read_exact(PackageReader& r, std::uint64_t offset, std::uint8_t* buf, std::size_t n) {
    while (n) {
        const char* err = nullptr;
        const std::size_t got = read_at(r, offset, buf, n, &err);
        if (err) return err;
        buf += got;
        offset += got;
        n -= got;
    }
    return nullptr;
}

// Fills the directory window with plain entries from `first` on.
const char* load_entries(PackageReader& r, std::uint32_t first) {
    std::uint32_t count = r.header.entry_count - first;
    if (count > kCacheEntries) count = kCacheEntries;
    r.cache_count = 0;
    const std::uint64_t offset = std::uint64_t(first) * kEntrySize;
    if (const char* err = read_exact(r, kHeaderSize + offset, r.cache, std::size_t(count) * kEntrySize)) return err;
    if (r.header.directory_enciphered) {
        CtrCipher ctr;
        ctr_start(ctr, r.bf, r.header.directory_nonce, offset);
        ctr_apply(ctr, r.cache, std::size_t(count) * kEntrySize);
    }
    r.cache_first = first;
    r.cache_count = count;
    return nullptr;
}

void set_index_text(char* out, std::uint32_t v) {
    char digits[12];
    int n = 0;
    do {
        digits[n++] = char('0' + v % 10);
        v /= 10;
    } while (v);
    while (n) *out++ = digits[--n];
    *out = '\0';
}

// Walks the whole directory once: CRC, every entry's own checks, the end of the data.
const char* check_directory(PackageReader& r, const std::uint8_t header_bytes[kHeaderSize]) {
    std::uint32_t crc = crc32_update(0, header_bytes, 27);
    const char* entry_error = nullptr;
    std::uint32_t bad_index = 0;
    char bad_name[kMaxNameLength + 1] = {};
    for (std::uint32_t first = 0; first < r.header.entry_count; first += r.cache_count) {
        if (const char* err = load_entries(r, first)) return err;
        crc = crc32_update(crc, r.cache, std::size_t(r.cache_count) * kEntrySize);
        for (std::uint32_t i = 0; i < r.cache_count && !entry_error; ++i) {
            PackageEntry e;
            entry_error = parse_entry(r.cache + std::size_t(i) * kEntrySize, r.header, e);
            if (!entry_error && e.kind == kKindChange) {
                // The change goes through these two work files in the same folder.
                const char* base = e.name;
                for (const char* p = e.name; *p; ++p)
                    if (*p == '\\' || *p == '/') base = p + 1;
                for (const char* work : {"patch.tmp", "patch.old"}) {
                    std::size_t k = 0;
                    while (work[k] && (base[k] | 0x20) == work[k]) ++k;
                    if (!work[k] && !base[k]) entry_error = "a changed file may not be named patch.tmp or patch.old";
                }
            }
            if (entry_error) {
                bad_index = first + i;
                // Name the entry by its name only when that name is fit to show.
                if (!check_entry_name(e.name, std::strlen(e.name))) std::memcpy(bad_name, e.name, sizeof bad_name);
            } else if (e.data_end > r.data_end) {
                r.data_end = e.data_end;
            }
        }
    }
    r.cache_count = 0;
    // Damage first: a damaged directory makes any entry look wrong.
    if (crc != r.header.directory_crc) return fail(r, "package directory is damaged");
    if (entry_error) {
        if (bad_name[0]) return fail(r, bad_name, ": ", entry_error);
        char index[40] = "directory entry ";
        set_index_text(index + std::strlen(index), bad_index);
        return fail(r, index, ": ", entry_error);
    }
    if (!package_is_split(r.header)) {
        if (const char* err = open_disk(r, 0)) return err;
        if (r.data_end > r.file_size) return fail(r, "package is truncated");
    }
    return nullptr;
}

// ----- unpacking one entry -----

struct DataSource {
    PackageReader* r;
    std::uint64_t pos, end;
    CtrCipher ctr;
    std::uint32_t crc;
    const char* error;
};

std::size_t source_read(void* ctx, std::uint8_t* buf, std::size_t n) {
    DataSource& s = *static_cast<DataSource*>(ctx);
    if (s.error) return kReadError;
    if (s.pos >= s.end) return 0;
    if (n > s.end - s.pos) n = std::size_t(s.end - s.pos);
    const std::size_t got = read_at(*s.r, s.pos, buf, n, &s.error);
    if (s.error) return kReadError;
    s.crc = crc32_update(s.crc, buf, got);
    ctr_apply(s.ctr, buf, got);
    s.pos += got;
    return got;
}

struct FileSink {
    const FileOps* io;
    void* file;
};

bool file_write(void* ctx, const std::uint8_t* data, std::size_t n) {
    FileSink& f = *static_cast<FileSink*>(ctx);
    return f.io->write(f.file, data, n);
}

struct Sink {
    PackageReader* r;
    const PackageEntry* e;
    FileSink* file;          // null when verifying
    ChangeApplier* change;   // kind 1 while writing
    std::uint32_t crc;
    std::uint64_t written;
    std::uint64_t since_report;
    double base, scale;      // overall percentage = base + scale * file fraction
    const char* error;
};

int sink_percent(const Sink& s) {
    const double fraction = s.e->size ? double(s.written) / double(s.e->size) : 1.0;
    return int(s.base + s.scale * fraction + 0.5);
}

// Progress is looked at every this many bytes of a piece the decoder hands over, so the
// bar moves smoothly however large its pieces are.
constexpr std::size_t kProgressSlice = 16 * 1024;

bool sink_write_slice(Sink& s, const std::uint8_t* data, std::size_t n) {
    s.crc = crc32_update(s.crc, data, n);
    s.written += n;
    if (s.change) {
        if (const char* err = change_feed(*s.change, data, n)) {
            s.error = fail(*s.r, s.e->name, ": ", err);
            return false;
        }
    } else if (s.file && !file_write(s.file, data, n)) {
        s.error = fail(*s.r, s.e->name, ": cannot write the file");
        return false;
    }
    s.since_report += n;
    const int percent = sink_percent(s);
    if (percent != s.r->percent || s.since_report >= kProgressBytes) {
        s.since_report = 0;
        if (!report(*s.r, percent)) {
            s.error = fail(*s.r, kAbortMessage);
            return false;
        }
    }
    return true;
}

bool sink_write(void* ctx, const std::uint8_t* data, std::size_t n) {
    Sink& s = *static_cast<Sink*>(ctx);
    if (n > s.e->size - s.written) {
        s.error = fail(*s.r, s.e->name, ": more data than its size");
        return false;
    }
    while (n) {
        const std::size_t take = n < kProgressSlice ? n : kProgressSlice;
        if (!sink_write_slice(s, data, take)) return false;
        data += take;
        n -= take;
    }
    return true;
}

// Runs the decoder over the entry's data into `sink` and checks sizes and CRCs.
const char* decode_entry(PackageReader& r, const PackageEntry& e, Sink& sink) {
    // Once per file, also when the percentage stands still: many small files keep the
    // Cancel button answering too.
    if (!report(r, int(sink.base + 0.5))) return fail(r, kAbortMessage);
    if (e.packed_size == 0) return nullptr;  // an empty file: size 0 was checked with the entry
    DataSource src{&r, e.data_start, e.data_end, {}, 0, nullptr};
    ctr_start(src.ctr, r.bf, e.nonce, 0);
    const char* decode_error = bzip2_decompress(source_read, &src, sink_write, &sink);
    if (sink.error) return sink.error;
    if (src.error) return src.error;
    if (decode_error) {
        if (src.crc != e.packed_crc && src.pos == src.end) return fail(r, e.name, ": stored data is damaged");
        return fail(r, e.name, ": data is damaged: ", decode_error);
    }
    if (src.pos != src.end) return fail(r, e.name, ": stored data has bytes after its end");
    if (src.crc != e.packed_crc) return fail(r, e.name, ": stored data is damaged");
    if (sink.written != e.size) return fail(r, e.name, ": fewer bytes than its size");
    if (sink.crc != e.crc) return fail(r, e.name, ": CRC error");
    return nullptr;
}

void make_sink(Sink& s, PackageReader& r, const PackageEntry& e, double base, double scale) {
    s = Sink{&r, &e, nullptr, nullptr, 0, 0, 0, base, scale, nullptr};
}

// The folder part of `path` (without the last separator); empty when there is none.
void folder_of(const char* path, char* out) {
    std::size_t cut = 0;
    for (std::size_t i = 0; path[i]; ++i)
        if (path[i] == '\\' || path[i] == '/') cut = i;
    std::memcpy(out, path, cut);
    out[cut] = '\0';
}

bool join(char* out, const char* folder, char sep, const char* name) {
    const std::size_t fl = std::strlen(folder), nl = std::strlen(name);
    const bool add_sep = fl && folder[fl - 1] != '\\' && folder[fl - 1] != '/';
    if (fl + add_sep + nl + 1 > kMaxPath) return false;
    std::memcpy(out, folder, fl);
    std::size_t o = fl;
    if (add_sep) out[o++] = sep;
    std::memcpy(out + o, name, nl + 1);
    return true;
}

const char* write_plain(PackageReader& r, const PackageEntry& e, const char* target, Sink& sink) {
    const FileOps& io = *r.io;
    FileSink file{&io, io.create(io.ctx, target)};
    if (!file.file) return fail(r, "cannot create file ", target);
    sink.file = &file;
    const char* err = decode_entry(r, e, sink);
    const bool closed = io.close_write(file.file, err ? kKeepTime : e.dos_time);
    if (!err && !closed) err = fail(r, e.name, ": cannot write the file or set its date");
    if (err) io.remove(io.ctx, target);  // no half-written file stays behind
    return err;
}

// Kind 1: the new contents go to patch.tmp beside the target; only a complete, checked
// result replaces the target (by way of patch.old), so it is never left half-changed.
const char* write_change(PackageReader& r, const PackageEntry& e, const char* target, Sink& sink) {
    const FileOps& io = *r.io;
    char folder[kMaxPath], tmp[kMaxPath], old[kMaxPath];
    folder_of(target, folder);
    const char* base = folder[0] ? folder : ".";
    if (!join(tmp, base, io.separator, "patch.tmp") || !join(old, base, io.separator, "patch.old"))
        return fail(r, "path too long for ", e.name);
    bool missing = false;
    void* current = io.open_read(io.ctx, target, &missing);
    if (!current)
        return fail(r, e.name, missing ? ": the file to be changed does not exist" : ": cannot read the file to be changed");
    FileSink file{&io, io.create(io.ctx, tmp)};
    if (!file.file) {
        io.close_read(current);
        return fail(r, "cannot create file ", tmp);
    }
    ChangeApplier change;
    change_begin(change, io, current, file_write, &file, r.buffer, kBufferSize);
    sink.change = &change;
    const char* err = decode_entry(r, e, sink);
    if (!err) {
        if (const char* bad = change_finish(change)) err = fail(r, e.name, ": ", bad);
    }
    io.close_read(current);
    const bool closed = io.close_write(file.file, err ? kKeepTime : e.dos_time);
    if (!err && !closed) err = fail(r, e.name, ": cannot write the file or set its date");
    if (err) {
        io.remove(io.ctx, tmp);
        return err;
    }
    io.remove(io.ctx, old);
    if (!io.rename(io.ctx, target, old)) {
        io.remove(io.ctx, tmp);
        return fail(r, e.name, ": cannot replace the file");
    }
    if (!io.rename(io.ctx, tmp, target)) {
        io.rename(io.ctx, old, target);
        io.remove(io.ctx, tmp);
        return fail(r, e.name, ": cannot replace the file");
    }
    io.remove(io.ctx, old);
    return nullptr;
}

const char* unpack(PackageReader& r, const PackageEntry& e, const char* target, UnpackMode mode, double base,
                   double scale) {
    Sink sink;
    make_sink(sink, r, e, base, scale);
    if (mode == UnpackMode::kVerify) return decode_entry(r, e, sink);
    return e.kind == kKindChange ? write_change(r, e, target, sink) : write_plain(r, e, target, sink);
}

bool same_name(const char* a, const char* b) {
    for (;; ++a, ++b) {
        char x = *a, y = *b;
        if (x == '/') x = '\\';
        if (y == '/') y = '\\';
        if (x >= 'A' && x <= 'Z') x = char(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = char(y - 'A' + 'a');
        if (x != y) return false;
        if (!x) return true;
    }
}

}  // namespace

const char* package_open(PackageReader& r, const FileOps& io, const ExtractHooks& hooks, const char* path,
                         const char* package_key) {
    package_close(r);
    r.io = &io;
    r.hooks = hooks;
    r.data_end = 0;
    r.percent = 0;
    r.header = PackageHeader{};
    if (!path || !path[0]) return fail(r, "no package path");
    if (std::strlen(path) >= sizeof r.pattern) return fail(r, "package path too long");
    std::memcpy(r.pattern, path, std::strlen(path) + 1);
    if (!package_key || !package_key[0]) return fail(r, "no package key");
    r.cache = static_cast<std::uint8_t*>(std::malloc(std::size_t(kCacheEntries) * kEntrySize));
    r.buffer = static_cast<std::uint8_t*>(std::malloc(kBufferSize));
    if (!r.cache || !r.buffer) return fail(r, "out of memory");

    // The header lies plain at the start of disk 0, its layout checks need no disk sizes.
    std::uint8_t raw[kHeaderSize];
    if (const char* err = open_disk(r, 0)) return err;
    if (r.file_size < kHeaderSize) return fail(r, "package is truncated (header)");
    if (const char* err = read_exact(r, 0, raw, kHeaderSize)) return err;
    if (const char* err = parse_header(raw, r.header)) return fail(r, err);
    derive_blowfish(package_key, r.bf);
    if (key_check_value(r.bf) != r.header.key_check) return fail(r, "package was made with another package key");
    const std::uint64_t directory_end = kHeaderSize + std::uint64_t(r.header.entry_count) * kEntrySize;
    if (directory_end > r.file_size) return fail(r, "package directory runs past the end of the file");
    return check_directory(r, raw);
}

void package_close(PackageReader& r) {
    if (r.io) close_disk(r);
    std::free(r.cache);
    std::free(r.buffer);
    r.cache = nullptr;
    r.buffer = nullptr;
    r.cache_count = 0;
}

const char* package_entry(PackageReader& r, std::uint32_t index, PackageEntry& e) {
    if (index >= r.header.entry_count) return fail(r, "no such entry");
    if (index < r.cache_first || index - r.cache_first >= r.cache_count) {
        if (const char* err = load_entries(r, index)) return err;
    }
    const char* err = parse_entry(r.cache + std::size_t(index - r.cache_first) * kEntrySize, r.header, e);
    return err ? fail(r, "package directory changed while reading: ", err) : nullptr;
}

const char* package_find(PackageReader& r, const char* name, std::uint32_t* index, PackageEntry& e) {
    for (std::uint32_t i = 0; i < r.header.entry_count; ++i) {
        if (const char* err = package_entry(r, i, e)) return err;
        if (same_name(e.name, name)) {
            if (index) *index = i;
            return nullptr;
        }
    }
    return fail(r, "no file named ", name, " in the package");
}

const char* package_extract_all(PackageReader& r, const char* destination, UnpackMode mode) {
    if (mode == UnpackMode::kWrite && (!destination || !destination[0])) return fail(r, "no destination folder");
    const std::uint32_t n = r.header.entry_count;
    r.percent = 0;
    for (std::uint32_t i = 0; i < n; ++i) {
        PackageEntry e;
        if (const char* err = package_entry(r, i, e)) return err;
        char target[kMaxPath] = {};
        if (mode == UnpackMode::kWrite) {
            char name[kMaxNameLength + 1];
            std::memcpy(name, e.name, sizeof name);
            for (char* p = name; *p; ++p)
                if (*p == '\\' || *p == '/') *p = r.io->separator;
            if (!join(target, destination, r.io->separator, name)) return fail(r, "path too long for ", e.name);
            // Sub-folders, outermost first.
            const std::size_t start = std::strlen(target) - std::strlen(name);
            for (std::size_t k = start; target[k]; ++k) {
                if (target[k] != r.io->separator) continue;
                target[k] = '\0';
                const bool made = r.io->make_dir(r.io->ctx, target);
                target[k] = r.io->separator;
                if (!made) return fail(r, "cannot make the folder for ", e.name);
            }
        }
        const double base = 100.0 * i / n, scale = 100.0 / n;
        if (const char* err = unpack(r, e, target, mode, base, scale)) return err;
    }
    if (!report(r, 100)) return fail(r, kAbortMessage);
    return nullptr;
}

const char* package_extract_to(PackageReader& r, const PackageEntry& e, const char* target, UnpackMode mode) {
    if (mode == UnpackMode::kWrite && (!target || !target[0])) return fail(r, "no target file");
    if (mode == UnpackMode::kWrite && std::strlen(target) >= kMaxPath) return fail(r, "target path too long");
    r.percent = 0;
    if (const char* err = unpack(r, e, target, mode, 0.0, 100.0)) return err;
    if (!report(r, 100)) return fail(r, kAbortMessage);
    return nullptr;
}

}  // namespace decomp
