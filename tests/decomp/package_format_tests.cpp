// The package layout: header and entry fields, name rules, disk placement, key derivation
// and the counter-mode cipher, checked against what docs/package-format.md states.
#include <zlib.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "decomp32/decomp32_api.h"
#include "decomp32/package_format.h"

namespace {

using namespace decomp;

PackageHeader sample_header() {
    PackageHeader h;
    h.directory_enciphered = true;
    h.entry_count = 3;
    h.directory_crc = 0xA1B2C3D4;
    h.key_check = 0xBEEF;
    for (int i = 0; i < 8; ++i) h.directory_nonce[i] = std::uint8_t(0x10 + i);
    return h;
}

PackageEntry sample_entry(const PackageHeader& h) {
    PackageEntry e;
    std::strcpy(e.name, "sub\\Setup.bin");
    e.crc = 0x11223344;
    e.dos_time = (45u << 25) | (1u << 21) | (12u << 16) | (13u << 11) | (25u << 5) | 17u;
    e.size = 5000;
    e.packed_size = 1200;
    e.packed_crc = 0x55667788;
    for (int i = 0; i < 8; ++i) e.nonce[i] = std::uint8_t(0xA0 + i);
    e.data_start = std::uint32_t(kHeaderSize + h.entry_count * kEntrySize);
    e.data_end = e.data_start + e.packed_size;
    return e;
}

TEST(PackageHeaderTest, FieldsSitAtTheirOffsets) {
    PackageHeader h = sample_header();
    h.first_disk_size = 1457664;
    h.further_disk_size = 1474560;
    std::uint8_t raw[kHeaderSize];
    encode_header(h, raw);
    EXPECT_EQ(raw[0], 1);
    EXPECT_EQ(load_le32(raw + 1), 3u);
    EXPECT_EQ(load_le32(raw + 5), 1474560u);  // each further disk
    EXPECT_EQ(load_le32(raw + 9), 1457664u);  // disk 0
    EXPECT_EQ(std::memcmp(raw + 13, "KVPK", 4), 0);
    EXPECT_EQ(raw[17], 1);
    EXPECT_EQ(raw[18], 0);
    EXPECT_EQ(raw[19], 0x10);
    EXPECT_EQ(raw[26], 0x17);
    EXPECT_EQ(load_le32(raw + 27), 0xA1B2C3D4u);
    EXPECT_EQ(raw[31], 0xEF);
    EXPECT_EQ(raw[32], 0xBE);

    PackageHeader back;
    ASSERT_EQ(parse_header(raw, back), nullptr);
    EXPECT_TRUE(back.directory_enciphered);
    EXPECT_EQ(back.entry_count, 3u);
    EXPECT_EQ(back.first_disk_size, 1457664u);
    EXPECT_EQ(back.further_disk_size, 1474560u);
    EXPECT_EQ(back.directory_crc, 0xA1B2C3D4u);
    EXPECT_EQ(back.key_check, 0xBEEF);
    EXPECT_EQ(std::memcmp(back.directory_nonce, h.directory_nonce, 8), 0);
}

TEST(PackageHeaderTest, RejectsWhatIsNotOurs) {
    std::uint8_t good[kHeaderSize];
    encode_header(sample_header(), good);
    PackageHeader h;
    struct Case {
        int offset;
        std::uint8_t value;
    } cases[] = {{0, 2}, {13, 'X'}, {16, 'x'}, {17, 2}, {18, 1}};
    for (const Case& c : cases) {
        std::uint8_t raw[kHeaderSize];
        std::memcpy(raw, good, sizeof raw);
        raw[c.offset] = c.value;
        EXPECT_NE(parse_header(raw, h), nullptr) << "offset " << c.offset;
    }
    // One disk size split, the other not; a further size of 0; a directory too big for disk 0.
    PackageHeader bad = sample_header();
    std::uint8_t raw[kHeaderSize];
    bad.first_disk_size = 5000;
    encode_header(bad, raw);
    EXPECT_NE(parse_header(raw, h), nullptr);
    bad.further_disk_size = 0;
    encode_header(bad, raw);
    EXPECT_NE(parse_header(raw, h), nullptr);
    bad.further_disk_size = 5000;
    bad.first_disk_size = std::uint32_t(kHeaderSize + 3 * kEntrySize - 1);
    encode_header(bad, raw);
    EXPECT_NE(parse_header(raw, h), nullptr);
    bad.first_disk_size += 1;
    encode_header(bad, raw);
    EXPECT_EQ(parse_header(raw, h), nullptr);
}

TEST(PackageEntryTest, FieldsSitAtTheirOffsets) {
    const PackageHeader h = sample_header();
    const PackageEntry e = sample_entry(h);
    std::uint8_t raw[kEntrySize];
    encode_entry(e, raw);
    EXPECT_EQ(raw[0], 13);
    EXPECT_EQ(std::memcmp(raw + 1, "sub\\Setup.bin", 13), 0);
    for (int i = 14; i <= 64; ++i) EXPECT_EQ(raw[i], 0) << i;
    EXPECT_EQ(load_le32(raw + 65), e.crc);
    EXPECT_EQ(load_le32(raw + 69), e.dos_time);
    EXPECT_EQ(load_le32(raw + 73), 5000u);
    EXPECT_EQ(load_le32(raw + 77), 1200u);
    EXPECT_EQ(load_le32(raw + 81), e.packed_crc);
    EXPECT_EQ(raw[85], 0xA0);
    EXPECT_EQ(raw[92], 0xA7);
    EXPECT_EQ(raw[93], kMethodBzip2Blowfish);
    EXPECT_EQ(load_le32(raw + 94), e.data_start);
    EXPECT_EQ(load_le32(raw + 98), e.data_end);
    EXPECT_EQ(raw[102], 0);
    EXPECT_EQ(raw[103], 0);

    PackageEntry back;
    ASSERT_EQ(parse_entry(raw, h, back), nullptr);
    EXPECT_STREQ(back.name, e.name);
    EXPECT_EQ(back.size, e.size);
    EXPECT_EQ(back.data_end, e.data_end);
    EXPECT_EQ(std::memcmp(back.nonce, e.nonce, 8), 0);
}

TEST(PackageEntryTest, RejectsInconsistentFields) {
    const PackageHeader h = sample_header();
    std::uint8_t good[kEntrySize];
    encode_entry(sample_entry(h), good);
    auto parse_with = [&](auto change) {
        std::uint8_t raw[kEntrySize];
        std::memcpy(raw, good, sizeof raw);
        change(raw);
        PackageEntry e;
        return parse_entry(raw, h, e);
    };
    EXPECT_NE(parse_with([](std::uint8_t* r) { r[0] = 0; }), nullptr);
    EXPECT_NE(parse_with([](std::uint8_t* r) { r[0] = 65; }), nullptr);
    EXPECT_NE(parse_with([](std::uint8_t* r) { r[40] = 'x'; }), nullptr);  // bytes after the name
    EXPECT_NE(parse_with([](std::uint8_t* r) { r[93] = 2; }), nullptr);    // method
    EXPECT_NE(parse_with([](std::uint8_t* r) { r[103] = 2; }), nullptr);   // kind
    EXPECT_NE(parse_with([](std::uint8_t* r) { r[102] = 1; }), nullptr);   // disk of an unsplit package
    EXPECT_NE(parse_with([](std::uint8_t* r) { store_le32(r + 69, 0); }), nullptr);  // date 0 is no date
    EXPECT_NE(parse_with([](std::uint8_t* r) { store_le32(r + 77, 1199); }), nullptr);
    EXPECT_NE(parse_with([](std::uint8_t* r) { store_le32(r + 98, load_le32(r + 94) - 1); }), nullptr);
    EXPECT_NE(parse_with([](std::uint8_t* r) {
                  // Data placed over the directory.
                  store_le32(r + 94, 100);
                  store_le32(r + 98, 1300);
              }),
              nullptr);
    EXPECT_NE(parse_with([](std::uint8_t* r) {
                  // Nothing stored yet a size.
                  store_le32(r + 77, 0);
                  store_le32(r + 98, load_le32(r + 94));
              }),
              nullptr);
    EXPECT_NE(parse_with([](std::uint8_t* r) { std::memcpy(r + 1, "sub\\..\\tup.bin", 13); }), nullptr);
    EXPECT_EQ(parse_with([](std::uint8_t* r) { r[103] = 1; }), nullptr);
}

TEST(PackageNameTest, AcceptsRelativeNames) {
    const std::string longest(64, 'n');
    for (const char* name : {"Setup.bin", "a", "sub\\file.txt", "sub/dir/file", "x.y.z", "console", "com10",
                             "lpt", "con1.txt", "\xe4\xf6\xfc.txt", "..a", "a..b", ".hidden", longest.c_str()})
        EXPECT_EQ(check_entry_name(name, std::strlen(name)), nullptr) << name;
}

TEST(PackageNameTest, RefusesNamesThatEscapeOrThatWindowsForbids) {
    for (const char* name : {"\\abs", "/abs", "C:x", "C:\\x", "a\\..\\..\\b", "..", ".", "a\\.\\b", "..\\x", "a\\\\b",
                             "a/", "a<b", "a>b", "a\"b", "a|b", "a?b", "a*b", "a:stream", "a\tb", "a\x7f",
                             "con", "CON.txt", "sub\\nul", "Aux.dat", "prn", "com1", "LPT9.log", "name.", "name ",
                             "dir.\\x", "conin$", "x\\CONOUT$"})
        EXPECT_NE(check_entry_name(name, std::strlen(name)), nullptr) << name;
    const std::string long_name(65, 'n');
    EXPECT_NE(check_entry_name(long_name.c_str(), long_name.size()), nullptr);
    EXPECT_NE(check_entry_name("", 0), nullptr);
}

TEST(PackageDateTest, OnlyRealDatesAndTimes) {
    auto pack = [](unsigned y, unsigned mo, unsigned d, unsigned h, unsigned mi, unsigned s) {
        return std::uint32_t((y - 1980) << 25 | mo << 21 | d << 16 | h << 11 | mi << 5 | s / 2);
    };
    EXPECT_TRUE(dos_time_valid(pack(1980, 1, 1, 0, 0, 0)));
    EXPECT_TRUE(dos_time_valid(pack(2107, 12, 31, 23, 59, 58)));
    EXPECT_TRUE(dos_time_valid(pack(2024, 2, 29, 12, 0, 0)));
    EXPECT_TRUE(dos_time_valid(pack(2000, 2, 29, 12, 0, 0)));
    EXPECT_FALSE(dos_time_valid(pack(2023, 2, 29, 12, 0, 0)));
    EXPECT_FALSE(dos_time_valid(pack(2100, 2, 29, 12, 0, 0)));
    EXPECT_FALSE(dos_time_valid(pack(2023, 4, 31, 12, 0, 0)));
    EXPECT_FALSE(dos_time_valid(pack(2023, 0, 1, 12, 0, 0)));
    EXPECT_FALSE(dos_time_valid(pack(2023, 13, 1, 12, 0, 0)));
    EXPECT_FALSE(dos_time_valid(pack(2023, 1, 0, 12, 0, 0)));
    EXPECT_FALSE(dos_time_valid(pack(2023, 1, 1, 24, 0, 0)));
    EXPECT_FALSE(dos_time_valid(pack(2023, 1, 1, 0, 60, 0)));
    EXPECT_FALSE(dos_time_valid(pack(2023, 1, 1, 0, 0, 60)));
}

TEST(PackageDiskTest, OffsetsMapToDisksAndBack) {
    PackageHeader h;
    unsigned disk = 9;
    std::uint64_t at = 9;
    ASSERT_TRUE(locate_offset(h, 123456789, disk, at));
    EXPECT_EQ(disk, 0u);
    EXPECT_EQ(at, 123456789u);
    h.first_disk_size = 100;
    h.further_disk_size = 50;
    const std::uint64_t offsets[] = {0, 99, 100, 149, 150, 151, 100 + 50 * 254 + 49};
    const unsigned disks[] = {0, 0, 1, 1, 2, 2, 255};
    const std::uint64_t within[] = {0, 99, 0, 49, 0, 1, 49};
    for (int i = 0; i < 7; ++i) {
        ASSERT_TRUE(locate_offset(h, offsets[i], disk, at)) << offsets[i];
        EXPECT_EQ(disk, disks[i]) << offsets[i];
        EXPECT_EQ(at, within[i]) << offsets[i];
    }
    EXPECT_FALSE(locate_offset(h, 100 + 50 * 255, disk, at));  // disk 256 cannot be named
}

TEST(PackageDiskTest, PathPatternTakesTheDiskNumber) {
    char out[32];
    ASSERT_TRUE(format_disk_path("C:\\setup\\disk%d.lib", 3, out, sizeof out));
    EXPECT_STREQ(out, "C:\\setup\\disk3.lib");
    ASSERT_TRUE(format_disk_path("%d\\part%d", 12, out, sizeof out));
    EXPECT_STREQ(out, "12\\part12");
    ASSERT_TRUE(format_disk_path("C:\\tmp\\data.lib", 7, out, sizeof out));
    EXPECT_STREQ(out, "C:\\tmp\\data.lib");
    ASSERT_TRUE(format_disk_path("100%\\%x%", 255, out, sizeof out));
    EXPECT_STREQ(out, "100%\\%x%");
    EXPECT_TRUE(format_disk_path("abc%d", 5, out, 5));
    EXPECT_STREQ(out, "abc5");
    EXPECT_FALSE(format_disk_path("abc%d", 15, out, 5));
    EXPECT_FALSE(format_disk_path("abcde", 0, out, 5));
}

// The derivation as the format page writes it, computed with zlib's CRC-32.
TEST(PackageKeyTest, DerivationFollowsTheDocumentedRecipe) {
    const char* key = decomp::kPackageKey;
    ASSERT_EQ(std::strlen(key), 7u);
    std::uint8_t material[16];
    for (int j = 0; j < 4; ++j) {
        const Bytef prefix = Bytef(j);
        uLong c = crc32(0, &prefix, 1);
        c = crc32(c, reinterpret_cast<const Bytef*>(key), 7);
        store_le32(material + 4 * j, std::uint32_t(c));
    }
    Blowfish expected, derived;
    blowfish_set_key(expected, material, 16);
    derive_blowfish(key, derived);
    EXPECT_EQ(std::memcmp(expected.p, derived.p, sizeof expected.p), 0);
    EXPECT_EQ(std::memcmp(expected.s, derived.s, sizeof expected.s), 0);

    std::uint32_t l = 0, r = 0;
    blowfish_encrypt(expected, l, r);
    EXPECT_EQ(key_check_value(derived), std::uint16_t(l ^ r));

    Blowfish other;
    derive_blowfish("\x5b\xe7\x13\x9c\x2d\xa1\x75", other);  // last byte differs
    EXPECT_NE(std::memcmp(other.p, derived.p, sizeof other.p), 0);
}

TEST(PackageKeyTest, SharedKeyIsSevenNonZeroBytesAndNoWord) {
    const char* key = decomp::kPackageKey;
    int letters = 0;
    for (int i = 0; i < 7; ++i) {
        EXPECT_NE(key[i], 0);
        const unsigned char c = static_cast<unsigned char>(key[i]);
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')) ++letters;
    }
    EXPECT_EQ(key[7], 0);
    EXPECT_LT(letters, 4);
}

TEST(PackageCipherTest, CounterModeHidesRepeatsAndAllowsRandomAccess) {
    Blowfish bf;
    derive_blowfish(decomp::kPackageKey, bf);
    const std::uint8_t nonce[8] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFE};  // the counter wraps
    std::vector<std::uint8_t> plain(4096, 0x41);
    std::vector<std::uint8_t> whole = plain;
    CtrCipher c;
    ctr_start(c, bf, nonce, 0);
    ctr_apply(c, whole.data(), whole.size());
    // Equal plain blocks give different cipher blocks.
    for (std::size_t b = 1; b < whole.size() / 8; ++b)
        ASSERT_NE(std::memcmp(whole.data(), whole.data() + 8 * b, 8), 0) << b;

    // Block i is E(nonce + i): the first block by hand.
    std::uint32_t l = 0xFEFFFFFF, r = 0xFFFFFFFF;  // nonce read little-endian: 0xFEFFFFFFFFFFFFFF
    blowfish_encrypt(bf, l, r);
    EXPECT_EQ(whole[0], std::uint8_t((l >> 24) ^ 0x41));
    EXPECT_EQ(whole[7], std::uint8_t(r ^ 0x41));

    // Pieces of any size, and a start in the middle, give the same stream.
    std::mt19937 rng(5);
    std::vector<std::uint8_t> pieces = plain;
    ctr_start(c, bf, nonce, 0);
    for (std::size_t at = 0; at < pieces.size();) {
        const std::size_t n = std::min<std::size_t>(rng() % 23, pieces.size() - at);
        ctr_apply(c, pieces.data() + at, n);
        at += n;
    }
    EXPECT_EQ(pieces, whole);
    for (std::size_t start : {1u, 7u, 8u, 1003u}) {
        std::vector<std::uint8_t> tail(plain.begin() + start, plain.end());
        ctr_start(c, bf, nonce, start);
        ctr_apply(c, tail.data(), tail.size());
        EXPECT_TRUE(std::equal(tail.begin(), tail.end(), whole.begin() + start)) << start;
    }
    // Applying it again deciphers.
    ctr_start(c, bf, nonce, 0);
    ctr_apply(c, whole.data(), whole.size());
    EXPECT_EQ(whole, plain);
}

}  // namespace
