#include "tools/kvrpack/package_writer.h"

#include <bzlib.h>
#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <unordered_map>
#include <unordered_set>

#include "decomp32/crc32.h"
#include "decomp32/decomp32_api.h"
#include "decomp32/file_ops_posix.h"
#include "decomp32/package_change.h"
#include "decomp32/package_format.h"

namespace kvrpack {

namespace fs = std::filesystem;
using decomp::kEntrySize;
using decomp::kHeaderSize;

namespace {

struct FileCloser {
    void operator()(std::FILE* f) const {
        if (f) std::fclose(f);
    }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

std::string lower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    return s;
}

std::string system_error(const std::string& what, const std::string& path) {
    return what + " " + path + ": " + std::strerror(errno);
}

bool read_whole(const std::string& path, std::vector<std::uint8_t>& data, std::string& error) {
    File f(std::fopen(path.c_str(), "rb"));
    if (!f) {
        error = system_error("cannot open", path);
        return false;
    }
    data.clear();
    std::uint8_t buf[65536];
    std::size_t got;
    while ((got = std::fread(buf, 1, sizeof buf, f.get())) > 0) data.insert(data.end(), buf, buf + got);
    if (std::ferror(f.get())) {
        error = system_error("cannot read", path);
        return false;
    }
    return true;
}

std::uint32_t file_dos_time(const std::string& path) {
    struct stat st;
    if (stat(path.c_str(), &st) != 0) return decomp::unix_to_dos_time(0);
    return decomp::unix_to_dos_time(st.st_mtime);
}

// The package as one byte stream, cut into disk files of `disk_size` bytes when split.
class DiskWriter {
  public:
    DiskWriter(std::string pattern, std::uint64_t disk_size) : pattern_(std::move(pattern)), disk_size_(disk_size) {}

    bool write(const std::uint8_t* data, std::size_t n, std::string& error) {
        while (n) {
            if (!file_ || (disk_size_ && in_disk_ == disk_size_)) {
                if (file_) {
                    if (!close_current(error)) return false;
                    ++disk_;
                }
                if (disk_ >= decomp::kMaxDisks) {
                    error = "package needs more than 256 disks";
                    return false;
                }
                if (!open_disk(disk_, "wb", error)) return false;
                in_disk_ = 0;
            }
            std::size_t take = n;
            if (disk_size_ && take > disk_size_ - in_disk_) take = std::size_t(disk_size_ - in_disk_);
            if (std::fwrite(data, 1, take, file_.get()) != take) {
                error = system_error("cannot write", path_);
                return false;
            }
            data += take;
            n -= take;
            in_disk_ += take;
            pos_ += take;
        }
        return true;
    }

    // Writes `n` bytes again at the very start of disk 0 and closes everything.
    bool finish(const std::uint8_t* start, std::size_t n, std::string& error) {
        if (!close_current(error)) return false;
        if (!open_disk(0, "r+b", error)) return false;
        if (std::fwrite(start, 1, n, file_.get()) != n) {
            error = system_error("cannot write", path_);
            return false;
        }
        return close_current(error);
    }

    std::uint64_t pos() const { return pos_; }

    // After a failure: no half-made package stays behind.
    void remove_all() {
        file_.reset();
        for (const std::string& path : made_) std::remove(path.c_str());
    }

  private:
    bool open_disk(unsigned disk, const char* mode, std::string& error) {
        char path[4096];
        if (!decomp::format_disk_path(pattern_.c_str(), disk, path, sizeof path)) {
            error = "package name too long";
            return false;
        }
        path_ = path;
        file_.reset(std::fopen(path, mode));
        if (!file_) {
            error = system_error("cannot create", path_);
            return false;
        }
        if (std::find(made_.begin(), made_.end(), path_) == made_.end()) made_.push_back(path_);
        return true;
    }

    bool close_current(std::string& error) {
        if (!file_) return true;
        const bool ok = std::fclose(file_.release()) == 0;
        if (!ok) error = system_error("cannot write", path_);
        return ok;
    }

    std::string pattern_, path_;
    std::vector<std::string> made_;
    std::uint64_t disk_size_;
    File file_;
    unsigned disk_ = 0;
    std::uint64_t in_disk_ = 0, pos_ = 0;
};

// Compresses a byte stream with libbz2, enciphers the result and appends it to the package.
class EntryEncoder {
  public:
    EntryEncoder(DiskWriter& out, const decomp::Blowfish& bf, const std::uint8_t nonce[8], int level)
        : out_(out) {
        decomp::ctr_start(ctr_, bf, nonce, 0);
        std::memset(&bz_, 0, sizeof bz_);
        ok_ = BZ2_bzCompressInit(&bz_, level, 0, 0) == BZ_OK;
    }
    ~EntryEncoder() { BZ2_bzCompressEnd(&bz_); }

    bool add(const std::uint8_t* data, std::size_t n, std::string& error) {
        crc_ = decomp::crc32_update(crc_, data, n);
        size_ += n;
        bz_.next_in = reinterpret_cast<char*>(const_cast<std::uint8_t*>(data));
        bz_.avail_in = unsigned(n);
        while (bz_.avail_in) {
            if (!pump(BZ_RUN, error)) return false;
        }
        return true;
    }

    bool finish(std::string& error) {
        bz_.avail_in = 0;
        for (;;) {
            const int rc = pump_rc(BZ_FINISH, error);
            if (rc == BZ_STREAM_END) return true;
            if (rc != BZ_FINISH_OK) return false;
        }
    }

    std::uint32_t crc() const { return crc_; }
    std::uint64_t size() const { return size_; }
    std::uint32_t packed_crc() const { return packed_crc_; }
    std::uint64_t packed_size() const { return packed_size_; }

  private:
    bool pump(int action, std::string& error) { return pump_rc(action, error) == BZ_RUN_OK; }

    int pump_rc(int action, std::string& error) {
        if (!ok_) {
            error = "bzip2 compressor could not start";
            return BZ_CONFIG_ERROR;
        }
        std::uint8_t buf[65536];
        bz_.next_out = reinterpret_cast<char*>(buf);
        bz_.avail_out = sizeof buf;
        const int rc = BZ2_bzCompress(&bz_, action);
        const std::size_t produced = sizeof buf - bz_.avail_out;
        if (rc != BZ_RUN_OK && rc != BZ_FINISH_OK && rc != BZ_STREAM_END) {
            error = "bzip2 compressor failed";
            return rc;
        }
        if (produced) {
            decomp::ctr_apply(ctr_, buf, produced);
            packed_crc_ = decomp::crc32_update(packed_crc_, buf, produced);
            packed_size_ += produced;
            if (!out_.write(buf, produced, error)) return BZ_IO_ERROR;
        }
        return rc;
    }

    DiskWriter& out_;
    decomp::CtrCipher ctr_;
    bz_stream bz_;
    bool ok_ = false;
    std::uint32_t crc_ = 0, packed_crc_ = 0;
    std::uint64_t size_ = 0, packed_size_ = 0;
};

class NonceSource {
  public:
    explicit NonceSource(std::uint64_t seed) : seeded_(seed != 0), gen_(seed) {}
    void fill(std::uint8_t out[8]) {
        for (int i = 0; i < 8; ++i) out[i] = std::uint8_t(seeded_ ? gen_() : random_());
    }

  private:
    bool seeded_;
    std::mt19937_64 gen_;
    std::random_device random_;
};

bool add_file(const fs::path& path, const std::string& name, std::vector<InputFile>& out) {
    InputFile in;
    in.source = path.string();
    in.name = name;
    out.push_back(std::move(in));
    return true;
}

bool add_folder(const fs::path& root, std::vector<InputFile>& out, std::string& error) {
    std::vector<std::pair<std::string, fs::path>> found;
    std::error_code ec;
    for (fs::recursive_directory_iterator it(root, ec), end; !ec && it != end; it.increment(ec)) {
        if (!it->is_regular_file(ec)) continue;
        std::string name = fs::relative(it->path(), root, ec).generic_string();
        std::replace(name.begin(), name.end(), '/', '\\');
        found.emplace_back(name, it->path());
    }
    if (ec) {
        error = "cannot read folder " + root.string() + ": " + ec.message();
        return false;
    }
    std::sort(found.begin(), found.end());
    for (auto& [name, path] : found) add_file(path, name, out);
    return true;
}

bool add_list(const std::string& list, std::vector<InputFile>& out, std::string& error) {
    std::ifstream in(list);
    if (!in) {
        error = system_error("cannot open list", list);
        return false;
    }
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == '#') continue;
        const std::size_t tab = line.find('\t');
        if (tab == std::string::npos) {
            if (!collect_inputs(line, out, error)) return false;
            continue;
        }
        std::string name = line.substr(tab + 1);
        std::replace(name.begin(), name.end(), '/', '\\');
        add_file(line.substr(0, tab), name, out);
    }
    return true;
}

bool check_inputs(const std::vector<InputFile>& inputs, std::string& error) {
    std::unordered_set<std::string> seen;
    for (const InputFile& in : inputs) {
        if (const char* bad = decomp::check_entry_name(in.name.c_str(), in.name.size())) {
            error = "cannot pack \"" + in.name + "\": " + bad;
            return false;
        }
        std::string key = lower(in.name);
        std::replace(key.begin(), key.end(), '/', '\\');
        if (!seen.insert(key).second) {
            error = "two files named \"" + in.name + "\"";
            return false;
        }
        if (in.kind == decomp::kKindChange) {
            const std::string base = lower(key.substr(key.rfind('\\') == std::string::npos ? 0 : key.rfind('\\') + 1));
            if (base == "patch.tmp" || base == "patch.old") {
                error = "a changed file may not be named " + base;
                return false;
            }
        }
    }
    return true;
}

}  // namespace

bool collect_inputs(const std::string& arg, std::vector<InputFile>& out, std::string& error) {
    if (!arg.empty() && arg[0] == '@') return add_list(arg.substr(1), out, error);
    std::error_code ec;
    const fs::path path(arg);
    if (fs::is_directory(path, ec)) return add_folder(path, out, error);
    if (fs::is_regular_file(path, ec)) return add_file(path, path.filename().string(), out);
    error = "no such file or folder: " + arg;
    return false;
}

bool parse_key(const std::string& hex, std::string& key, std::string& error) {
    if (hex.size() != 14) {
        error = "a package key is 14 hex digits (7 bytes)";
        return false;
    }
    key.clear();
    for (std::size_t i = 0; i < 14; i += 2) {
        unsigned v = 0;
        if (std::sscanf(hex.substr(i, 2).c_str(), "%2x", &v) != 1 || !std::isxdigit(static_cast<unsigned char>(hex[i])) ||
            !std::isxdigit(static_cast<unsigned char>(hex[i + 1]))) {
            error = "bad hex digits in package key";
            return false;
        }
        if (v == 0) {
            error = "package key bytes must not be zero";
            return false;
        }
        key.push_back(char(v));
    }
    return true;
}

namespace {

// Data first (room for header and directory kept), then header and directory.
bool write_contents(DiskWriter& out, const std::vector<InputFile>& inputs, const PackOptions& options,
                    decomp::PackageHeader& header, const decomp::Blowfish& bf, NonceSource& nonces,
                    std::uint64_t directory_end, std::uint64_t total, std::string& error) {
    // Header and directory are written last; their room first.
    std::vector<std::uint8_t> start(directory_end, 0);
    if (!out.write(start.data(), start.size(), error)) return false;

    std::vector<decomp::PackageEntry> entries(inputs.size());
    std::uint64_t done = 0;
    std::vector<std::uint8_t> buf(1 << 20);
    for (std::size_t i = 0; i < inputs.size(); ++i) {
        const InputFile& in = inputs[i];
        decomp::PackageEntry& e = entries[i];
        std::memcpy(e.name, in.name.data(), in.name.size());
        e.name[in.name.size()] = '\0';
        e.kind = in.kind;
        e.dos_time = file_dos_time(in.source);
        nonces.fill(e.nonce);
        const std::uint64_t start_pos = out.pos();
        EntryEncoder enc(out, bf, e.nonce, options.level);
        if (in.kind == decomp::kKindChange) {
            std::vector<std::uint8_t> old_data, new_data;
            if (!read_whole(in.old_source, old_data, error) || !read_whole(in.source, new_data, error)) return false;
            const std::vector<std::uint8_t> change = make_change(old_data, new_data);
            if (change.size() > 0xFFFFFFFFull) {
                error = "change for " + in.name + " is 4 GiB or larger";
                return false;
            }
            if (!enc.add(change.data(), change.size(), error)) return false;
            done += new_data.size();
        } else {
            File f(std::fopen(in.source.c_str(), "rb"));
            if (!f) {
                error = system_error("cannot open", in.source);
                return false;
            }
            std::size_t got;
            while ((got = std::fread(buf.data(), 1, buf.size(), f.get())) > 0) {
                if (!enc.add(buf.data(), got, error)) return false;
                done += got;
                if (options.progress) options.progress(done, total);
            }
            if (std::ferror(f.get())) {
                error = system_error("cannot read", in.source);
                return false;
            }
        }
        if (enc.size() > 0xFFFFFFFFull) {
            error = in.source + " grew to 4 GiB or more while packing";
            return false;
        }
        // An empty file is stored as nothing at all (the compressor has not written yet).
        if (enc.size() != 0 && !enc.finish(error)) return false;
        if (options.progress) options.progress(done, total);
        e.crc = enc.crc();
        e.size = std::uint32_t(enc.size());
        e.packed_crc = enc.packed_crc();
        e.packed_size = std::uint32_t(enc.packed_size());
        if (out.pos() > 0xFFFFFFFFull) {
            error = "package would be 4 GiB or larger";
            return false;
        }
        e.data_start = std::uint32_t(start_pos);
        e.data_end = std::uint32_t(out.pos());
        unsigned disk = 0;
        std::uint64_t in_disk = 0;
        if (!decomp::locate_offset(header, start_pos, disk, in_disk)) {
            error = "package needs more than 256 disks";
            return false;
        }
        e.disk = std::uint8_t(disk);
    }

    // Directory: plain for the CRC, then enciphered when asked.
    std::vector<std::uint8_t> directory(inputs.size() * kEntrySize);
    for (std::size_t i = 0; i < entries.size(); ++i) decomp::encode_entry(entries[i], directory.data() + i * kEntrySize);
    encode_header(header, start.data());
    std::uint32_t crc = decomp::crc32_update(0, start.data(), 27);
    header.directory_crc = decomp::crc32_update(crc, directory.data(), directory.size());
    encode_header(header, start.data());
    if (header.directory_enciphered) {
        decomp::CtrCipher ctr;
        decomp::ctr_start(ctr, bf, header.directory_nonce, 0);
        decomp::ctr_apply(ctr, directory.data(), directory.size());
    }
    std::memcpy(start.data() + kHeaderSize, directory.data(), directory.size());
    return out.finish(start.data(), start.size(), error);
}

}  // namespace

bool write_package(const std::string& output, const std::vector<InputFile>& inputs, const PackOptions& options,
                   std::string& error) {
    if (options.level < 1 || options.level > 9) {
        error = "bzip2 level must be 1 to 9";
        return false;
    }
    if (!check_inputs(inputs, error)) return false;
    const std::uint64_t directory_end = kHeaderSize + std::uint64_t(inputs.size()) * kEntrySize;
    if (options.disk_size) {
        if (output.find("%d") == std::string::npos) {
            error = "a package split over disks needs \"%d\" in its name (the disk number)";
            return false;
        }
        if (options.disk_size < directory_end || options.disk_size >= decomp::kNotSplit) {
            error = "disk size must hold the header and directory (" + std::to_string(directory_end) +
                    " bytes) and be below 4 GiB";
            return false;
        }
    }
    if (inputs.size() > 0xFFFFFFu) {
        error = "too many files";
        return false;
    }

    std::uint64_t total = 0;
    for (const InputFile& in : inputs) {
        std::error_code ec;
        const auto size = fs::file_size(in.source, ec);
        if (ec) {
            error = "cannot read " + in.source + ": " + ec.message();
            return false;
        }
        if (size > 0xFFFFFFFFull) {
            error = in.source + " is 4 GiB or larger";
            return false;
        }
        total += size;
    }

    decomp::Blowfish bf;
    const std::string key = options.key.empty() ? std::string(decomp::kPackageKey) : options.key;
    decomp::derive_blowfish(key.c_str(), bf);
    NonceSource nonces(options.nonce_seed);

    decomp::PackageHeader header;
    header.directory_enciphered = options.encipher_directory;
    header.entry_count = std::uint32_t(inputs.size());
    if (options.disk_size) header.first_disk_size = header.further_disk_size = std::uint32_t(options.disk_size);
    header.key_check = decomp::key_check_value(bf);
    nonces.fill(header.directory_nonce);

    DiskWriter out(output, options.disk_size);
    if (write_contents(out, inputs, options, header, bf, nonces, directory_end, total, error)) return true;
    out.remove_all();
    return false;
}

bool write_setup(const std::string& loader, const std::string& package, const std::string& output,
                 std::uint64_t offset, std::string& error) {
    std::vector<std::uint8_t> image;
    if (!read_whole(loader, image, error)) return false;
    if (offset == 0) offset = image.size();
    if (image.size() > offset) {
        error = "loader is " + std::to_string(image.size()) + " bytes, longer than the package offset " +
                std::to_string(offset);
        return false;
    }
    image.resize(offset, 0);
    File in(std::fopen(package.c_str(), "rb"));
    if (!in) {
        error = system_error("cannot open", package);
        return false;
    }
    File out(std::fopen(output.c_str(), "wb"));
    if (!out) {
        error = system_error("cannot create", output);
        return false;
    }
    if (std::fwrite(image.data(), 1, image.size(), out.get()) != image.size()) {
        error = system_error("cannot write", output);
        return false;
    }
    std::uint8_t buf[65536];
    std::size_t got;
    while ((got = std::fread(buf, 1, sizeof buf, in.get())) > 0) {
        if (std::fwrite(buf, 1, got, out.get()) != got) {
            error = system_error("cannot write", output);
            return false;
        }
    }
    if (std::ferror(in.get())) {
        error = system_error("cannot read", package);
        return false;
    }
    if (std::fclose(out.release()) != 0) {
        error = system_error("cannot write", output);
        return false;
    }
    return true;
}

}  // namespace kvrpack
