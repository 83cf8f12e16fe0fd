#include "package_test_support.h"

#if defined(PKGTEST_LIBBZ2)
#include <bzlib.h>
#endif

#include <cstring>
#include <random>

#include "bzip2_test_util.h"
#include "decomp32/crc32.h"
#include "decomp32/decomp32_api.h"
#include "decomp32/package_change.h"

namespace pkgtest {

namespace {

std::string key_or_default(const std::string& key) { return key.empty() ? std::string(decomp::kPackageKey) : key; }

void put32(Bytes& out, std::uint32_t v) {
    std::uint8_t b[4];
    decomp::store_le32(b, v);
    out.insert(out.end(), b, b + 4);
}

// Directory CRC over the plain entries, then the entries enciphered if header byte 0 says so.
void seal_directory(Bytes& package, const decomp::Blowfish& bf) {
    std::uint8_t* header = package.data();
    std::uint8_t* entries = header + decomp::kHeaderSize;
    const std::size_t count = decomp::load_le32(header + 1);
    const std::size_t dir_size = std::min(count * decomp::kEntrySize, package.size() - decomp::kHeaderSize);
    std::uint32_t crc = decomp::crc32_update(0, header, 27);
    crc = decomp::crc32_update(crc, entries, dir_size);
    decomp::store_le32(header + 27, crc);
    if (header[0] == 1) {
        decomp::CtrCipher ctr;
        decomp::ctr_start(ctr, bf, header + 19, 0);
        decomp::ctr_apply(ctr, entries, dir_size);
    }
}

}  // namespace

Bytes compress(const Bytes& data) {
#if defined(PKGTEST_LIBBZ2)
    // Natively the reference compressor is at hand and much faster than the test encoder.
    Bytes packed(data.size() + data.size() / 100 + 600);
    unsigned packed_size = unsigned(packed.size());
    if (BZ2_bzBuffToBuffCompress(reinterpret_cast<char*>(packed.data()), &packed_size,
                                 const_cast<char*>(reinterpret_cast<const char*>(data.data())), unsigned(data.size()),
                                 9, 0, 0) == BZ_OK) {
        packed.resize(packed_size);
        return packed;
    }
#endif
    Bytes out;
    const std::size_t piece = 200 * 1000;
    for (std::size_t at = 0; at < data.size(); at += piece) {
        const std::size_t n = std::min(piece, data.size() - at);
        Bytes part(data.begin() + at, data.begin() + at + n);
        Bytes stream = bztest::make_stream(part, 9);
        out.insert(out.end(), stream.begin(), stream.end());
    }
    return out;
}

Bytes build_package(const std::vector<TestFile>& files, const BuildOptions& options) {
    decomp::Blowfish bf;
    decomp::derive_blowfish(key_or_default(options.key).c_str(), bf);
    std::mt19937 rng(options.seed);
    auto fill_nonce = [&](std::uint8_t* n) {
        for (int i = 0; i < 8; ++i) n[i] = std::uint8_t(rng());
    };

    decomp::PackageHeader h;
    h.directory_enciphered = options.encipher_directory;
    h.entry_count = std::uint32_t(files.size());
    if (options.disk_size) h.first_disk_size = h.further_disk_size = options.disk_size;
    h.key_check = decomp::key_check_value(bf);
    fill_nonce(h.directory_nonce);

    const std::size_t dir_end = decomp::kHeaderSize + files.size() * decomp::kEntrySize;
    Bytes pkg(dir_end, 0);
    std::vector<decomp::PackageEntry> entries(files.size());
    for (std::size_t i = 0; i < files.size(); ++i) {
        decomp::PackageEntry& e = entries[i];
        std::memcpy(e.name, files[i].name.c_str(), std::min<std::size_t>(files[i].name.size(), 64));
        e.kind = files[i].kind;
        e.dos_time = files[i].dos_time;
        e.size = std::uint32_t(files[i].data.size());
        e.crc = decomp::crc32_update(0, files[i].data.data(), files[i].data.size());
        fill_nonce(e.nonce);
        Bytes stored = files[i].data.empty() ? Bytes{} : compress(files[i].data);
        decomp::CtrCipher ctr;
        decomp::ctr_start(ctr, bf, e.nonce, 0);
        decomp::ctr_apply(ctr, stored.data(), stored.size());
        e.packed_size = std::uint32_t(stored.size());
        e.packed_crc = decomp::crc32_update(0, stored.data(), stored.size());
        e.data_start = std::uint32_t(pkg.size());
        e.data_end = std::uint32_t(pkg.size() + stored.size());
        unsigned disk = 0;
        std::uint64_t in_disk = 0;
        decomp::locate_offset(h, e.data_start, disk, in_disk);
        e.disk = std::uint8_t(disk);
        pkg.insert(pkg.end(), stored.begin(), stored.end());
    }
    for (std::size_t i = 0; i < files.size(); ++i)
        decomp::encode_entry(entries[i], pkg.data() + decomp::kHeaderSize + i * decomp::kEntrySize);
    decomp::encode_header(h, pkg.data());
    seal_directory(pkg, bf);
    return pkg;
}

std::vector<Bytes> split_disks(const Bytes& package, std::uint32_t disk_size) {
    std::vector<Bytes> disks;
    for (std::size_t at = 0; at < package.size(); at += disk_size)
        disks.emplace_back(package.begin() + at, package.begin() + std::min(package.size(), at + disk_size));
    return disks;
}

void edit_directory(Bytes& package, const std::function<void(std::uint8_t* header, std::uint8_t* entries)>& edit,
                    const std::string& key) {
    decomp::Blowfish bf;
    decomp::derive_blowfish(key_or_default(key).c_str(), bf);
    std::uint8_t* header = package.data();
    const std::size_t count = decomp::load_le32(header + 1);
    std::uint8_t* entries = header + decomp::kHeaderSize;
    const std::size_t dir_size = std::min(count * decomp::kEntrySize, package.size() - decomp::kHeaderSize);
    // Whether a directory was enciphered is decided by the byte before the edit.
    const bool was_enciphered = header[0] == 1;
    decomp::CtrCipher ctr;
    if (was_enciphered) {
        decomp::ctr_start(ctr, bf, header + 19, 0);
        decomp::ctr_apply(ctr, entries, dir_size);
    }
    edit(header, entries);
    seal_directory(package, bf);
}

Bytes literal_change(const Bytes& old_data, const Bytes& new_data) {
    Bytes out(decomp::kChangeSignature, decomp::kChangeSignature + 4);
    put32(out, std::uint32_t(old_data.size()));
    put32(out, decomp::crc32_update(0, old_data.data(), old_data.size()));
    put32(out, std::uint32_t(new_data.size()));
    put32(out, decomp::crc32_update(0, new_data.data(), new_data.size()));
    if (!new_data.empty()) {
        out.push_back(decomp::kChangeAdd);
        put32(out, std::uint32_t(new_data.size()));
        out.insert(out.end(), new_data.begin(), new_data.end());
    }
    out.push_back(decomp::kChangeEnd);
    return out;
}

// ----- MemoryFs -----

namespace {

struct ReadHandle {
    MemoryFs* fs;
    std::string path;
    std::uint64_t pos;
};

struct WriteHandle {
    MemoryFs* fs;
    std::string path;
};

void* mem_open_read(void* ctx, const char* path, bool* missing) {
    auto* fs = static_cast<MemoryFs*>(ctx);
    if (!fs->files.count(path)) {
        *missing = !fs->dirs.count(path);
        return nullptr;
    }
    ++fs->open_handles;
    return new ReadHandle{fs, path, 0};
}

bool mem_size(void* file, std::uint64_t* size) {
    auto* h = static_cast<ReadHandle*>(file);
    *size = h->fs->files[h->path].size();
    return true;
}

bool mem_seek(void* file, std::uint64_t offset) {
    static_cast<ReadHandle*>(file)->pos = offset;
    return true;
}

std::size_t mem_read(void* file, std::uint8_t* buf, std::size_t n) {
    auto* h = static_cast<ReadHandle*>(file);
    const Bytes& data = h->fs->files[h->path];
    if (h->pos >= data.size()) return 0;
    n = std::min<std::size_t>(n, data.size() - h->pos);
    std::memcpy(buf, data.data() + h->pos, n);
    h->pos += n;
    return n;
}

void mem_close_read(void* file) {
    auto* h = static_cast<ReadHandle*>(file);
    --h->fs->open_handles;
    delete h;
}

void* mem_create(void* ctx, const char* path) {
    auto* fs = static_cast<MemoryFs*>(ctx);
    if (fs->dirs.count(path)) return nullptr;
    fs->files[path].clear();
    fs->created.insert(path);
    ++fs->open_handles;
    return new WriteHandle{fs, path};
}

bool mem_write(void* file, const std::uint8_t* data, std::size_t n) {
    auto* h = static_cast<WriteHandle*>(file);
    if (n > h->fs->write_limit - h->fs->written) return false;
    h->fs->written += n;
    Bytes& f = h->fs->files[h->path];
    f.insert(f.end(), data, data + n);
    return true;
}

bool mem_close_write(void* file, std::uint32_t dos_time) {
    auto* h = static_cast<WriteHandle*>(file);
    if (dos_time != decomp::kKeepTime) h->fs->times[h->path] = dos_time;
    --h->fs->open_handles;
    delete h;
    return true;
}

bool mem_remove(void* ctx, const char* path) {
    auto* fs = static_cast<MemoryFs*>(ctx);
    fs->times.erase(path);
    return fs->files.erase(path) > 0;
}

bool mem_rename(void* ctx, const char* from, const char* to) {
    auto* fs = static_cast<MemoryFs*>(ctx);
    if (!fs->files.count(from) || fs->files.count(to) || fs->dirs.count(to)) return false;
    fs->files[to] = std::move(fs->files[from]);
    fs->files.erase(from);
    if (fs->times.count(from)) fs->times[to] = fs->times[from];
    fs->times.erase(from);
    return true;
}

bool mem_make_dir(void* ctx, const char* path) {
    auto* fs = static_cast<MemoryFs*>(ctx);
    if (fs->files.count(path)) return false;
    fs->dirs.insert(path);
    return true;
}

}  // namespace

decomp::FileOps MemoryFs::ops() {
    decomp::FileOps o;
    o.ctx = this;
    o.separator = '/';
    o.open_read = mem_open_read;
    o.file_size = mem_size;
    o.seek = mem_seek;
    o.read = mem_read;
    o.close_read = mem_close_read;
    o.create = mem_create;
    o.write = mem_write;
    o.close_write = mem_close_write;
    o.remove = mem_remove;
    o.rename = mem_rename;
    o.make_dir = mem_make_dir;
    return o;
}

}  // namespace pkgtest
