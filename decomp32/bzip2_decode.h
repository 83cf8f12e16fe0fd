// bzip2 decoder: any valid stream (block sizes 1..9, concatenated streams, randomised
// blocks). Streams its output; memory is bounded by the block size.
#pragma once

#include <cstdint>

#include "decomp32/stream.h"

namespace decomp {

// Decodes the whole input (one or more concatenated streams) into `write`.
// Returns nullptr on success, else a static text that says what is wrong.
// `out_size` (optional) receives the number of bytes written.
const char* bzip2_decompress(ReadFn read, void* read_ctx, WriteFn write, void* write_ctx,
                             std::uint64_t* out_size = nullptr);

}  // namespace decomp
