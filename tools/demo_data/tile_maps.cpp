#include "tools/demo_data/tile_maps.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace kvr::demo {

namespace {

constexpr int kPixels = kTileSize * kTileSize;
constexpr float kFar = std::numeric_limits<float>::max();

Point centre_of(int x, int y) { return {x + 0.5, y + 0.5}; }

class Canvas {
public:
    Canvas() : use(kPixels, Use::Open), colour(kPixels, 0) {}
    void set(int i, Use u, Material m, double shade) {
        const int s = std::clamp(static_cast<int>(std::lround(shade)), 0, kShades - 1);
        use[static_cast<std::size_t>(i)] = u;
        colour[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(static_cast<int>(m) * kShades + s);
    }
    Use at(int i) const { return use[static_cast<std::size_t>(i)]; }

    std::vector<Use> use;
    std::vector<std::uint8_t> colour;
};

// Distance from each pixel centre to the nearest segment of the polylines, worked out only
// within `reach` of them (kFar elsewhere). Open polylines when `closed` is false.
std::vector<float> line_distance(const std::vector<std::vector<Point>>& lines, bool closed, double reach) {
    std::vector<float> dist(kPixels, kFar);
    for (const auto& pts : lines) {
        const std::size_t n = pts.size();
        const std::size_t segments = closed ? n : (n == 0 ? 0 : n - 1);
        for (std::size_t i = 0; i < segments; ++i) {
            const Point a = pts[i];
            const Point b = pts[(i + 1) % n];
            const int x0 = std::max(0, static_cast<int>(std::floor(std::min(a.x, b.x) - reach)));
            const int x1 = std::min(kTileSize - 1, static_cast<int>(std::ceil(std::max(a.x, b.x) + reach)));
            const int y0 = std::max(0, static_cast<int>(std::floor(std::min(a.y, b.y) - reach)));
            const int y1 = std::min(kTileSize - 1, static_cast<int>(std::ceil(std::max(a.y, b.y) + reach)));
            for (int y = y0; y <= y1; ++y) {
                for (int x = x0; x <= x1; ++x) {
                    const auto d = static_cast<float>(segment_distance(centre_of(x, y), a, b));
                    float& cell = dist[static_cast<std::size_t>(TileMaps::index(x, y))];
                    if (d < cell) cell = d;
                }
            }
        }
    }
    return dist;
}

// Even-odd fill of a closed outline, row by row through the pixel centres.
std::vector<std::uint8_t> fill_outline(const std::vector<Point>& pts) {
    std::vector<std::uint8_t> inside(kPixels, 0);
    std::vector<double> crossings;
    for (int y = 0; y < kTileSize; ++y) {
        const double cy = y + 0.5;
        crossings.clear();
        for (std::size_t i = 0; i < pts.size(); ++i) {
            const Point a = pts[i];
            const Point b = pts[(i + 1) % pts.size()];
            if ((a.y <= cy) != (b.y <= cy)) crossings.push_back(a.x + (cy - a.y) / (b.y - a.y) * (b.x - a.x));
        }
        std::sort(crossings.begin(), crossings.end());
        for (std::size_t k = 0; k + 1 < crossings.size(); k += 2) {
            const int from = std::max(0, static_cast<int>(std::ceil(crossings[k] - 0.5)));
            const int to = std::min(kTileSize - 1, static_cast<int>(std::floor(crossings[k + 1] - 0.5)));
            for (int x = from; x <= to; ++x) inside[static_cast<std::size_t>(TileMaps::index(x, y))] = 1;
        }
    }
    return inside;
}

// How far inside a ragged ellipse a point lies, in units of its smaller radius: positive
// inside, negative outside.
double ellipse_margin(const Ellipse& e, Point p, std::uint32_t seed) {
    const double dx = (p.x - e.centre.x) / e.rx;
    const double dy = (p.y - e.centre.y) / e.ry;
    const double limit = 1 + (fractal_noise(p.x, p.y, 22, 3, seed) - 0.5) * 0.45;
    return (limit - std::sqrt(dx * dx + dy * dy)) * std::min(e.rx, e.ry);
}

// Calls f(x, y, index, centre) for every pixel that a ragged ellipse (with `border` more
// around it) can reach.
template <typename F>
void for_each_pixel_near(const Ellipse& e, double border, F f) {
    const double gx = e.rx * 1.25 + border + 1;
    const double gy = e.ry * 1.25 + border + 1;
    const int x0 = std::max(0, static_cast<int>(std::floor(e.centre.x - gx)));
    const int x1 = std::min(kTileSize - 1, static_cast<int>(std::ceil(e.centre.x + gx)));
    const int y0 = std::max(0, static_cast<int>(std::floor(e.centre.y - gy)));
    const int y1 = std::min(kTileSize - 1, static_cast<int>(std::ceil(e.centre.y + gy)));
    for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x) f(TileMaps::index(x, y), centre_of(x, y));
}

double grass_shade(Point p, std::uint32_t seed) {
    return 7 + (fractal_noise(p.x, p.y, 70, 4, seed) - 0.5) * 6 + (value_noise(p.x, p.y, 2.5, seed + 3) - 0.5) * 2;
}

void paint_grass(Canvas& c, int i, Point p, std::uint32_t seed) {
    c.set(i, Use::Open, Material::Grass, grass_shade(p, seed));
}

// Tree crowns: round blobs around jittered lattice points, lit from the north-west, with
// dark gaps between them.
double canopy_shade(Point p, std::uint32_t seed) {
    constexpr double kSpacing = 4.5;
    const int ci = static_cast<int>(std::floor(p.x / kSpacing));
    const int cj = static_cast<int>(std::floor(p.y / kSpacing));
    double best = 1e9;
    double shade = 1;
    for (int dj = -1; dj <= 1; ++dj) {
        for (int di = -1; di <= 1; ++di) {
            const int gi = ci + di, gj = cj + dj;
            const Point site{(gi + hash_unit(gi, gj, seed + 14)) * kSpacing,
                             (gj + hash_unit(gi, gj, seed + 15)) * kSpacing};
            const double radius = 2.2 + hash_unit(gi, gj, seed + 16) * 1.6;
            const Point d = p - site;
            const double r = length(d) / radius;
            if (r >= 1 || r >= best) continue;
            best = r;
            const double lit = -(d.x + d.y) * 0.7071 / radius;  // +1 on the side facing the light
            shade = 5 + 5 * (1 - r) + 2.5 * lit + hash_unit(gi, gj, seed + 17) * 2;
        }
    }
    return shade + (fractal_noise(p.x, p.y, 50, 2, seed + 13) - 0.5) * 3;
}

void paint_canopy(Canvas& c, int i, Point p, std::uint32_t seed) {
    c.set(i, Use::Wood, Material::Forest, canopy_shade(p, seed));
}

// A patchwork of fields: the cells around jittered lattice points, each with its own crop
// and furrow direction, bordered by hedges.
void paint_field(Canvas& c, int i, Point p, double size, std::uint32_t seed) {
    const int ci = static_cast<int>(std::floor(p.x / size));
    const int cj = static_cast<int>(std::floor(p.y / size));
    double d1 = 1e9, d2 = 1e9;
    Point s1{}, s2{};
    int bi = 0, bj = 0;
    for (int dj = -1; dj <= 1; ++dj) {
        for (int di = -1; di <= 1; ++di) {
            const int gi = ci + di, gj = cj + dj;
            const Point site{(gi + 0.15 + 0.7 * hash_unit(gi, gj, seed)) * size,
                             (gj + 0.15 + 0.7 * hash_unit(gi, gj, seed + 1)) * size};
            const double d = length(p - site);
            if (d < d1) {
                d2 = d1;
                s2 = s1;
                d1 = d;
                s1 = site;
                bi = gi;
                bj = gj;
            } else if (d < d2) {
                d2 = d;
                s2 = site;
            }
        }
    }
    // Distance to the border between the two nearest cells.
    const double border = (d2 * d2 - d1 * d1) / (2 * std::max(1e-6, length(s2 - s1)));
    if (border < 1.3 && value_noise(p.x, p.y, 9, seed + 5) > 0.3) {
        c.set(i, Use::Hedge, Material::Hedge, 3 + value_noise(p.x, p.y, 2.2, seed + 6) * 8);
        return;
    }
    const double kind = hash_unit(bi, bj, seed + 2);
    const Material crop = kind < 0.3    ? Material::CropGreen
                          : kind < 0.55 ? Material::CropYellow
                          : kind < 0.75 ? Material::Ploughed
                                        : Material::Grass;
    double shade = 6 + hash_unit(bi, bj, seed + 4) * 3 + (fractal_noise(p.x, p.y, 40, 3, seed + 7) - 0.5) * 3;
    if (crop != Material::Grass) {
        const double angle = hash_unit(bi, bj, seed + 3) * kPi;
        const double t = p.x * std::cos(angle) + p.y * std::sin(angle);
        const double period = crop == Material::Ploughed ? 3.0 : 4.0;
        shade += std::fmod(t + 4096.0, period) < period / 2 ? 1.0 : -1.0;
    }
    if (border < 0.8) shade -= 2;  // a furrow or track where there is no hedge
    c.set(i, Use::Open, crop, shade);
}

std::vector<float> mountain_heights(const TileLayout& L) {
    std::vector<float> h(kPixels);
    float top = 0;
    for (int y = 0; y < kTileSize; ++y) {
        for (int x = 0; x < kTileSize; ++x) {
            const Point p = centre_of(x, y);
            double v = 0;
            for (const Mountain& m : L.mountains) {
                const Point d = p - m.centre;
                v += m.height * std::exp(-dot(d, d) / (2 * m.radius * m.radius));
            }
            const double ridged = 1 - std::fabs(2 * fractal_noise(p.x, p.y, 44, 5, L.seed + 21) - 1);
            v = v * (0.55 + 0.65 * ridged) + 0.06 * fractal_noise(p.x, p.y, 10, 3, L.seed + 22);
            h[static_cast<std::size_t>(TileMaps::index(x, y))] = static_cast<float>(v);
            top = std::max(top, static_cast<float>(v));
        }
    }
    for (float& v : h) v /= top;
    return h;
}

void paint_mountains(Canvas& c, const TileLayout& L) {
    const std::vector<float> h = mountain_heights(L);
    auto at = [&](int x, int y) {
        x = std::clamp(x, 0, kTileSize - 1);
        y = std::clamp(y, 0, kTileSize - 1);
        return static_cast<double>(h[static_cast<std::size_t>(TileMaps::index(x, y))]);
    };
    for (int y = 0; y < kTileSize; ++y) {
        for (int x = 0; x < kTileSize; ++x) {
            const int i = TileMaps::index(x, y);
            const Point p = centre_of(x, y);
            // Light from the north-west.
            const double k = 70;
            const double gx = (at(x + 1, y) - at(x - 1, y)) * k;
            const double gy = (at(x, y + 1) - at(x, y - 1)) * k;
            const double nlen = std::sqrt(gx * gx + gy * gy + 1);
            const double lum = (0.6 * gx + 0.6 * gy + 0.53) / nlen;  // dot((-gx,-gy,1)/n, (-.6,-.6,.53))
            const double v = at(x, y);
            const double jitter = (fractal_noise(p.x, p.y, 24, 4, L.seed + 23) - 0.5) * 0.22;
            const double steep = std::sqrt(gx * gx + gy * gy);
            const double light = (lum - 0.6) * 8;  // the hillside's light on top of the ground's own shade
            if (v + jitter > 0.86) {
                c.set(i, Use::Snow, Material::Snow, 4 + lum * 13);
            } else if (v + jitter > 0.5 || steep > 2.2) {
                c.set(i, Use::Rock, Material::Rock, 2 + lum * 13 + (value_noise(p.x, p.y, 2.5, L.seed + 24) - 0.5) * 3);
            } else if (fractal_noise(p.x, p.y, 40, 3, L.seed + 25) > 0.5) {
                c.set(i, Use::Wood, Material::Forest, canopy_shade(p, L.seed) + light);
            } else {
                c.set(i, Use::Open, Material::Grass, 5 + light + (value_noise(p.x, p.y, 4, L.seed + 26) - 0.5) * 2);
            }
        }
    }
}

void paint_ground(Canvas& c, const TileLayout& L) {
    if (L.ground == Ground::Mountain) {
        paint_mountains(c, L);
        return;
    }
    for (int y = 0; y < kTileSize; ++y) {
        for (int x = 0; x < kTileSize; ++x) {
            const int i = TileMaps::index(x, y);
            const Point p = centre_of(x, y);
            switch (L.ground) {
                case Ground::Fields:
                    paint_field(c, i, p, L.field_size, L.seed);
                    break;
                case Ground::Forest:
                    paint_canopy(c, i, p, L.seed);
                    break;
                default:
                    paint_grass(c, i, p, L.seed);
                    break;
            }
        }
    }
}

void paint_woods(Canvas& c, const TileLayout& L) {
    for (std::size_t w = 0; w < L.woods.size(); ++w) {
        const std::uint32_t seed = L.seed + 31 + static_cast<std::uint32_t>(w);
        for_each_pixel_near(L.woods[w], 0, [&](int i, Point p) {
            if (ellipse_margin(L.woods[w], p, seed) > 0) paint_canopy(c, i, p, L.seed);
        });
    }
    for (std::size_t w = 0; w < L.clearings.size(); ++w) {
        const std::uint32_t seed = L.seed + 41 + static_cast<std::uint32_t>(w);
        for_each_pixel_near(L.clearings[w], 0, [&](int i, Point p) {
            if (ellipse_margin(L.clearings[w], p, seed) > 0) paint_grass(c, i, p, L.seed);
        });
    }
}

// Town blocks between a rotated grid of streets, each block split into four lots with a
// building on most of them; the outskirts thin out into the surrounding ground.
void paint_towns(Canvas& c, const TileLayout& L) {
    constexpr double kBlock = 26;
    constexpr double kStreet = 4;
    const double ca = std::cos(L.street_angle);
    const double sa = std::sin(L.street_angle);
    for (std::size_t t = 0; t < L.towns.size(); ++t) {
        const Ellipse& town = L.towns[t];
        const std::uint32_t seed = L.seed + 51 + static_cast<std::uint32_t>(t);
        for_each_pixel_near(town, 0, [&](int i, Point p) {
            const double margin = ellipse_margin(town, p, seed) / std::min(town.rx, town.ry);
            if (margin <= 0) return;
            const Point d = p - town.centre;
            const double u = d.x * ca + d.y * sa + 4096 * kBlock;
            const double v = -d.x * sa + d.y * ca + 4096 * kBlock;
            const auto bi = static_cast<std::int32_t>(std::floor(u / kBlock));
            const auto bj = static_cast<std::int32_t>(std::floor(v / kBlock));
            const double fu = u - bi * kBlock;
            const double fv = v - bj * kBlock;
            const double outskirts = margin < 0.25 ? (0.25 - margin) / 0.25 : 0;  // 0 in the centre, 1 at the edge
            if (fu < kStreet || fv < kStreet) {
                if (outskirts < 0.85)
                    c.set(i, Use::Street, Material::Pavement, 6 + (value_noise(p.x, p.y, 5, seed) - 0.5) * 2);
                return;
            }
            const std::uint32_t block = hash3(bi, bj, seed);
            if (block % 13 == 0) {  // a park
                const bool tree = value_noise(p.x, p.y, 2.6, seed + 1) > 0.62;
                c.set(i, Use::Park, tree ? Material::Forest : Material::Grass, tree ? 6 : 9);
                return;
            }
            if (block % 17 == 1) {  // a square
                c.set(i, Use::Street, Material::Pavement, 8 + (value_noise(p.x, p.y, 3, seed) - 0.5));
                return;
            }
            // Four lots per block, split at a point of the block's own.
            const double inner = kBlock - kStreet;
            const double lu = fu - kStreet;
            const double lv = fv - kStreet;
            const double su = 7 + (block >> 4) % 8;
            const double sv = 7 + (block >> 8) % 8;
            const int lot_u = lu < su ? 0 : 1;
            const int lot_v = lv < sv ? 0 : 1;
            const double u0 = lot_u ? su : 0, u1 = lot_u ? inner : su;
            const double v0 = lot_v ? sv : 0, v1 = lot_v ? inner : sv;
            const std::uint32_t lot = hash3(bi * 2 + lot_u, bj * 2 + lot_v, seed + 2);
            const double empty = 0.06 + 0.9 * outskirts;
            if ((lot % 1000) / 1000.0 < empty) {
                if (outskirts < 0.4) c.set(i, Use::Park, Material::Grass, 6 + value_noise(p.x, p.y, 3, seed) * 2);
                return;
            }
            if (lu < u0 + 1 || lu >= u1 - 1 || lv < v0 + 1 || lv >= v1 - 1) {
                c.set(i, Use::Street, Material::Pavement, 3);  // yards and alleys in shadow
                return;
            }
            // A pitched roof: the ridge runs along the lot's longer side; the half facing
            // the light is brighter.
            const Material roof = (lot >> 10) % 10 < 6 ? Material::RoofRed : Material::Concrete;
            const bool ridge_along_u = (u1 - u0) >= (v1 - v0);
            const double across = ridge_along_u ? (lv - (v0 + v1) / 2) : (lu - (u0 + u1) / 2);
            double shade = across < 0 ? 10 : 6;
            shade += static_cast<double>((lot >> 14) % 3) - 1;
            c.set(i, Use::Building, roof, shade);
        });
    }
}

void paint_airfield(Canvas& c, const TileLayout& L) {
    if (!L.runway) return;
    const RunwayFrame f = runway_frame(*L.runway);
    const double half_width = L.runway->width / 2;
    for (int y = 0; y < kTileSize; ++y) {
        for (int x = 0; x < kTileSize; ++x) {
            const Point p = centre_of(x, y);
            const int i = TileMaps::index(x, y);
            const double a = dot(p - f.centre, f.along);
            const double sd = dot(p - f.centre, f.side);
            const double aa = std::fabs(a);
            if (aa < f.half_length && std::fabs(sd) < half_width) {
                double shade = 11 + (value_noise(p.x, p.y, 4, L.seed + 61) - 0.5) * 2;
                Material m = Material::Concrete;
                const bool centre_line = std::fabs(sd) < 0.8 && std::fmod(a + 4096, 14) < 7 && aa < f.half_length - 12;
                const bool threshold =
                    aa > f.half_length - 9 && aa < f.half_length - 3 && std::fmod(sd + 64, 2.6) < 1.3;
                if (centre_line || threshold) {
                    m = Material::Snow;
                    shade = 12;
                }
                c.set(i, Use::Runway, m, shade);
                continue;
            }
            const bool taxiway = std::fabs(sd - kTaxiwayOffset) < 2.5 && aa < f.half_length - 3.5;
            const bool link =
                (std::fabs(aa - (f.half_length - 6)) < 2.5 || std::fabs(a) < 2.5) && sd > 0 && sd < kTaxiwayOffset;
            const bool apron = aa < kApronHalfLength && sd > kApronNear && sd < kApronFar;
            if (taxiway || link || apron) {
                const bool joint = apron && (std::fmod(a + 4096, 10) < 0.8 || std::fmod(sd + 4096, 10) < 0.8);
                c.set(i, Use::Apron, Material::Concrete, joint ? 5 : 8);
                continue;
            }
            // Mown grass around the strips.
            if (aa < f.half_length + 10 && sd > -half_width - 10 && sd < kApronFar + 8) {
                const double stripe = std::fmod(a + 4096, 12) < 6 ? 1 : -1;
                c.set(i, Use::Open, Material::Grass, 9 + stripe + (value_noise(p.x, p.y, 20, L.seed + 62) - 0.5) * 2);
            }
        }
    }
}

void paint_sea(Canvas& c, std::vector<float>& depth, const TileLayout& L) {
    if (L.sea.empty()) return;
    const std::vector<std::uint8_t> inside = fill_outline(L.sea);
    constexpr float kOpenSea = 24;  // depth beyond which the sea looks and counts the same
    const std::vector<float> coast = line_distance({L.sea}, true, kOpenSea);
    for (int y = 0; y < kTileSize; ++y) {
        for (int x = 0; x < kTileSize; ++x) {
            const int i = TileMaps::index(x, y);
            const auto k = static_cast<std::size_t>(i);
            const Point p = centre_of(x, y);
            const double d = std::min(coast[k], kOpenSea);
            if (inside[k]) {
                depth[k] = static_cast<float>(d);
                if (d < 1.4) {
                    c.set(i, Use::Sea, Material::Snow, 8 + value_noise(p.x, p.y, 3, L.seed + 71) * 3);
                } else if (d < 14) {
                    c.set(i, Use::Sea, Material::ShallowWater,
                          12 - d * 0.5 + (value_noise(p.x, p.y, 6, L.seed + 72) - 0.5) * 2);
                } else {
                    const double swell =
                        std::sin(p.x * 0.35 + p.y * 0.18 + fractal_noise(p.x, p.y, 30, 2, L.seed + 73) * 9);
                    c.set(i, Use::Sea, Material::DeepWater,
                          7 + (fractal_noise(p.x, p.y, 60, 3, L.seed + 74) - 0.5) * 6 + swell * 0.9);
                }
            } else if (d < 3 + value_noise(p.x, p.y, 30, L.seed + 75) * 5) {
                c.set(i, Use::Shore, Material::Sand, 8 + (value_noise(p.x, p.y, 4, L.seed + 76) - 0.5) * 3 - d * 0.3);
            }
        }
    }
}

void paint_lakes(Canvas& c, const TileLayout& L) {
    for (std::size_t n = 0; n < L.lakes.size(); ++n) {
        const std::uint32_t seed = L.seed + 81 + static_cast<std::uint32_t>(n);
        for_each_pixel_near(L.lakes[n], 3, [&](int i, Point p) {
            const double m = ellipse_margin(L.lakes[n], p, seed);
            if (m > 0) {
                c.set(i, Use::Lake, Material::ShallowWater,
                      9 - std::min(m, 14.0) * 0.35 + (value_noise(p.x, p.y, 5, L.seed + 82) - 0.5) * 1.5);
            } else if (m > -2.2) {
                c.set(i, Use::Shore, Material::Dirt, 5);
            }
        });
    }
}

void paint_rivers(Canvas& c, const TileLayout& L) {
    for (const Path& r : L.rivers) {
        const std::vector<float> dist = line_distance({r.points}, false, r.width);
        const double half = r.width / 2;
        for (int i = 0; i < kPixels; ++i) {
            const double d = dist[static_cast<std::size_t>(i)];
            const Use under = c.at(i);
            if (under == Use::Sea || under == Use::Lake) continue;
            const Point p = centre_of(i % kTileSize, i / kTileSize);
            if (d < half) {
                c.set(i, Use::River, Material::ShallowWater,
                      8 - (1 - d / half) * 3 + (value_noise(p.x, p.y, 5, L.seed + 91) - 0.5) * 1.5);
            } else if (d < half + 1.6 && under != Use::River) {
                c.set(i, Use::Shore, Material::Dirt, 4 + value_noise(p.x, p.y, 3, L.seed + 92) * 2);
            }
        }
    }
}

void paint_rails(Canvas& c, const TileLayout& L) {
    for (const Path& r : L.rails) {
        const std::vector<float> dist = line_distance({r.points}, false, r.width);
        const double half = r.width / 2;
        for (int i = 0; i < kPixels; ++i) {
            const double d = dist[static_cast<std::size_t>(i)];
            if (d >= half) continue;
            const bool over_water = is_water(c.at(i)) || c.at(i) == Use::Bridge;
            if (std::fabs(d - 1.3) < 0.45)
                c.set(i, over_water ? Use::Bridge : Use::Rail, Material::Asphalt, 1);
            else
                c.set(i, over_water ? Use::Bridge : Use::Rail, over_water ? Material::Concrete : Material::Dirt,
                      over_water ? 5 : 3);
        }
    }
}

void paint_quays(Canvas& c, const TileLayout& L) {
    for (const Path& q : L.quays) {
        const std::vector<float> dist = line_distance({q.points}, false, q.width);
        const double half = q.width / 2;
        for (int i = 0; i < kPixels; ++i) {
            const double d = dist[static_cast<std::size_t>(i)];
            if (d < half) c.set(i, Use::Street, Material::Concrete, d > half - 1 ? 4 : 8);
        }
    }
}

void paint_roads(Canvas& c, const TileLayout& L) {
    for (const Path& r : L.roads) {
        const std::vector<float> dist = line_distance({r.points}, false, r.width);
        const double half = r.width / 2;
        for (int i = 0; i < kPixels; ++i) {
            const double d = dist[static_cast<std::size_t>(i)];
            if (d >= half + 1) continue;
            const Use under = c.at(i);
            const bool over_water = is_water(under) || under == Use::Bridge;
            const Point p = centre_of(i % kTileSize, i / kTileSize);
            if (d < half) {
                if (over_water)
                    c.set(i, Use::Bridge, Material::Concrete, 9);
                else
                    c.set(i, Use::Road, Material::Asphalt,
                          7 + (fractal_noise(p.x, p.y, 12, 2, L.seed + 101) - 0.5) * 2);
            } else if (over_water) {
                c.set(i, Use::Bridge, Material::Concrete, 4);  // parapet
            } else if (under != Use::Road && under != Use::Street && under != Use::Building) {
                c.set(i, Use::Road, Material::Dirt, 6);  // verge
            }
        }
    }
}

}  // namespace

bool is_water(Use u) { return u == Use::Sea || u == Use::River || u == Use::Lake; }

const std::array<Rgb, 256>& demo_palette() {
    static const std::array<Rgb, 256> palette = [] {
        // Mid-tone of each material; shades run from 55 % to 137 % of it.
        const Rgb base[kMaterialCount] = {
            {34, 74, 128},  {56, 112, 150},  {206, 190, 142}, {96, 138, 62},   {122, 158, 64}, {196, 176, 96},
            {136, 104, 72}, {44, 88, 44},    {128, 118, 106}, {218, 220, 228}, {92, 92, 94},   {150, 130, 98},
            {162, 78, 58},  {168, 164, 156}, {128, 122, 116}, {58, 94, 46},
        };
        std::array<Rgb, 256> p{};
        for (int m = 0; m < kMaterialCount; ++m) {
            for (int s = 0; s < kShades; ++s) {
                const double k = 0.55 + 0.055 * s;
                auto ch = [k](std::uint8_t v) { return static_cast<std::uint8_t>(std::min(255L, std::lround(v * k))); };
                p[static_cast<std::size_t>(m * kShades + s)] = {ch(base[m].r), ch(base[m].g), ch(base[m].b)};
            }
        }
        return p;
    }();
    return palette;
}

TileMaps build_tile_maps(const TileLayout& L) {
    Canvas c;
    std::vector<float> depth(kPixels, 0.0f);
    paint_ground(c, L);
    paint_woods(c, L);
    paint_towns(c, L);
    paint_airfield(c, L);
    paint_sea(c, depth, L);
    paint_lakes(c, L);
    paint_rivers(c, L);
    paint_rails(c, L);
    paint_quays(c, L);
    paint_roads(c, L);
    TileMaps maps;
    maps.use = std::move(c.use);
    maps.colour = std::move(c.colour);
    maps.sea_depth = std::move(depth);
    return maps;
}

}  // namespace kvr::demo
