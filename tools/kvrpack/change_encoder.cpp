// Finds runs of the new file in the old one: the old file's blocks are indexed by a
// hash, a rolling hash walks the new file, and each hit is grown both ways.
#include <cstring>
#include <unordered_map>

#include "decomp32/crc32.h"
#include "decomp32/package_change.h"
#include "decomp32/package_format.h"
#include "tools/kvrpack/package_writer.h"

namespace kvrpack {

namespace {

constexpr std::uint32_t kBase = 257;

void put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    std::uint8_t b[4];
    decomp::store_le32(b, v);
    out.insert(out.end(), b, b + 4);
}

void emit_add(std::vector<std::uint8_t>& out, const std::uint8_t* data, std::size_t n) {
    while (n) {
        const std::uint32_t take = n > 0x7FFFFFFFu ? 0x7FFFFFFFu : std::uint32_t(n);
        out.push_back(decomp::kChangeAdd);
        put32(out, take);
        out.insert(out.end(), data, data + take);
        data += take;
        n -= take;
    }
}

std::uint32_t hash_block(const std::uint8_t* p, std::size_t block) {
    std::uint32_t h = 0;
    for (std::size_t i = 0; i < block; ++i) h = h * kBase + p[i];
    return h;
}

}  // namespace

std::vector<std::uint8_t> make_change(const std::vector<std::uint8_t>& old_data,
                                      const std::vector<std::uint8_t>& new_data) {
    std::vector<std::uint8_t> out(decomp::kChangeSignature, decomp::kChangeSignature + 4);
    put32(out, std::uint32_t(old_data.size()));
    put32(out, decomp::crc32_update(0, old_data.data(), old_data.size()));
    put32(out, std::uint32_t(new_data.size()));
    put32(out, decomp::crc32_update(0, new_data.data(), new_data.size()));

    // Larger blocks for large files keep the index to a few million entries.
    std::size_t block = 16;
    while (old_data.size() / block > (std::size_t(1) << 22)) block *= 2;
    const std::uint8_t* o = old_data.data();
    const std::uint8_t* n = new_data.data();
    const std::size_t on = old_data.size(), nn = new_data.size();

    std::size_t literal = 0, i = 0;
    if (on >= block && nn >= block) {
        std::unordered_map<std::uint32_t, std::uint32_t> index;
        index.reserve(on / block);
        for (std::size_t k = 0; k + block <= on; k += block) index.emplace(hash_block(o + k, block), std::uint32_t(k));
        std::uint32_t top = 1;  // kBase^(block-1)
        for (std::size_t k = 1; k < block; ++k) top *= kBase;
        std::uint32_t h = hash_block(n, block);
        while (i + block <= nn) {
            const auto hit = index.find(h);
            if (hit != index.end() && std::memcmp(o + hit->second, n + i, block) == 0) {
                std::size_t from = hit->second, at = i, len = block;
                while (at > literal && from > 0 && o[from - 1] == n[at - 1]) --from, --at, ++len;
                while (at + len < nn && from + len < on && o[from + len] == n[at + len]) ++len;
                emit_add(out, n + literal, at - literal);
                while (len) {
                    const std::uint32_t take = len > 0x7FFFFFFFu ? 0x7FFFFFFFu : std::uint32_t(len);
                    out.push_back(decomp::kChangeCopy);
                    put32(out, std::uint32_t(from));
                    put32(out, take);
                    from += take;
                    at += take;
                    len -= take;
                }
                i = literal = at;
                if (i + block <= nn) h = hash_block(n + i, block);
                continue;
            }
            if (i + block < nn) h = (h - n[i] * top) * kBase + n[i + block];
            ++i;
        }
    }
    emit_add(out, n + literal, nn - literal);
    out.push_back(decomp::kChangeEnd);
    return out;
}

}  // namespace kvrpack
