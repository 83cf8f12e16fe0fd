// CRC-32 as in zip and zlib (reflected polynomial 0xEDB88320): crc32_update(0, "123456789")
// is 0xCBF43926. Start with 0 and feed the running value back in.
#pragma once

#include <cstddef>
#include <cstdint>

namespace decomp {

std::uint32_t crc32_update(std::uint32_t crc, const std::uint8_t* data, std::size_t len);

}  // namespace decomp
