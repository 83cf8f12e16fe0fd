#include "decomp32/file_ops_posix.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "decomp32/package_format.h"

namespace decomp {

namespace {

struct ReadFile {
    int fd;
};

// Writes are gathered: the decoder hands over small pieces.
struct WriteFile {
    int fd;
    bool failed;
    std::size_t used;
    std::uint8_t buf[64 * 1024];
};

void* open_read(void*, const char* path, bool* missing) {
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (missing) *missing = errno == ENOENT || errno == ENOTDIR;
        return nullptr;
    }
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        if (missing) *missing = false;
        return nullptr;
    }
    return new ReadFile{fd};
}

bool file_size(void* file, std::uint64_t* size) {
    struct stat st;
    if (fstat(static_cast<ReadFile*>(file)->fd, &st) != 0) return false;
    *size = std::uint64_t(st.st_size);
    return true;
}

bool seek(void* file, std::uint64_t offset) {
    return lseek(static_cast<ReadFile*>(file)->fd, off_t(offset), SEEK_SET) == off_t(offset);
}

std::size_t read(void* file, std::uint8_t* buf, std::size_t n) {
    for (;;) {
        const ssize_t got = ::read(static_cast<ReadFile*>(file)->fd, buf, n);
        if (got >= 0) return std::size_t(got);
        if (errno != EINTR) return kReadError;
    }
}

void close_read(void* file) {
    ::close(static_cast<ReadFile*>(file)->fd);
    delete static_cast<ReadFile*>(file);
}

bool write_all(int fd, const std::uint8_t* data, std::size_t n) {
    while (n) {
        const ssize_t put = ::write(fd, data, n);
        if (put < 0 && errno == EINTR) continue;
        if (put <= 0) return false;
        data += put;
        n -= std::size_t(put);
    }
    return true;
}

void* create(void*, const char* path) {
    const int fd = ::open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return nullptr;
    WriteFile* f = static_cast<WriteFile*>(std::malloc(sizeof(WriteFile)));
    if (!f) {
        ::close(fd);
        return nullptr;
    }
    f->fd = fd;
    f->failed = false;
    f->used = 0;
    return f;
}

bool flush(WriteFile& f) {
    if (f.used && !f.failed) f.failed = !write_all(f.fd, f.buf, f.used);
    f.used = 0;
    return !f.failed;
}

bool write(void* file, const std::uint8_t* data, std::size_t n) {
    WriteFile& f = *static_cast<WriteFile*>(file);
    if (f.failed) return false;
    if (f.used + n > sizeof f.buf) {
        if (!flush(f)) return false;
        if (n >= sizeof f.buf) {
            f.failed = !write_all(f.fd, data, n);
            return !f.failed;
        }
    }
    std::memcpy(f.buf + f.used, data, n);
    f.used += n;
    return true;
}

bool close_write(void* file, std::uint32_t dos_time) {
    WriteFile& f = *static_cast<WriteFile*>(file);
    bool ok = flush(f);
    if (ok && dos_time != kKeepTime) {
        long long seconds = 0;
        ok = dos_time_to_unix(dos_time, &seconds);
        if (ok) {
            struct timespec times[2];
            times[0].tv_sec = times[1].tv_sec = time_t(seconds);
            times[0].tv_nsec = times[1].tv_nsec = 0;
            ok = futimens(f.fd, times) == 0;
        }
    }
    if (::close(f.fd) != 0) ok = false;
    std::free(&f);
    return ok;
}

bool remove_file(void*, const char* path) { return ::unlink(path) == 0; }

bool rename_file(void*, const char* from, const char* to) {
    if (renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE) == 0) return true;
    if (errno != EINVAL && errno != ENOSYS) return false;
    // A file system without the no-replace flag: check first.
    struct stat st;
    if (lstat(to, &st) == 0) return false;
    return ::rename(from, to) == 0;
}

bool make_dir(void*, const char* path) {
    if (::mkdir(path, 0755) == 0) return true;
    struct stat st;
    return errno == EEXIST && stat(path, &st) == 0 && S_ISDIR(st.st_mode);
}

const FileOps kOps = [] {
    FileOps ops;
    ops.separator = '/';
    ops.open_read = open_read;
    ops.file_size = file_size;
    ops.seek = seek;
    ops.read = read;
    ops.close_read = close_read;
    ops.create = create;
    ops.write = write;
    ops.close_write = close_write;
    ops.remove = remove_file;
    ops.rename = rename_file;
    ops.make_dir = make_dir;
    return ops;
}();

}  // namespace

const FileOps& posix_file_ops() { return kOps; }

bool dos_time_to_unix(std::uint32_t t, long long* seconds) {
    if (!dos_time_valid(t)) return false;
    std::tm tm{};
    tm.tm_sec = int(t & 31) * 2;
    tm.tm_min = int((t >> 5) & 63);
    tm.tm_hour = int((t >> 11) & 31);
    tm.tm_mday = int((t >> 16) & 31);
    tm.tm_mon = int((t >> 21) & 15) - 1;
    tm.tm_year = int((t >> 25) & 127) + 80;
    tm.tm_isdst = -1;
    const std::time_t s = std::mktime(&tm);
    if (s == std::time_t(-1)) return false;
    *seconds = s;
    return true;
}

std::uint32_t unix_to_dos_time(long long seconds) {
    const std::time_t s = std::time_t(seconds);
    std::tm tm{};
    if (!localtime_r(&s, &tm)) return (1u << 21) | (1u << 16);
    if (tm.tm_year < 80) return (1u << 21) | (1u << 16);  // 1980-01-01 00:00:00
    if (tm.tm_year > 80 + 127) return (127u << 25) | (12u << 21) | (31u << 16) | (23u << 11) | (59u << 5) | 29u;
    return std::uint32_t(tm.tm_year - 80) << 25 | std::uint32_t(tm.tm_mon + 1) << 21 | std::uint32_t(tm.tm_mday) << 16 |
           std::uint32_t(tm.tm_hour) << 11 | std::uint32_t(tm.tm_min) << 5 | std::uint32_t((tm.tm_sec > 59 ? 59 : tm.tm_sec) / 2);
}

}  // namespace decomp
