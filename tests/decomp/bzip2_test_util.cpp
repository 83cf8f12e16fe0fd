#include "bzip2_test_util.h"

#include <algorithm>
#include <cstdio>
#include <numeric>
#include <random>

#include "decomp32/bzip2_decode.h"

namespace bztest {

Bytes read_file(const std::string& path) {
    Bytes data;
    if (FILE* f = std::fopen(path.c_str(), "rb")) {
        std::uint8_t buf[65536];
        std::size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) data.insert(data.end(), buf, buf + n);
        std::fclose(f);
    }
    return data;
}

std::string testdata(const char* name) { return std::string(KVR_SHARED_TESTDATA) + "/bzip2/" + name; }

namespace {

struct Source {
    const Bytes* data;
    std::size_t pos, chunk;
};

std::size_t read_source(void* ctx, std::uint8_t* buf, std::size_t n) {
    auto* s = static_cast<Source*>(ctx);
    n = std::min({n, s->chunk, s->data->size() - s->pos});
    std::copy_n(s->data->data() + s->pos, n, buf);
    s->pos += n;
    return n;
}

bool write_sink(void* ctx, const std::uint8_t* data, std::size_t n) {
    auto* out = static_cast<Bytes*>(ctx);
    out->insert(out->end(), data, data + n);
    return true;
}

class BitWriter {
public:
    void put(std::uint32_t value, unsigned n) {
        while (n--) bit((value >> n) & 1);
    }
    void bit(unsigned b) {
        if (used_ == 0) bytes_.push_back(0);
        if (b) bytes_.back() |= static_cast<std::uint8_t>(0x80 >> used_);
        used_ = (used_ + 1) & 7;
    }
    Bytes take() { return std::move(bytes_); }

private:
    Bytes bytes_;
    unsigned used_ = 0;
};

// Sorted rotations by prefix doubling; fine for test-sized blocks, periodic ones included.
std::vector<std::uint32_t> sort_rotations(const Bytes& s) {
    const std::size_t n = s.size();
    if (n == 0) return {};
    std::vector<std::uint32_t> order(n), rank(s.begin(), s.end()), next(n);
    std::iota(order.begin(), order.end(), 0u);
    for (std::size_t k = 1;; k *= 2) {
        auto key = [&](std::uint32_t i) { return std::pair(rank[i], rank[(i + k) % n]); };
        std::sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) { return key(a) < key(b); });
        next[order[0]] = 0;
        for (std::size_t i = 1; i < n; ++i) next[order[i]] = next[order[i - 1]] + (key(order[i - 1]) < key(order[i]));
        rank = next;
        if (rank[order[n - 1]] == n - 1 || k >= n) break;
    }
    return order;
}

// Complete prefix code with lengths L-1 and L for `count` symbols, each plus `depth`.
void near_uniform(std::vector<unsigned>& lengths, std::size_t from, std::size_t count, unsigned depth) {
    if (count == 1) {
        lengths[from] = depth;
        return;
    }
    unsigned bits = 0;
    while ((1u << bits) < count) ++bits;
    const std::size_t shorter = (std::size_t{1} << bits) - count;
    for (std::size_t i = 0; i < count; ++i) lengths[from + i] = depth + bits - (i < shorter ? 1 : 0);
}

std::vector<unsigned> canonical_codes(const std::vector<unsigned>& lengths) {
    std::vector<unsigned> codes(lengths.size());
    unsigned code = 0;
    for (unsigned len = 1; len <= 31; ++len) {
        for (std::size_t i = 0; i < lengths.size(); ++i)
            if (lengths[i] == len) codes[i] = code++;
        code <<= 1;
    }
    return codes;
}

}  // namespace

Decoded decode(const Bytes& in, std::size_t chunk) {
    Decoded d;
    Source src{&in, 0, chunk};
    d.error = decomp::bzip2_decompress(read_source, &src, write_sink, &d.out, &d.size);
    return d;
}

std::uint32_t bzip2_crc(const Bytes& data) {
    std::uint32_t crc = 0xFFFFFFFFu;
    for (std::uint8_t byte : data) {
        crc ^= std::uint32_t{byte} << 24;
        for (int k = 0; k < 8; ++k) crc = (crc & 0x80000000u) ? (crc << 1) ^ 0x04C11DB7u : crc << 1;
    }
    return ~crc;
}

BlockPlan plan_block(const Bytes& data, const PlanOptions& options) {
    BlockPlan plan;
    plan.crc = bzip2_crc(data);
    plan.groups = options.groups;

    // Runs of 4..259 equal bytes become four bytes and a count.
    Bytes s;
    for (std::size_t i = 0; i < data.size() && !options.skip_run_stage;) {
        std::size_t j = i;
        while (j < data.size() && data[j] == data[i] && j - i < 259) ++j;
        const std::size_t run = j - i;
        s.insert(s.end(), std::min<std::size_t>(run, 4), data[i]);
        if (run >= 4) s.push_back(static_cast<std::uint8_t>(run - 4));
        i = j;
    }
    if (options.skip_run_stage) s = data;
    if (options.random_gaps) {
        plan.randomised = true;
        int to_go = 0;
        unsigned next = 0;
        for (auto& byte : s) {
            if (to_go == 0) {
                to_go = options.random_gaps[next];
                next = (next + 1) & 511;
            }
            if (--to_go == 1) byte ^= 1;
        }
    }

    // BWT: the last column of the sorted rotations, and the row of the text itself.
    const auto order = sort_rotations(s);
    Bytes last(s.size());
    for (std::size_t i = 0; i < s.size(); ++i) {
        last[i] = s[(order[i] + s.size() - 1) % s.size()];
        if (order[i] == 0) plan.origin = static_cast<std::uint32_t>(i);
    }

    // MTF over the bytes in use; runs of the front byte in bijective base 2.
    Bytes mtf;
    for (std::uint8_t b : s) plan.used[b] = true;
    for (unsigned b = 0; b < 256; ++b)
        if (plan.used[b]) mtf.push_back(static_cast<std::uint8_t>(b));
    std::size_t zeros = 0;
    auto flush_zeros = [&] {  // digits RUNA = 1, RUNB = 2, least significant first
        while (zeros > 0) {
            const unsigned digit = (zeros & 1) ? 1 : 2;
            plan.symbols.push_back(digit - 1);
            zeros = (zeros - digit) / 2;
        }
    };
    for (std::uint8_t b : last) {
        const auto pos = static_cast<unsigned>(std::find(mtf.begin(), mtf.end(), b) - mtf.begin());
        if (pos == 0) {
            ++zeros;
            continue;
        }
        flush_zeros();
        plan.symbols.push_back(pos + 1);
        mtf.erase(mtf.begin() + pos);
        mtf.insert(mtf.begin(), b);
    }
    flush_zeros();
    const std::size_t alphabet = mtf.size() + 2;
    plan.symbols.push_back(static_cast<unsigned>(alphabet - 1));

    // One complete code shape, rotated differently for each table.
    std::vector<unsigned> shape(alphabet);
    if (options.long_codes && alphabet > 12) {
        for (unsigned i = 0; i < 11; ++i) shape[i] = i + 1;
        near_uniform(shape, 11, alphabet - 11, 11);
    } else {
        near_uniform(shape, 0, alphabet, 0);
    }
    for (unsigned g = 0; g < options.groups; ++g) {
        std::vector<unsigned> lengths(alphabet);
        for (std::size_t i = 0; i < alphabet; ++i) lengths[i] = shape[(i + g * 7) % alphabet];
        plan.lengths.push_back(lengths);
    }

    // Selectors, MTF coded.
    std::vector<unsigned> order_of_groups(options.groups);
    std::iota(order_of_groups.begin(), order_of_groups.end(), 0u);
    for (std::size_t i = 0; i < (plan.symbols.size() + 49) / 50; ++i) {
        const unsigned group = options.alternate_groups ? static_cast<unsigned>(i % options.groups) : 0;
        const auto pos = static_cast<unsigned>(
            std::find(order_of_groups.begin(), order_of_groups.end(), group) - order_of_groups.begin());
        plan.selector_mtf.push_back(pos);
        order_of_groups.erase(order_of_groups.begin() + pos);
        order_of_groups.insert(order_of_groups.begin(), group);
    }
    return plan;
}

Bytes write_stream(const std::vector<BlockPlan>& blocks, unsigned level, const std::uint32_t* stream_crc) {
    BitWriter w;
    w.put('B', 8), w.put('Z', 8), w.put('h', 8), w.put('0' + level, 8);
    std::uint32_t combined = 0;
    for (const auto& b : blocks) {
        combined = (combined << 1 | combined >> 31) ^ b.crc;
        w.put(0x314159, 24), w.put(0x265359, 24), w.put(b.crc, 32);
        w.put(b.randomised, 1), w.put(b.origin, 24);
        unsigned ranges = 0;
        for (unsigned i = 0; i < 256; ++i)
            if (b.used[i]) ranges |= 0x8000u >> (i / 16);
        w.put(ranges, 16);
        for (unsigned r = 0; r < 16; ++r) {
            if (!(ranges & (0x8000u >> r))) continue;
            unsigned bits = 0;
            for (unsigned j = 0; j < 16; ++j)
                if (b.used[r * 16 + j]) bits |= 0x8000u >> j;
            w.put(bits, 16);
        }
        w.put(b.groups, 3);
        w.put(static_cast<std::uint32_t>(b.selector_mtf.size()), 15);
        std::vector<unsigned> groups_in_order(b.groups), selectors;
        std::iota(groups_in_order.begin(), groups_in_order.end(), 0u);
        for (unsigned v : b.selector_mtf) {
            for (unsigned k = 0; k < v; ++k) w.bit(1);
            w.bit(0);
            const unsigned pos = std::min<unsigned>(v, b.groups - 1);
            const unsigned group = groups_in_order[pos];
            groups_in_order.erase(groups_in_order.begin() + pos);
            groups_in_order.insert(groups_in_order.begin(), group);
            selectors.push_back(group);
        }
        for (const auto& lengths : b.lengths) {
            unsigned cur = lengths.empty() ? 1 : std::min(lengths[0], 31u);
            w.put(cur, 5);
            for (unsigned len : lengths) {
                for (; cur < len; ++cur) w.bit(1), w.bit(0);
                for (; cur > len; --cur) w.bit(1), w.bit(1);
                w.bit(0);
            }
        }
        std::vector<std::vector<unsigned>> codes;
        for (const auto& lengths : b.lengths) codes.push_back(canonical_codes(lengths));
        for (std::size_t i = 0; i < b.symbols.size(); ++i) {
            const unsigned table = selectors.empty() ? 0 : selectors[std::min(i / 50, selectors.size() - 1)];
            const unsigned sym = b.symbols[i];
            if (sym == kRawOnes) w.put(0xFFFFF, 20);
            if (table < b.lengths.size() && sym < b.lengths[table].size())
                w.put(codes[table][sym], b.lengths[table][sym]);
        }
    }
    w.put(0x177245, 24), w.put(0x385090, 24), w.put(stream_crc ? *stream_crc : combined, 32);
    return w.take();
}

Bytes make_stream(const Bytes& data, unsigned level, const PlanOptions& options) {
    return write_stream({plan_block(data, options)}, level);
}

Bytes mixed_data(std::size_t size, std::uint32_t seed) {
    static const char* const words[] = {"terrain", "tile", "object", "flak", "bridge", "airfield", "the", "of",
                                        "and", "factory", "vehicle", "orientation", "0x1F", "42", "\n", ", "};
    std::mt19937 rng(seed);
    Bytes out;
    while (out.size() < size) {
        const unsigned kind = rng() % 100;
        if (kind < 70) {
            const char* w = words[rng() % std::size(words)];
            out.insert(out.end(), w, w + std::char_traits<char>::length(w));
            out.push_back(' ');
        } else if (kind < 90) {  // small binary record
            for (int i = 0; i < 12; ++i) out.push_back(static_cast<std::uint8_t>(i < 4 ? rng() % 8 : rng()));
        } else if (kind < 98) {  // a run, sometimes long
            out.insert(out.end(), 1 + rng() % (kind < 96 ? 12 : 700), static_cast<std::uint8_t>(rng()));
        } else {  // incompressible stretch
            for (int i = 0; i < 300; ++i) out.push_back(static_cast<std::uint8_t>(rng()));
        }
    }
    out.resize(size);
    return out;
}

}  // namespace bztest
