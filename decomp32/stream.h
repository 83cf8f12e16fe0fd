// Byte source and sink callbacks shared by the decoders and the package reader.
// Plain function pointers: the same code runs inside the small DLL and in host tools.
#pragma once

#include <cstddef>
#include <cstdint>

namespace decomp {

// Fills up to n bytes; returns the count, 0 at the end of the input, or kReadError.
using ReadFn = std::size_t (*)(void* ctx, std::uint8_t* buf, std::size_t n);
inline constexpr std::size_t kReadError = static_cast<std::size_t>(-1);

// Takes n bytes; returns false to stop (the caller then reports a write failure).
using WriteFn = bool (*)(void* ctx, const std::uint8_t* data, std::size_t n);

}  // namespace decomp
