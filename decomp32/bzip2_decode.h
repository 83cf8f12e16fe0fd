// bzip2 decoder: any valid stream (block sizes 1..9, concatenated streams, randomised
// blocks). Streams its output; memory is bounded by the block size.
#pragma once

#include <cstdint>

#include "decomp32/stream.h"

namespace decomp {

// Decodes the whole input (one or more concatenated streams) into `write`.
// Returns nullptr on success, else a static text that says what is wrong.
// `out_size` (optional) receives the number of bytes written.
//
// The input must be exactly the streams: a zero-byte input and bytes after the last stream
// are errors (a stream of nothing is the 14-byte empty stream). Output is written as it is
// decoded, so after an error the bytes already written must be thrown away. Every block and
// stream CRC is checked. Reentrant; about 3.6 MB for the largest block size.
const char* bzip2_decompress(ReadFn read, void* read_ctx, WriteFn write, void* write_ctx,
                             std::uint64_t* out_size = nullptr);

}  // namespace decomp
