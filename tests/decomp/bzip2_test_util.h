// Helpers for the bzip2 decoder tests: memory sources and sinks, and a small independent
// encoder (naive BWT, fixed-shape Huffman codes) whose block plans the tests can bend into
// every kind of malformed stream.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace bztest {

using Bytes = std::vector<std::uint8_t>;

Bytes read_file(const std::string& path);
std::string testdata(const char* name);  // a file under the shared bzip2 test data

struct Decoded {
    const char* error = nullptr;
    Bytes out;
    std::uint64_t size = 0;
};

// Decodes `in`, handing it over `chunk` bytes per read call.
Decoded decode(const Bytes& in, std::size_t chunk = 1 << 20);

// bzip2's MSB-first CRC, computed bit by bit.
std::uint32_t bzip2_crc(const Bytes& data);

struct PlanOptions {
    unsigned groups = 2;           // Huffman tables written
    bool alternate_groups = false; // selectors cycle through the tables (else all use table 0)
    bool long_codes = false;       // codes up to 19 bits instead of a near-uniform code
    const int* random_gaps = nullptr;  // non-null: write a randomised block with this table
    bool skip_run_stage = false;   // `data` is written as the run-length stage's output itself
};

// In BlockPlan::symbols: twenty 1 bits instead of a code (a pattern an incomplete code lacks).
inline constexpr unsigned kRawOnes = 0x10000;

struct BlockPlan {
    std::uint32_t crc = 0;
    bool randomised = false;
    std::uint32_t origin = 0;
    bool used[256] = {};
    unsigned groups = 2;
    std::vector<unsigned> selector_mtf;            // as written: unary MTF indexes
    std::vector<std::vector<unsigned>> lengths;   // per table, one per symbol (written as is)
    std::vector<unsigned> symbols;                 // RUNA = 0, RUNB = 1, MTF values, EOB last
};

// One block for `data` (it must fit the block size it is written with).
BlockPlan plan_block(const Bytes& data, const PlanOptions& options = {});
Bytes write_stream(const std::vector<BlockPlan>& blocks, unsigned level, const std::uint32_t* stream_crc = nullptr);
Bytes make_stream(const Bytes& data, unsigned level = 9, const PlanOptions& options = {});

// Deterministic test data: text-like words with some binary records and long runs.
Bytes mixed_data(std::size_t size, std::uint32_t seed);

}  // namespace bztest
