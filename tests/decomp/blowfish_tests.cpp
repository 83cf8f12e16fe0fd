// Blowfish against the published test vectors (the ECB set and the variable-key-length set),
// a CBC chain built on the block functions, round trips, and OpenSSL as an oracle.
#include "decomp32/blowfish.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#ifdef KVR_CODEC_ORACLES
#define OPENSSL_SUPPRESS_DEPRECATED
#include <openssl/blowfish.h>
#endif

namespace {

std::vector<std::uint8_t> hex(const char* text) {
    std::vector<std::uint8_t> out;
    for (std::size_t i = 0; text[i] && text[i + 1]; i += 2) out.push_back(static_cast<std::uint8_t>(std::stoul(std::string(text + i, 2), nullptr, 16)));
    return out;
}

std::uint32_t load_be(const std::uint8_t* p) {
    return std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 | p[3];
}

void store_be(std::uint32_t v, std::uint8_t* p) {
    p[0] = static_cast<std::uint8_t>(v >> 24);
    p[1] = static_cast<std::uint8_t>(v >> 16);
    p[2] = static_cast<std::uint8_t>(v >> 8);
    p[3] = static_cast<std::uint8_t>(v);
}

// One 8-byte block through the cipher, bytes mapped to the halves big-endian.
std::vector<std::uint8_t> crypt_block(const decomp::Blowfish& bf, std::vector<std::uint8_t> block, bool encrypt) {
    std::uint32_t l = load_be(block.data()), r = load_be(block.data() + 4);
    if (encrypt)
        decomp::blowfish_encrypt(bf, l, r);
    else
        decomp::blowfish_decrypt(bf, l, r);
    store_be(l, block.data());
    store_be(r, block.data() + 4);
    return block;
}

decomp::Blowfish keyed(const std::vector<std::uint8_t>& key) {
    decomp::Blowfish bf;
    decomp::blowfish_set_key(bf, key.data(), key.size());
    return bf;
}

struct EcbVector {
    const char* key;
    const char* clear;
    const char* cipher;
};

// Eric Young's ECB test data, as published with the cipher.
const EcbVector kEcbVectors[] = {
    {"0000000000000000", "0000000000000000", "4EF997456198DD78"},
    {"FFFFFFFFFFFFFFFF", "FFFFFFFFFFFFFFFF", "51866FD5B85ECB8A"},
    {"3000000000000000", "1000000000000001", "7D856F9A613063F2"},
    {"1111111111111111", "1111111111111111", "2466DD878B963C9D"},
    {"0123456789ABCDEF", "1111111111111111", "61F9C3802281B096"},
    {"1111111111111111", "0123456789ABCDEF", "7D0CC630AFDA1EC7"},
    {"0000000000000000", "0000000000000000", "4EF997456198DD78"},
    {"FEDCBA9876543210", "0123456789ABCDEF", "0ACEAB0FC6A0A28D"},
    {"7CA110454A1A6E57", "01A1D6D039776742", "59C68245EB05282B"},
    {"0131D9619DC1376E", "5CD54CA83DEF57DA", "B1B8CC0B250F09A0"},
    {"07A1133E4A0B2686", "0248D43806F67172", "1730E5778BEA1DA4"},
    {"3849674C2602319E", "51454B582DDF440A", "A25E7856CF2651EB"},
    {"04B915BA43FEB5B6", "42FD443059577FA2", "353882B109CE8F1A"},
    {"0113B970FD34F2CE", "059B5E0851CF143A", "48F4D0884C379918"},
    {"0170F175468FB5E6", "0756D8E0774761D2", "432193B78951FC98"},
    {"43297FAD38E373FE", "762514B829BF486A", "13F04154D69D1AE5"},
    {"07A7137045DA2A16", "3BDD119049372802", "2EEDDA93FFD39C79"},
    {"04689104C2FD3B2F", "26955F6835AF609A", "D887E0393C2DA6E3"},
    {"37D06BB516CB7546", "164D5E404F275232", "5F99D04F5B163969"},
    {"1F08260D1AC2465E", "6B056E18759F5CCA", "4A057A3B24D3977B"},
    {"584023641ABA6176", "004BD6EF09176062", "452031C1E4FADA8E"},
    {"025816164629B007", "480D39006EE762F2", "7555AE39F59B87BD"},
    {"49793EBC79B3258F", "437540C8698F3CFA", "53C55F9CB49FC019"},
    {"4FB05E1515AB73A7", "072D43A077075292", "7A8E7BFA937E89A3"},
    {"49E95D6D4CA229BF", "02FE55778117F12A", "CF9C5D7A4986ADB5"},
    {"018310DC409B26D6", "1D9D5C5018F728C2", "D1ABB290658BC778"},
    {"1C587F1C13924FEF", "305532286D6F295A", "55CB3774D13EF201"},
    {"0101010101010101", "0123456789ABCDEF", "FA34EC4847B268B2"},
    {"1F1F1F1F0E0E0E0E", "0123456789ABCDEF", "A790795108EA3CAE"},
    {"E0FEE0FEF1FEF1FE", "0123456789ABCDEF", "C39E072D9FAC631D"},
    {"0000000000000000", "FFFFFFFFFFFFFFFF", "014933E0CDAFF6E4"},
    {"FFFFFFFFFFFFFFFF", "0000000000000000", "F21E9A77B71C49BC"},
    {"0123456789ABCDEF", "0000000000000000", "245946885754369A"},
    {"FEDCBA9876543210", "FFFFFFFFFFFFFFFF", "6B5C5A9C5D9E0A5A"},
};

TEST(Blowfish, PublishedEcbVectors) {
    ASSERT_EQ(std::size(kEcbVectors), 34u);
    for (const auto& v : kEcbVectors) {
        const auto bf = keyed(hex(v.key));
        EXPECT_EQ(crypt_block(bf, hex(v.clear), true), hex(v.cipher)) << "key " << v.key;
        EXPECT_EQ(crypt_block(bf, hex(v.cipher), false), hex(v.clear)) << "key " << v.key;
    }
}

TEST(Blowfish, PublishedVariableKeyLengthVectors) {
    // Keys are the first 1..24 bytes of this text; the clear block is always FEDCBA9876543210.
    const auto full_key = hex("F0E1D2C3B4A5968778695A4B3C2D1E0F0011223344556677");
    const char* expected[24] = {
        "F9AD597C49DB005E", "E91D21C1D961A6D6", "E9C2B70A1BC65CF3", "BE1E639408640F05", "B39E44481BDB1E6E",
        "9457AA83B1928C0D", "8BB77032F960629D", "E87A244E2CC85E82", "15750E7A4F4EC577", "122BA70B3AB64AE0",
        "3A833C9AFFC537F6", "9409DA87A90F6BF2", "884F80625060B8B4", "1F85031C19E11968", "79D9373A714CA34F",
        "93142887EE3BE15C", "03429E838CE2D14B", "A4299E27469FF67B", "AFD5AED1C1BC96A8", "10851C0E3858DA9F",
        "E6F51ED79B9DB21F", "64A6E14AFD36B46F", "80C7D7D45A5479AD", "05044B62FA52D080"};
    for (std::size_t len = 1; len <= 24; ++len) {
        decomp::Blowfish bf;
        decomp::blowfish_set_key(bf, full_key.data(), len);
        EXPECT_EQ(crypt_block(bf, hex("FEDCBA9876543210"), true), hex(expected[len - 1])) << "key length " << len;
    }
}

TEST(Blowfish, PublishedCbcChain) {
    // The chaining-mode example: 29 bytes including the final zero, padded with zeros to 32.
    const auto bf = keyed(hex("0123456789ABCDEFF0E1D2C3B4A59687"));
    auto data = hex("37363534333231204E6F77206973207468652074696D6520666F722000");
    data.resize(32, 0);
    std::vector<std::uint8_t> chain = hex("FEDCBA9876543210"), out;
    for (std::size_t i = 0; i < data.size(); i += 8) {
        std::vector<std::uint8_t> block(data.begin() + i, data.begin() + i + 8);
        for (int k = 0; k < 8; ++k) block[k] ^= chain[k];
        chain = crypt_block(bf, block, true);
        out.insert(out.end(), chain.begin(), chain.end());
    }
    EXPECT_EQ(out, hex("6B77B4D63006DEE605B156E27403979358DEB9E7154616D959F1652BD5FF92CC"));
}

TEST(Blowfish, RoundTripsAndKeySensitivity) {
    std::mt19937 rng(99);
    for (std::size_t len = 1; len <= 56; ++len) {
        std::vector<std::uint8_t> key(len);
        for (auto& b : key) b = static_cast<std::uint8_t>(rng());
        const auto bf = keyed(key);
        for (int i = 0; i < 20; ++i) {
            const std::uint32_t l0 = rng(), r0 = rng();
            std::uint32_t l = l0, r = r0;
            decomp::blowfish_encrypt(bf, l, r);
            EXPECT_FALSE(l == l0 && r == r0);
            decomp::blowfish_decrypt(bf, l, r);
            ASSERT_EQ(l, l0);
            ASSERT_EQ(r, r0);
        }
        // A key that differs in its last byte enciphers differently.
        auto other_key = key;
        other_key.back() ^= 1;
        const auto other = keyed(other_key);
        std::uint32_t l1 = 1, r1 = 2, l2 = 1, r2 = 2;
        decomp::blowfish_encrypt(bf, l1, r1);
        decomp::blowfish_encrypt(other, l2, r2);
        EXPECT_TRUE(l1 != l2 || r1 != r2) << "key length " << len;
    }
}

TEST(Blowfish, KeysRepeatCyclicallyAndEmptyKeyIsHarmless) {
    // The key is used cyclically, so "AB" and "ABAB" give the same tables.
    const std::uint8_t ab[] = {'A', 'B', 'A', 'B'};
    decomp::Blowfish short_key, long_key;
    decomp::blowfish_set_key(short_key, ab, 2);
    decomp::blowfish_set_key(long_key, ab, 4);
    EXPECT_EQ(std::memcmp(&short_key, &long_key, sizeof short_key), 0);
    decomp::Blowfish empty;
    decomp::blowfish_set_key(empty, ab, 0);
    std::uint32_t l = 5, r = 6;
    decomp::blowfish_encrypt(empty, l, r);
    decomp::blowfish_decrypt(empty, l, r);
    EXPECT_EQ(l, 5u);
    EXPECT_EQ(r, 6u);
}

#ifdef KVR_CODEC_ORACLES
TEST(Blowfish, AgreesWithOpenSsl) {
    std::mt19937 rng(2024);
    for (int round = 0; round < 200; ++round) {
        std::vector<std::uint8_t> key(1 + rng() % 56);
        for (auto& b : key) b = static_cast<std::uint8_t>(rng());
        BF_KEY ref;
        BF_set_key(&ref, static_cast<int>(key.size()), key.data());
        const auto bf = keyed(key);
        for (int i = 0; i < 4; ++i) {
            BF_LONG data[2] = {static_cast<BF_LONG>(rng()), static_cast<BF_LONG>(rng())};
            std::uint32_t l = data[0], r = data[1];
            BF_encrypt(data, &ref);
            decomp::blowfish_encrypt(bf, l, r);
            ASSERT_EQ(l, data[0]) << "round " << round;
            ASSERT_EQ(r, data[1]) << "round " << round;
        }
    }
}
#endif

}  // namespace
