// CRC-32 of zip and zlib: reflected polynomial 0xEDB88320, bytewise with one 1 KB table.
// The table is built at compile time so the library carries no start-up code for it.
#include "decomp32/crc32.h"

#include <array>

namespace decomp {
namespace {

constexpr std::array<std::uint32_t, 256> make_table() {
    std::array<std::uint32_t, 256> t{};
    for (std::uint32_t i = 0; i < 256; ++i) {
        std::uint32_t c = i;
        for (int k = 0; k < 8; ++k) c = (c & 1) ? (c >> 1) ^ 0xEDB88320u : c >> 1;
        t[i] = c;
    }
    return t;
}

constexpr std::array<std::uint32_t, 256> kTable = make_table();

}  // namespace

std::uint32_t crc32_update(std::uint32_t crc, const std::uint8_t* data, std::size_t len) {
    // The running value is kept inverted between calls, as zlib does, so 0 starts a new sum.
    crc = ~crc;
    for (std::size_t i = 0; i < len; ++i) crc = kTable[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

}  // namespace decomp
