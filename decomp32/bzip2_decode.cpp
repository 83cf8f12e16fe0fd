// bzip2 decoder. Per block: read the tables, decode the Huffman-coded MTF/run symbols into
// the block array, build the inverse BWT links in place, then walk them while undoing the
// initial run-length stage, checking the block CRC on the way out.
//
// Memory: one 32-bit word per block byte (the byte in the low 8 bits, the link to the next
// position above it) plus about 170 KB of tables and buffers.
#include "decomp32/bzip2_decode.h"

#include <cstdlib>
#include <cstring>

namespace decomp {
namespace {

constexpr unsigned kMaxGroups = 6;
constexpr unsigned kMaxAlphabet = 258;           // RUNA, RUNB, MTF values 1..255, end of block
constexpr unsigned kMaxCodeLength = 20;
constexpr unsigned kMaxSelectors = 18002;        // 2 + 900000 / 50: all a full block can use
constexpr unsigned kGroupSize = 50;
constexpr unsigned kLookupBits = 10;             // codes up to this length decode in one lookup
constexpr std::size_t kInputSize = 1 << 16;
constexpr std::size_t kOutputSize = 1 << 16;
constexpr std::size_t kOutputSlack = 256;        // one step of the run-length stage writes up to 256

const char kTruncated[] = "bzip2: unexpected end of input";
const char kReadFailed[] = "bzip2: read error";
const char kWriteFailed[] = "bzip2: output could not be written";

// Gaps between the bytes that the old "randomised" blocks flipped (published with the format).
const std::uint16_t kRandomGaps[512] = {
    619, 720, 127, 481, 931, 816, 813, 233, 566, 247, 985, 724, 205, 454, 863, 491,
    741, 242, 949, 214, 733, 859, 335, 708, 621, 574, 73, 654, 730, 472, 419, 436,
    278, 496, 867, 210, 399, 680, 480, 51, 878, 465, 811, 169, 869, 675, 611, 697,
    867, 561, 862, 687, 507, 283, 482, 129, 807, 591, 733, 623, 150, 238, 59, 379,
    684, 877, 625, 169, 643, 105, 170, 607, 520, 932, 727, 476, 693, 425, 174, 647,
    73, 122, 335, 530, 442, 853, 695, 249, 445, 515, 909, 545, 703, 919, 874, 474,
    882, 500, 594, 612, 641, 801, 220, 162, 819, 984, 589, 513, 495, 799, 161, 604,
    958, 533, 221, 400, 386, 867, 600, 782, 382, 596, 414, 171, 516, 375, 682, 485,
    911, 276, 98, 553, 163, 354, 666, 933, 424, 341, 533, 870, 227, 730, 475, 186,
    263, 647, 537, 686, 600, 224, 469, 68, 770, 919, 190, 373, 294, 822, 808, 206,
    184, 943, 795, 384, 383, 461, 404, 758, 839, 887, 715, 67, 618, 276, 204, 918,
    873, 777, 604, 560, 951, 160, 578, 722, 79, 804, 96, 409, 713, 940, 652, 934,
    970, 447, 318, 353, 859, 672, 112, 785, 645, 863, 803, 350, 139, 93, 354, 99,
    820, 908, 609, 772, 154, 274, 580, 184, 79, 626, 630, 742, 653, 282, 762, 623,
    680, 81, 927, 626, 789, 125, 411, 521, 938, 300, 821, 78, 343, 175, 128, 250,
    170, 774, 972, 275, 999, 639, 495, 78, 352, 126, 857, 956, 358, 619, 580, 124,
    737, 594, 701, 612, 669, 112, 134, 694, 363, 992, 809, 743, 168, 974, 944, 375,
    748, 52, 600, 747, 642, 182, 862, 81, 344, 805, 988, 739, 511, 655, 814, 334,
    249, 515, 897, 955, 664, 981, 649, 113, 974, 459, 893, 228, 433, 837, 553, 268,
    926, 240, 102, 654, 459, 51, 686, 754, 806, 760, 493, 403, 415, 394, 687, 700,
    946, 670, 656, 610, 738, 392, 760, 799, 887, 653, 978, 321, 576, 617, 626, 502,
    894, 679, 243, 440, 680, 879, 194, 572, 640, 724, 926, 56, 204, 700, 707, 151,
    457, 449, 797, 195, 791, 558, 945, 679, 297, 59, 87, 824, 713, 663, 412, 693,
    342, 606, 134, 108, 571, 364, 631, 212, 174, 643, 304, 329, 343, 97, 430, 751,
    497, 314, 983, 374, 822, 928, 140, 206, 73, 263, 980, 736, 876, 478, 430, 305,
    170, 514, 364, 692, 829, 82, 855, 953, 676, 246, 369, 970, 294, 750, 807, 827,
    150, 790, 288, 923, 804, 378, 215, 828, 592, 281, 565, 555, 710, 82, 896, 831,
    547, 261, 524, 462, 293, 465, 502, 56, 661, 821, 976, 991, 658, 869, 905, 758,
    745, 193, 768, 550, 608, 933, 378, 286, 215, 979, 792, 961, 61, 688, 793, 644,
    986, 403, 106, 366, 905, 644, 372, 567, 466, 434, 645, 210, 389, 550, 919, 135,
    780, 773, 635, 389, 707, 100, 626, 958, 165, 504, 920, 176, 193, 713, 857, 265,
    203, 50, 668, 108, 645, 990, 626, 197, 510, 357, 358, 850, 858, 364, 936, 638,
};

inline std::uint64_t load_be64(const std::uint8_t* p) {
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    std::uint64_t v;
    std::memcpy(&v, p, 8);
    return __builtin_bswap64(v);
#else
    std::uint64_t v = 0;
    for (int i = 0; i < 8; ++i) v = v << 8 | p[i];
    return v;
#endif
}

// Moves mtf[pos] to the front. Text mostly moves a byte or two, which a plain loop does
// best; longer moves go to memmove (overlapping block copies here would stall on
// store-to-load forwarding).
inline std::uint8_t move_to_front(std::uint8_t* mtf, unsigned pos) {
    const std::uint8_t byte = mtf[pos];
    if (pos < 8) {
        for (; pos > 0; --pos) mtf[pos] = mtf[pos - 1];
    } else {
        std::memmove(mtf + 1, mtf, pos);
    }
    mtf[0] = byte;
    return byte;
}

struct HuffmanTable {
    std::uint16_t fast[1u << kLookupBits];    // symbol << 5 | length; 0: the code is longer
    std::uint32_t limit[kMaxCodeLength + 1];  // end of the codes of each length, left-aligned to 20 bits
    std::uint32_t first[kMaxCodeLength + 1];  // first code of each length
    std::uint16_t offset[kMaxCodeLength + 1]; // index in `symbols` of that first code
    std::uint16_t symbols[kMaxAlphabet];      // symbols in code order
};

// Canonical code from the code lengths (1..20 each). Incomplete codes are accepted (their
// unused patterns fail when met); over-subscribed ones are not.
bool build_table(HuffmanTable& t, const std::uint8_t* lengths, unsigned alphabet) {
    unsigned count[kMaxCodeLength + 1] = {};
    for (unsigned i = 0; i < alphabet; ++i) ++count[lengths[i]];
    std::uint32_t code = 0;
    unsigned index = 0;
    for (unsigned len = 1; len <= kMaxCodeLength; ++len) {
        t.first[len] = code;
        t.offset[len] = static_cast<std::uint16_t>(index);
        code += count[len];
        index += count[len];
        if (code > (1u << len)) return false;
        t.limit[len] = code << (kMaxCodeLength - len);
        code <<= 1;
    }
    std::uint16_t next[kMaxCodeLength + 1];
    std::memcpy(next, t.offset, sizeof next);
    for (unsigned i = 0; i < alphabet; ++i) t.symbols[next[lengths[i]]++] = static_cast<std::uint16_t>(i);

    std::memset(t.fast, 0, sizeof t.fast);
    for (unsigned len = 1; len <= kLookupBits; ++len)
        for (unsigned k = 0; k < count[len]; ++k) {
            const auto entry = static_cast<std::uint16_t>(t.symbols[t.offset[len] + k] << 5 | len);
            const unsigned shift = kLookupBits - len;
            std::uint16_t* slot = t.fast + ((t.first[len] + k) << shift);
            for (unsigned j = 0; j < (1u << shift); ++j) slot[j] = entry;
        }
    return true;
}

struct Decoder {
    // Input: bits are kept left-aligned in `bits`; `count` of them are valid. Past the end of
    // the input zero bytes are fed in and counted in `padding`, so reading never stalls and
    // running into them is detected afterwards (overrun()).
    ReadFn read;
    void* read_ctx;
    const std::uint8_t* in;
    const std::uint8_t* in_end;
    std::uint64_t bits;
    unsigned count;
    std::uint32_t padding;
    bool eof;
    bool read_failed;

    WriteFn write;
    void* write_ctx;
    std::uint8_t* out;
    std::uint64_t written;

    std::uint32_t* tt;  // the block: byte in bits 0..7, link to the next position in bits 8..31
    std::uint32_t tt_size;

    std::uint32_t crc_table[4][256];  // bzip2's MSB-first CRC, four bytes at a time
    HuffmanTable tables[kMaxGroups];
    std::uint8_t selectors[kMaxSelectors];
    std::uint8_t in_buf[kInputSize];
    std::uint8_t out_buf[kOutputSize + kOutputSlack];

    bool fetch() {
        if (eof) return false;
        const std::size_t n = read(read_ctx, in_buf, kInputSize);
        if (n == 0 || n > kInputSize) {  // kReadError is larger than any buffer
            eof = true;
            read_failed = n != 0;
            return false;
        }
        in = in_buf;
        in_end = in_buf + n;
        return true;
    }

    void refill_slow() {
        while (count <= 56) {
            if (in == in_end && !fetch()) {
                ++padding;
                count += 8;
                continue;
            }
            bits |= std::uint64_t{*in++} << (56 - count);
            count += 8;
        }
    }

    // At least 57 valid bits afterwards. The fast path loads 8 bytes at once and keeps the
    // whole bytes that fit; the bits below `count` it sets are the next input bits anyway.
    void refill() {
        if (in_end - in >= 8) {
            bits |= load_be64(in) >> count;
            in += (63 - count) >> 3;
            count |= 56;
        } else {
            refill_slow();
        }
    }

    std::uint32_t get(unsigned n) {  // 1..32 bits
        if (count < n) refill();
        const auto v = static_cast<std::uint32_t>(bits >> (64 - n));
        bits <<= n;
        count -= n;
        return v;
    }

    bool overrun() const { return std::uint64_t{padding} * 8 > count; }
    const char* truncated() const { return read_failed ? kReadFailed : kTruncated; }

    // True when real input bytes remain; call at a byte boundary.
    bool more_input() {
        if (count > std::uint64_t{padding} * 8) return true;
        if (padding || eof) return false;
        return in < in_end || fetch();
    }

    bool flush() {
        const std::size_t n = static_cast<std::size_t>(out - out_buf);
        out = out_buf;
        if (n == 0) return true;
        if (!write(write_ctx, out_buf, n)) return false;
        written += n;
        return true;
    }

    std::uint32_t crc_update(std::uint32_t crc, const std::uint8_t* p, std::size_t n) const {
        for (; n >= 4; p += 4, n -= 4) {
            crc ^= std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 | p[3];
            crc = crc_table[3][crc >> 24] ^ crc_table[2][(crc >> 16) & 0xFF] ^ crc_table[1][(crc >> 8) & 0xFF] ^
                  crc_table[0][crc & 0xFF];
        }
        for (; n; --n) crc = crc << 8 ^ crc_table[0][(crc >> 24) ^ *p++];
        return crc;
    }

    void init_crc_table() {
        for (std::uint32_t i = 0; i < 256; ++i) {
            std::uint32_t c = i << 24;
            for (int k = 0; k < 8; ++k) c = (c & 0x80000000u) ? (c << 1) ^ 0x04C11DB7u : c << 1;
            crc_table[0][i] = c;
        }
        for (int t = 1; t < 4; ++t)
            for (int i = 0; i < 256; ++i)
                crc_table[t][i] = crc_table[t - 1][i] << 8 ^ crc_table[0][crc_table[t - 1][i] >> 24];
    }

    const char* read_block(std::uint32_t max_size, std::uint32_t& size, std::uint32_t& origin, bool& randomised);
    const char* decode_symbols(const std::uint8_t* mtf_init, unsigned alphabet, unsigned selector_count,
                               std::uint32_t max_size, std::uint32_t& size);
    void link_block(std::uint32_t size);
    void derandomise(std::uint32_t size, std::uint32_t origin);
    const char* emit_block(std::uint32_t size, std::uint32_t origin, std::uint32_t& crc);
    const char* run();
};

// Block header and tables, then the symbols. On success tt[0..size) holds the BWT output.
const char* Decoder::read_block(std::uint32_t max_size, std::uint32_t& size, std::uint32_t& origin,
                                bool& randomised) {
    randomised = get(1) != 0;
    origin = get(24);

    // The byte values in use, in order; they are the initial MTF list.
    std::uint8_t mtf[256];
    unsigned used = 0;
    const std::uint32_t ranges = get(16);
    for (unsigned i = 0; i < 16; ++i) {
        if (!(ranges & (0x8000u >> i))) continue;
        const std::uint32_t bytes = get(16);
        for (unsigned j = 0; j < 16; ++j)
            if (bytes & (0x8000u >> j)) mtf[used++] = static_cast<std::uint8_t>(i * 16 + j);
    }
    if (overrun()) return truncated();
    if (used == 0) return "bzip2: block uses no byte values";
    const unsigned alphabet = used + 2;

    const unsigned groups = get(3);
    if (groups < 2 || groups > kMaxGroups) return "bzip2: bad number of Huffman tables";
    unsigned selector_count = get(15);
    if (selector_count == 0) return "bzip2: no selectors";

    // Selectors, unary coded and MTF transformed. Only the first kMaxSelectors can ever be
    // used; the rest are read and checked but not kept.
    std::uint8_t order[kMaxGroups] = {0, 1, 2, 3, 4, 5};
    for (unsigned i = 0; i < selector_count; ++i) {
        unsigned j = 0;
        while (get(1))
            if (++j >= groups) return overrun() ? truncated() : "bzip2: selector out of range";
        const std::uint8_t group = order[j];
        for (; j > 0; --j) order[j] = order[j - 1];
        order[0] = group;
        if (i < kMaxSelectors) selectors[i] = group;
        if (overrun()) return truncated();
    }
    if (selector_count > kMaxSelectors) selector_count = kMaxSelectors;

    // Code lengths: a 5-bit start, then per symbol a walk of +1/-1 steps.
    for (unsigned t = 0; t < groups; ++t) {
        std::uint8_t lengths[kMaxAlphabet];
        unsigned len = get(5);
        for (unsigned i = 0; i < alphabet; ++i) {
            for (;;) {
                if (len < 1 || len > kMaxCodeLength)
                    return overrun() ? truncated() : "bzip2: bad Huffman code length";
                if (!get(1)) break;
                len += get(1) ? -1u : 1u;
            }
            lengths[i] = static_cast<std::uint8_t>(len);
        }
        if (overrun()) return truncated();
        if (!build_table(tables[t], lengths, alphabet)) return "bzip2: bad Huffman code";
    }
    return decode_symbols(mtf, alphabet, selector_count, max_size, size);
}

const char* Decoder::decode_symbols(const std::uint8_t* mtf_init, unsigned alphabet, unsigned selector_count,
                                    std::uint32_t max_size, std::uint32_t& size) {
    std::uint8_t mtf[256];
    std::memcpy(mtf, mtf_init, alphabet - 2);
    const unsigned end_of_block = alphabet - 1;
    std::uint32_t* const block = tt;
    std::uint32_t n = 0;
    std::uint32_t run = 0, weight = 1;  // pending run of the front byte (RUNA/RUNB digits)
    unsigned group = 0, group_left = 0;
    const HuffmanTable* table = nullptr;
    const char* error = nullptr;

    // The bit reader lives in locals here: stores into the block cannot alias them.
    std::uint64_t b = bits;
    unsigned c = count;
    const std::uint8_t* p = in;
    const std::uint8_t* p_end = in_end;

    for (;;) {
        if (group_left == 0) {
            if (padding && std::uint64_t{padding} * 8 > c) {
                error = truncated();
                break;
            }
            if (group >= selector_count) {
                error = "bzip2: more symbols than selectors";
                break;
            }
            table = &tables[selectors[group++]];
            group_left = kGroupSize;
        }
        --group_left;

        if (c < kMaxCodeLength) {
            if (p_end - p >= 8) {
                b |= load_be64(p) >> c;
                p += (63 - c) >> 3;
                c |= 56;
            } else {
                bits = b, count = c, in = p;
                refill_slow();
                b = bits, c = count, p = in, p_end = in_end;
            }
        }

        unsigned sym, len;
        const unsigned entry = table->fast[b >> (64 - kLookupBits)];
        if (entry) {
            sym = entry >> 5;
            len = entry & 31;
        } else {
            const auto v = static_cast<std::uint32_t>(b >> (64 - kMaxCodeLength));
            len = kLookupBits + 1;
            while (len <= kMaxCodeLength && v >= table->limit[len]) ++len;
            if (len > kMaxCodeLength) {
                error = "bzip2: bad Huffman code";
                break;
            }
            sym = table->symbols[table->offset[len] + (v >> (kMaxCodeLength - len)) - table->first[len]];
        }
        b <<= len;
        c -= len;

        if (sym <= 1) {  // RUNA adds 1 x weight, RUNB 2 x weight: bijective base 2
            if (weight > max_size) {
                error = "bzip2: run longer than the block";
                break;
            }
            run += weight << sym;
            weight <<= 1;
            continue;
        }
        if (run) {
            if (run > max_size - n) {
                error = "bzip2: block longer than its size";
                break;
            }
            const std::uint32_t byte = mtf[0];
            for (std::uint32_t* q = block + n, *e = q + run; q < e; ++q) *q = byte;
            n += run;
            run = 0;
            weight = 1;
        }
        if (sym == end_of_block) break;
        if (n >= max_size) {
            error = "bzip2: block longer than its size";
            break;
        }
        const std::uint8_t byte = move_to_front(mtf, sym - 1);
        block[n++] = byte;
    }
    bits = b, count = c, in = p;
    if (error) return error;
    if (overrun()) return truncated();
    size = n;
    return nullptr;
}

// Counting sort of the block's bytes gives, for each position in sorted order, the position
// that follows it in the text; that link is stored above the byte.
void Decoder::link_block(std::uint32_t size) {
    std::uint32_t start[256] = {};
    for (std::uint32_t i = 0; i < size; ++i) ++start[tt[i] & 0xFF];
    std::uint32_t sum = 0;
    for (auto& s : start) {
        const std::uint32_t c = s;
        s = sum;
        sum += c;
    }
    for (std::uint32_t i = 0; i < size; ++i) tt[start[tt[i] & 0xFF]++] |= i << 8;
}

// Old encoders flipped the low bit of some bytes; undo it along the text order in place.
void Decoder::derandomise(std::uint32_t size, std::uint32_t origin) {
    std::uint32_t pos = tt[origin] >> 8;
    std::uint32_t to_go = 0;
    unsigned next = 0;
    for (std::uint32_t i = 0; i < size; ++i) {
        if (to_go == 0) {
            to_go = kRandomGaps[next];
            next = (next + 1) & 511;
        }
        if (--to_go == 1) tt[pos] ^= 1;
        pos = tt[pos] >> 8;
    }
}

// Walks the text and expands the runs (four equal bytes are followed by a count of 0..255
// more), writing through the output buffer.
const char* Decoder::emit_block(std::uint32_t size, std::uint32_t origin, std::uint32_t& crc_out) {
    const std::uint32_t* const block = tt;
    std::uint32_t pos = block[origin] >> 8;
    std::uint32_t left = size;
    unsigned last = 256, same = 0;
    std::uint32_t crc = 0xFFFFFFFFu;
    std::uint8_t* const limit = out_buf + kOutputSize;
    while (left) {
        std::uint8_t* o = out;
        std::uint8_t* const start = o;
        while (left && o < limit) {
            std::uint32_t k = block[pos];
            pos = k >> 8;
            --left;
            const unsigned byte = k & 0xFF;
            *o++ = static_cast<std::uint8_t>(byte);
            if (byte != last) {
                last = byte;
                same = 1;
                continue;
            }
            if (++same < 4 || !left) continue;
            k = block[pos];
            pos = k >> 8;
            --left;
            std::memset(o, static_cast<int>(byte), k & 0xFF);
            o += k & 0xFF;
            last = 256;  // the byte after a count starts a new run
        }
        crc = crc_update(crc, start, static_cast<std::size_t>(o - start));
        out = o;
        if (o >= limit && !flush()) return kWriteFailed;
    }
    crc_out = ~crc;
    return nullptr;
}

const char* Decoder::run() {
    bool any = false;
    for (;;) {
        if (!more_input()) {
            if (read_failed) return kReadFailed;
            return any ? nullptr : "bzip2: input is empty";
        }
        for (const char* magic = "BZh"; *magic; ++magic) {
            const std::uint32_t c = get(8);
            if (overrun()) return truncated();
            if (c != static_cast<std::uint8_t>(*magic))
                return any ? "bzip2: data after the end of the stream" : "bzip2: not a bzip2 stream";
        }
        const unsigned level = get(8) - '0';
        if (overrun()) return truncated();
        if (level < 1 || level > 9) return "bzip2: bad block size";

        const std::uint32_t max_size = level * 100000;
        if (tt_size < max_size) {
            std::free(tt);
            tt = static_cast<std::uint32_t*>(std::malloc(max_size * sizeof *tt));
            tt_size = tt ? max_size : 0;
            if (!tt) return "bzip2: out of memory";
        }

        std::uint32_t combined = 0;
        for (;;) {
            const std::uint32_t hi = get(24), lo = get(24);
            const std::uint32_t stored = get(32);
            if (overrun()) return truncated();
            if (hi == 0x177245 && lo == 0x385090) {
                if (stored != combined) return "bzip2: stream CRC mismatch";
                break;
            }
            if (hi != 0x314159 || lo != 0x265359) return "bzip2: bad block signature";

            std::uint32_t size = 0, origin = 0, crc = 0;
            bool randomised = false;
            if (const char* error = read_block(max_size, size, origin, randomised)) return error;
            if (origin >= size) return "bzip2: bad origin pointer";
            link_block(size);
            if (randomised) derandomise(size, origin);
            if (const char* error = emit_block(size, origin, crc)) return error;
            if (crc != stored) return "bzip2: block CRC mismatch";
            combined = (combined << 1 | combined >> 31) ^ crc;
        }
        if (count & 7) get(count & 7);  // streams end on a byte boundary
        any = true;
    }
}

}  // namespace

const char* bzip2_decompress(ReadFn read, void* read_ctx, WriteFn write, void* write_ctx, std::uint64_t* out_size) {
    if (out_size) *out_size = 0;
    if (!read || !write) return "bzip2: no input or output";
    // The tables and buffers need no clearing; only the scalar state is set.
    auto* d = static_cast<Decoder*>(std::malloc(sizeof(Decoder)));
    if (!d) return "bzip2: out of memory";
    d->bits = 0;
    d->count = 0;
    d->padding = 0;
    d->eof = d->read_failed = false;
    d->written = 0;
    d->tt = nullptr;
    d->tt_size = 0;
    d->read = read;
    d->read_ctx = read_ctx;
    d->write = write;
    d->write_ctx = write_ctx;
    d->in = d->in_end = d->in_buf;
    d->out = d->out_buf;
    d->init_crc_table();

    const char* error = d->run();
    if (!error && !d->flush()) error = kWriteFailed;
    if (out_size) *out_size = d->written;
    std::free(d->tt);
    std::free(d);
    return error;
}

}  // namespace decomp
