#include "decomp32/package_change.h"

#include <cstring>

#include "decomp32/crc32.h"
#include "decomp32/package_format.h"

namespace decomp {

void change_begin(ChangeApplier& a, const FileOps& io, void* old_file, WriteFn out, void* out_ctx,
                  std::uint8_t* buffer, std::size_t buffer_size) {
    a = ChangeApplier{};
    a.io = &io;
    a.old_file = old_file;
    a.out = out;
    a.out_ctx = out_ctx;
    a.buffer = buffer;
    a.buffer_size = buffer_size;
}

namespace {

const char* emit(ChangeApplier& a, const std::uint8_t* data, std::size_t n) {
    if (n > a.new_size - a.written) return "change gives a longer file than it promises";
    a.crc = crc32_update(a.crc, data, n);
    a.written += n;
    if (!a.out(a.out_ctx, data, n)) {
        a.sink_failed = true;
        return "cannot write the changed file";
    }
    return nullptr;
}

// The old file must be exactly the one the change was made from.
const char* check_old_file(ChangeApplier& a, std::uint32_t size, std::uint32_t crc) {
    std::uint64_t actual = 0;
    if (!a.io->file_size(a.old_file, &actual) || !a.io->seek(a.old_file, 0)) return "cannot read the file to be changed";
    if (actual != size) return "the file to be changed is not the expected one (size)";
    std::uint32_t c = 0;
    for (;;) {
        const std::size_t got = a.io->read(a.old_file, a.buffer, a.buffer_size);
        if (got == kReadError) return "cannot read the file to be changed";
        if (got == 0) break;
        c = crc32_update(c, a.buffer, got);
    }
    if (c != crc) return "the file to be changed is not the expected one (CRC)";
    return nullptr;
}

const char* copy_old(ChangeApplier& a, std::uint32_t offset, std::uint32_t length) {
    if (std::uint64_t(offset) + length > a.old_size) return "change copies from outside the old file";
    if (length > a.new_size - a.written) return "change gives a longer file than it promises";
    if (!a.io->seek(a.old_file, offset)) return "cannot read the file to be changed";
    while (length) {
        const std::size_t want = length < a.buffer_size ? length : a.buffer_size;
        const std::size_t got = a.io->read(a.old_file, a.buffer, want);
        if (got == kReadError || got == 0) return "cannot read the file to be changed";
        if (const char* err = emit(a, a.buffer, got)) return err;
        length -= std::uint32_t(got);
    }
    return nullptr;
}

}  // namespace

const char* change_feed(ChangeApplier& a, const std::uint8_t* data, std::size_t n) {
    std::size_t i = 0;
    while (i < n) {
        switch (a.state) {
        case ChangeApplier::kHeader: {
            while (i < n && a.have < kChangeHeaderSize) a.pending[a.have++] = data[i++];
            if (a.have < kChangeHeaderSize) break;
            if (std::memcmp(a.pending, kChangeSignature, 4) != 0) return "change data damaged (no signature)";
            a.old_size = load_le32(a.pending + 4);
            a.new_size = load_le32(a.pending + 12);
            a.new_crc = load_le32(a.pending + 16);
            if (const char* err = check_old_file(a, a.old_size, load_le32(a.pending + 8))) return err;
            a.have = 0;
            a.state = ChangeApplier::kCommand;
            break;
        }
        case ChangeApplier::kCommand:
            a.command = data[i++];
            if (a.command == kChangeEnd) a.state = ChangeApplier::kDone;
            else if (a.command == kChangeCopy || a.command == kChangeAdd) a.state = ChangeApplier::kArgs;
            else return "change data damaged (unknown command)";
            a.have = 0;
            break;
        case ChangeApplier::kArgs: {
            const std::size_t need = a.command == kChangeCopy ? 8 : 4;
            while (i < n && a.have < need) a.pending[a.have++] = data[i++];
            if (a.have < need) break;
            a.have = 0;
            if (a.command == kChangeCopy) {
                if (const char* err = copy_old(a, load_le32(a.pending), load_le32(a.pending + 4))) return err;
                a.state = ChangeApplier::kCommand;
            } else {
                a.add_left = load_le32(a.pending);
                a.state = a.add_left ? ChangeApplier::kAddBytes : ChangeApplier::kCommand;
            }
            break;
        }
        case ChangeApplier::kAddBytes: {
            std::size_t take = n - i;
            if (take > a.add_left) take = a.add_left;
            if (const char* err = emit(a, data + i, take)) return err;
            i += take;
            a.add_left -= std::uint32_t(take);
            if (a.add_left == 0) a.state = ChangeApplier::kCommand;
            break;
        }
        case ChangeApplier::kDone:
            return "change data damaged (bytes after its end)";
        }
    }
    return nullptr;
}

const char* change_finish(const ChangeApplier& a) {
    if (a.state != ChangeApplier::kDone) return "change data damaged (ends early)";
    if (a.written != a.new_size) return "change gives a shorter file than it promises";
    if (a.crc != a.new_crc) return "changed file has a CRC error";
    return nullptr;
}

}  // namespace decomp
