// The Blowfish block cipher (64-bit blocks, keys of 1 to 56 bytes). Modes live with
// their callers.
#pragma once

#include <cstddef>
#include <cstdint>

namespace decomp {

struct Blowfish {
    std::uint32_t p[18];
    std::uint32_t s[4][256];
};

// Expands `key` (1..56 bytes) into `bf`. Longer keys are used up to 72 bytes; an empty key
// leaves the initial tables unkeyed. The published test vectors load the halves big-endian.
void blowfish_set_key(Blowfish& bf, const std::uint8_t* key, std::size_t len);
void blowfish_encrypt(const Blowfish& bf, std::uint32_t& left, std::uint32_t& right);
void blowfish_decrypt(const Blowfish& bf, std::uint32_t& left, std::uint32_t& right);

}  // namespace decomp
