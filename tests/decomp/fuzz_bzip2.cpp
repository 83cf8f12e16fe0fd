// Fuzz target for the bzip2 decoder. The first input byte sets the read size, so buffer
// edges move around. Whatever the decoder accepts, libbz2 must accept with the same output.
#include <bzlib.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "decomp32/bzip2_decode.h"

namespace {

constexpr std::size_t kOutputCap = 1u << 20;

struct Source {
    const std::uint8_t* data;
    std::size_t size, pos, chunk;
};

std::size_t read_source(void* ctx, std::uint8_t* buf, std::size_t n) {
    auto* s = static_cast<Source*>(ctx);
    if (n > s->chunk) n = s->chunk;
    if (n > s->size - s->pos) n = s->size - s->pos;
    std::memcpy(buf, s->data + s->pos, n);
    s->pos += n;
    return n;
}

bool write_sink(void* ctx, const std::uint8_t* data, std::size_t n) {
    auto* out = static_cast<std::vector<std::uint8_t>*>(ctx);
    if (out->size() + n > kOutputCap) return false;  // bombs are not interesting here
    out->insert(out->end(), data, data + n);
    return true;
}

// libbz2 over concatenated streams; false on any error or on more output than `limit`.
bool libbz2_decode(const std::uint8_t* data, std::size_t size, std::vector<std::uint8_t>& out, std::size_t limit) {
    std::size_t pos = 0;
    while (pos < size) {
        bz_stream s{};
        if (BZ2_bzDecompressInit(&s, 0, 0) != BZ_OK) return false;
        s.next_in = reinterpret_cast<char*>(const_cast<std::uint8_t*>(data + pos));
        s.avail_in = static_cast<unsigned>(size - pos);
        int rc;
        do {
            char buf[65536];
            s.next_out = buf;
            s.avail_out = sizeof buf;
            rc = BZ2_bzDecompress(&s);
            out.insert(out.end(), buf, buf + (sizeof buf - s.avail_out));
        } while (rc == BZ_OK && out.size() <= limit && (s.avail_in > 0 || s.avail_out == 0));
        pos = size - s.avail_in;
        BZ2_bzDecompressEnd(&s);
        if (rc != BZ_STREAM_END || out.size() > limit) return false;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::size_t chunks[] = {1, 2, 3, 7, 64, 1000, 4096, 1u << 20};
    Source src{data + 1, size - 1, 0, chunks[data[0] % 8]};
    std::vector<std::uint8_t> out;
    std::uint64_t written = 0;
    const char* error = decomp::bzip2_decompress(read_source, &src, write_sink, &out, &written);
    if (written != out.size()) std::abort();
    if (error) {
        if (error[0] == '\0') std::abort();
        return 0;
    }
    std::vector<std::uint8_t> expected;
    if (!libbz2_decode(data + 1, size - 1, expected, out.size()) || expected != out) std::abort();
    return 0;
}
