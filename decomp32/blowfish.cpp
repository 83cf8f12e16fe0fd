// Blowfish: 16 Feistel rounds over 32-bit halves, key-dependent P-array and S-boxes.
#include "decomp32/blowfish.h"

namespace decomp {
namespace {

// P-array then S-boxes before keying: the hexadecimal digits of pi (see blowfish_tables_gen.cpp).
constexpr std::uint32_t kPiWords[18 + 4 * 256] = {
#include "decomp32/blowfish_tables.inc"
};

inline std::uint32_t round_function(const Blowfish& bf, std::uint32_t x) {
    return ((bf.s[0][x >> 24] + bf.s[1][(x >> 16) & 0xFF]) ^ bf.s[2][(x >> 8) & 0xFF]) + bf.s[3][x & 0xFF];
}

}  // namespace

void blowfish_encrypt(const Blowfish& bf, std::uint32_t& left, std::uint32_t& right) {
    std::uint32_t l = left, r = right;
    // Two rounds per step; the halves end up exchanged exactly as the cipher's final swap wants.
    for (int i = 0; i < 16; i += 2) {
        l ^= bf.p[i];
        r ^= round_function(bf, l) ^ bf.p[i + 1];
        l ^= round_function(bf, r);
    }
    left = r ^ bf.p[17];
    right = l ^ bf.p[16];
}

void blowfish_decrypt(const Blowfish& bf, std::uint32_t& left, std::uint32_t& right) {
    std::uint32_t l = left, r = right;
    for (int i = 17; i > 1; i -= 2) {
        l ^= bf.p[i];
        r ^= round_function(bf, l) ^ bf.p[i - 1];
        l ^= round_function(bf, r);
    }
    left = r ^ bf.p[0];
    right = l ^ bf.p[1];
}

void blowfish_set_key(Blowfish& bf, const std::uint8_t* key, std::size_t len) {
    const std::uint32_t* pi = kPiWords;
    for (int i = 0; i < 18; ++i) bf.p[i] = *pi++;
    for (auto& box : bf.s)
        for (auto& word : box) word = *pi++;

    // The key bytes, repeated, are folded big-endian into the P-array. Only the first 72
    // bytes can have an effect; an empty key leaves the tables as they are.
    if (len > 0) {
        std::size_t k = 0;
        for (auto& word : bf.p) {
            std::uint32_t w = 0;
            for (int b = 0; b < 4; ++b) {
                w = (w << 8) | key[k];
                if (++k == len) k = 0;
            }
            word ^= w;
        }
    }

    // Replace every table word, in order, with the output of the cipher as keyed so far.
    std::uint32_t l = 0, r = 0;
    for (int i = 0; i < 18; i += 2) {
        blowfish_encrypt(bf, l, r);
        bf.p[i] = l;
        bf.p[i + 1] = r;
    }
    for (auto& box : bf.s)
        for (int i = 0; i < 256; i += 2) {
            blowfish_encrypt(bf, l, r);
            box[i] = l;
            box[i + 1] = r;
        }
}

}  // namespace decomp
