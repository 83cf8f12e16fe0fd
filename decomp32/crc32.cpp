// CRC-32 of zip and zlib: reflected polynomial 0xEDB88320, four bytes per step ("slicing by
// four"). The 4 KB of tables are built on first use rather than stored, which keeps them out
// of the library file.
#include "decomp32/crc32.h"

namespace decomp {
namespace {

struct Crc32Tables {
    std::uint32_t t[4][256];
};

Crc32Tables make_tables() {
    Crc32Tables tables;
    for (std::uint32_t i = 0; i < 256; ++i) {
        std::uint32_t c = i;
        for (int k = 0; k < 8; ++k) c = (c & 1) ? (c >> 1) ^ 0xEDB88320u : c >> 1;
        tables.t[0][i] = c;
    }
    // t[k][b]: the CRC of byte b followed by k zero bytes.
    for (int k = 1; k < 4; ++k)
        for (int i = 0; i < 256; ++i)
            tables.t[k][i] = (tables.t[k - 1][i] >> 8) ^ tables.t[0][tables.t[k - 1][i] & 0xFF];
    return tables;
}

}  // namespace

std::uint32_t crc32_update(std::uint32_t crc, const std::uint8_t* data, std::size_t len) {
    static const Crc32Tables tables = make_tables();
    const auto& t = tables.t;
    // The running value is kept inverted between calls, as zlib does, so 0 starts a new sum.
    crc = ~crc;
    for (; len >= 4; data += 4, len -= 4) {
        crc ^= std::uint32_t{data[0]} | std::uint32_t{data[1]} << 8 | std::uint32_t{data[2]} << 16 |
               std::uint32_t{data[3]} << 24;
        crc = t[3][crc & 0xFF] ^ t[2][(crc >> 8) & 0xFF] ^ t[1][(crc >> 16) & 0xFF] ^ t[0][crc >> 24];
    }
    for (; len; --len) crc = t[0][(crc ^ *data++) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

}  // namespace decomp
