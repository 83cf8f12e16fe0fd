#include "pcx_test_support.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

namespace pcxtest {

int bytes_per_line(const Layout& l) {
    return l.bytes_per_line > 0 ? l.bytes_per_line : (l.width * l.bits + 7) / 8;
}

std::vector<std::uint8_t> pack_indices(const Layout& l, const std::vector<std::uint8_t>& indices,
                                       std::uint8_t pad) {
    const int bpl = bytes_per_line(l);
    const int used = (l.width * l.bits + 7) / 8;
    std::vector<std::uint8_t> raw;
    for (int y = 0; y < l.height; ++y) {
        for (int p = 0; p < l.planes; ++p) {
            std::vector<std::uint8_t> plane(static_cast<std::size_t>(bpl), 0);
            for (int x = 0; x < l.width; ++x) {
                const unsigned index = indices[static_cast<std::size_t>(y * l.width + x)];
                const unsigned share = (index >> (p * l.bits)) & ((1u << l.bits) - 1);
                const int bit = x * l.bits;
                plane[static_cast<std::size_t>(bit / 8)] |=
                    static_cast<std::uint8_t>(share << (8 - l.bits - bit % 8));
            }
            // Bits past the width in the last used byte stay 0; whole padding bytes get `pad`.
            for (int i = used; i < bpl; ++i) plane[static_cast<std::size_t>(i)] = pad;
            raw.insert(raw.end(), plane.begin(), plane.end());
        }
    }
    return raw;
}

std::vector<std::uint8_t> pack_rgb(const Layout& l, const std::vector<std::uint32_t>& pixels,
                                   std::uint8_t alpha) {
    const int bpl = bytes_per_line(l);
    std::vector<std::uint8_t> raw;
    for (int y = 0; y < l.height; ++y) {
        for (int p = 0; p < l.planes; ++p) {
            for (int x = 0; x < bpl; ++x) {
                std::uint8_t v = 0;
                if (x < l.width) {
                    const std::uint32_t c = pixels[static_cast<std::size_t>(y * l.width + x)];
                    v = p == 3 ? alpha : static_cast<std::uint8_t>(c >> (16 - 8 * p));
                }
                raw.push_back(v);
            }
        }
    }
    return raw;
}

std::vector<std::uint8_t> rle(const std::vector<std::uint8_t>& raw, std::size_t line_size) {
    std::vector<std::uint8_t> out;
    std::size_t i = 0;
    while (i < raw.size()) {
        const std::size_t limit = line_size > 0 ? (i / line_size + 1) * line_size : raw.size();
        std::size_t n = 1;
        while (i + n < limit && n < 63 && raw[i + n] == raw[i]) ++n;
        if (n == 1 && raw[i] < 0xC0) {
            out.push_back(raw[i]);
        } else {
            out.push_back(static_cast<std::uint8_t>(0xC0 | n));
            out.push_back(raw[i]);
        }
        i += n;
    }
    return out;
}

static void put_u16(std::vector<std::uint8_t>& f, std::size_t at, int v) {
    f[at] = static_cast<std::uint8_t>(v & 0xFF);
    f[at + 1] = static_cast<std::uint8_t>((v >> 8) & 0xFF);
}

std::vector<std::uint8_t> make_file(const Layout& l, const std::vector<std::uint8_t>& body,
                                    const std::vector<std::uint32_t>& trailer) {
    const std::size_t trailer_size = trailer.size() == 256 ? 769 : 0;
    std::vector<std::uint8_t> f(128 + body.size() + trailer_size, 0);
    f[0] = 0x0A;
    f[1] = static_cast<std::uint8_t>(l.version);
    f[2] = static_cast<std::uint8_t>(l.encoding);
    f[3] = static_cast<std::uint8_t>(l.bits);
    put_u16(f, 4, l.x_min);
    put_u16(f, 6, l.y_min);
    put_u16(f, 8, l.x_min + l.width - 1);
    put_u16(f, 10, l.y_min + l.height - 1);
    put_u16(f, 12, l.h_res);
    put_u16(f, 14, l.v_res);
    std::copy(l.header_palette.begin(), l.header_palette.end(), f.begin() + 16);
    f[65] = static_cast<std::uint8_t>(l.planes);
    put_u16(f, 66, bytes_per_line(l));
    put_u16(f, 68, 1);
    std::copy(body.begin(), body.end(), f.begin() + 128);
    if (trailer_size > 0) {
        std::size_t at = 128 + body.size();
        f[at++] = 0x0C;
        for (std::uint32_t c : trailer) {
            f[at++] = static_cast<std::uint8_t>(c >> 16);
            f[at++] = static_cast<std::uint8_t>(c >> 8);
            f[at++] = static_cast<std::uint8_t>(c);
        }
    }
    return f;
}

std::vector<std::uint8_t> encode_file(const Layout& l, const std::vector<std::uint8_t>& raw,
                                      const std::vector<std::uint32_t>& trailer) {
    const std::size_t line = static_cast<std::size_t>(bytes_per_line(l)) * static_cast<std::size_t>(l.planes);
    return make_file(l, l.encoding == 1 ? rle(raw, line) : raw, trailer);
}

void set_header_colour(Layout& l, int index, std::uint32_t rgb) {
    const std::size_t at = static_cast<std::size_t>(index) * 3;
    l.header_palette[at] = static_cast<std::uint8_t>(rgb >> 16);
    l.header_palette[at + 1] = static_cast<std::uint8_t>(rgb >> 8);
    l.header_palette[at + 2] = static_cast<std::uint8_t>(rgb);
}

// Next header token of a PNM file, skipping blanks and comments.
static bool pnm_token(std::istream& in, std::string& token) {
    token.clear();
    int c;
    while ((c = in.get()) != EOF) {
        if (c == '#') {
            while ((c = in.get()) != EOF && c != '\n') {
            }
            continue;
        }
        if (std::isspace(c)) {
            if (!token.empty()) return true;
            continue;
        }
        token.push_back(static_cast<char>(c));
    }
    return !token.empty();
}

bool read_pnm(const std::string& path, Pnm& out, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot open " + path;
        return false;
    }
    std::string magic, w, h, maxval;
    if (!pnm_token(in, magic) || !pnm_token(in, w) || !pnm_token(in, h) || !pnm_token(in, maxval)) {
        error = "short PNM header in " + path;
        return false;
    }
    if ((magic != "P3" && magic != "P5" && magic != "P6") || maxval != "255") {
        error = path + ": only PGM/PPM with maximum 255 are read (" + magic + ", " + maxval + ")";
        return false;
    }
    out.width = std::stoi(w);
    out.height = std::stoi(h);
    const std::size_t channels = magic == "P5" ? 1 : 3;
    const std::size_t count = static_cast<std::size_t>(out.width) * static_cast<std::size_t>(out.height);
    std::vector<unsigned char> bytes(count * channels);
    if (magic == "P3") {
        for (auto& b : bytes) {
            int v = -1;
            if (!(in >> v) || v < 0 || v > 255) {
                error = "bad plain PPM sample in " + path;
                return false;
            }
            b = static_cast<unsigned char>(v);
        }
    } else {
        in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        if (static_cast<std::size_t>(in.gcount()) != bytes.size()) {
            error = "short PNM data in " + path;
            return false;
        }
    }
    out.pixels.resize(count);
    for (std::size_t i = 0; i < count; ++i) {
        const unsigned char* p = &bytes[i * channels];
        out.pixels[i] = channels == 3 ? (std::uint32_t{p[0]} << 16) | (std::uint32_t{p[1]} << 8) | p[2]
                                      : std::uint32_t{p[0]} * 0x010101u;
    }
    return true;
}

bool write_ppm(const std::string& path, const Pnm& image) {
    std::ofstream out(path, std::ios::binary);
    out << "P6\n" << image.width << ' ' << image.height << "\n255\n";
    for (std::uint32_t c : image.pixels) {
        const char rgb[3] = {static_cast<char>(c >> 16), static_cast<char>(c >> 8), static_cast<char>(c)};
        out.write(rgb, 3);
    }
    return static_cast<bool>(out);
}

std::vector<std::uint8_t> read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string scratch_dir(const std::string& name) {
    const char* base = std::getenv("KVR_TMP");
    std::filesystem::path dir = base != nullptr ? std::filesystem::path(base)
                                                : std::filesystem::path(KVR_BINARY_DIR) / "testtmp";
    dir /= "pcx";
    dir /= name;
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    return dir.string();
}

int run(const std::string& command) {
    const int status = std::system((command + " 2>/dev/null").c_str());
    return status;
}

std::string quote(const std::string& path) {
    std::string q = "'";
    for (char c : path) {
        if (c == '\'')
            q += "'\\''";
        else
            q += c;
    }
    return q + "'";
}

}  // namespace pcxtest
