// Kind 1 entries: the unpacked bytes are a change stream that turns an existing file into
// the new one. Layout (all numbers little-endian):
//   "KVCH", old size, old CRC-32, new size, new CRC-32        (20 bytes)
//   then commands: 0x01 offset length  copy bytes of the old file
//                  0x02 length bytes    add these bytes
//                  0x00                 end; nothing may follow
// The applier streams: it takes the change in pieces of any size, reads the old file
// through FileOps and hands the new bytes to a sink.
#pragma once

#include <cstddef>
#include <cstdint>

#include "decomp32/file_ops.h"
#include "decomp32/stream.h"

namespace decomp {

inline constexpr std::uint8_t kChangeSignature[4] = {'K', 'V', 'C', 'H'};
inline constexpr std::size_t kChangeHeaderSize = 20;
inline constexpr std::uint8_t kChangeEnd = 0x00;
inline constexpr std::uint8_t kChangeCopy = 0x01;
inline constexpr std::uint8_t kChangeAdd = 0x02;

struct ChangeApplier {
    const FileOps* io = nullptr;
    void* old_file = nullptr;  // open for reading, owned by the caller
    WriteFn out = nullptr;
    void* out_ctx = nullptr;
    std::uint8_t* buffer = nullptr;  // scratch for reading the old file
    std::size_t buffer_size = 0;

    enum State { kHeader, kCommand, kArgs, kAddBytes, kDone } state = kHeader;
    std::uint8_t pending[kChangeHeaderSize] = {};  // header or command arguments being gathered
    std::size_t have = 0;
    std::uint8_t command = 0;
    std::uint32_t old_size = 0, new_size = 0, new_crc = 0;
    std::uint32_t add_left = 0;
    std::uint64_t written = 0;
    std::uint32_t crc = 0;  // of the bytes written so far
    bool sink_failed = false;
};

void change_begin(ChangeApplier& a, const FileOps& io, void* old_file, WriteFn out, void* out_ctx,
                  std::uint8_t* buffer, std::size_t buffer_size);
// nullptr or what is wrong. After an error the applier must not be fed again.
const char* change_feed(ChangeApplier& a, const std::uint8_t* data, std::size_t n);
// Checks that the stream ended properly and the result has the promised size and CRC-32.
const char* change_finish(const ChangeApplier& a);

}  // namespace decomp
