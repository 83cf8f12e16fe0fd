#include "tools/demo_data/demo_math.h"

#include <algorithm>

namespace kvr::demo {

namespace {

double smooth(double t) { return t * t * (3.0 - 2.0 * t); }

}  // namespace

double value_noise(double x, double y, double scale, std::uint32_t seed) {
    const double fx = x / scale;
    const double fy = y / scale;
    const double flx = std::floor(fx);
    const double fly = std::floor(fy);
    const auto ix = static_cast<std::int32_t>(flx);
    const auto iy = static_cast<std::int32_t>(fly);
    const double tx = smooth(fx - flx);
    const double ty = smooth(fy - fly);
    const double a = hash_unit(ix, iy, seed);
    const double b = hash_unit(ix + 1, iy, seed);
    const double c = hash_unit(ix, iy + 1, seed);
    const double d = hash_unit(ix + 1, iy + 1, seed);
    return (a + (b - a) * tx) + ((c + (d - c) * tx) - (a + (b - a) * tx)) * ty;
}

double fractal_noise(double x, double y, double scale, int octaves, std::uint32_t seed) {
    double sum = 0;
    double weight = 1;
    double total = 0;
    for (int o = 0; o < octaves; ++o) {
        sum += weight * value_noise(x, y, scale, seed + static_cast<std::uint32_t>(o) * 7919u);
        total += weight;
        weight *= 0.5;
        scale *= 0.5;
    }
    return sum / total;
}

double segment_distance(Point p, Point a, Point b) {
    const Point ab = b - a;
    const double len2 = dot(ab, ab);
    double t = len2 > 0 ? dot(p - a, ab) / len2 : 0;
    t = std::clamp(t, 0.0, 1.0);
    return length(p - (a + ab * t));
}

std::uint8_t orientation_of(Point dir) {
    // Counter-clockwise from north with y pointing down: north is (0, -1), west (-1, 0).
    double turns = std::atan2(-dir.x, -dir.y) / (2 * kPi);
    if (turns < 0) turns += 1;
    return static_cast<std::uint8_t>(static_cast<int>(std::lround(turns * 256)) & 255);
}

std::vector<Point> smooth_path(const std::vector<Point>& control, int steps) {
    if (control.size() < 3 || steps < 2) return control;
    std::vector<Point> out;
    const std::size_t n = control.size();
    for (std::size_t i = 0; i + 1 < n; ++i) {
        const Point p0 = control[i == 0 ? 0 : i - 1];
        const Point p1 = control[i];
        const Point p2 = control[i + 1];
        const Point p3 = control[i + 2 < n ? i + 2 : n - 1];
        for (int s = 0; s < steps; ++s) {
            const double t = static_cast<double>(s) / steps;
            const double t2 = t * t;
            const double t3 = t2 * t;
            out.push_back(
                (p1 * 2 + (p2 - p0) * t + (p0 * 2 - p1 * 5 + p2 * 4 - p3) * t2 + (p1 * 3 - p0 - p2 * 3 + p3) * t3) *
                0.5);
        }
    }
    out.push_back(control.back());
    return out;
}

std::vector<Point> meander(const std::vector<Point>& path, double amplitude, std::uint32_t seed) {
    std::vector<Point> out = path;
    double run = 0;
    for (std::size_t i = 1; i + 1 < path.size(); ++i) {
        run += length(path[i] - path[i - 1]);
        const Point d = path[i + 1] - path[i - 1];
        const double len = length(d);
        if (len == 0) continue;
        const Point side{-d.y / len, d.x / len};
        // Low-frequency noise along the path keeps neighbours together; taper at the ends
        // so the path still meets the tile edge where it was asked to.
        const double taper =
            std::min(1.0, std::min(static_cast<double>(i), static_cast<double>(path.size() - 1 - i)) / 4.0);
        const double offset = (value_noise(run, 0.5, 40, seed) * 2 - 1) * amplitude * taper;
        out[i] = path[i] + side * offset;
    }
    return out;
}

std::vector<Point> roughen_outline(const std::vector<Point>& outline, double amplitude, int levels,
                                   std::uint32_t seed) {
    std::vector<Point> pts = outline;
    Rng rng(seed);
    for (int level = 0; level < levels; ++level) {
        std::vector<Point> next;
        next.reserve(pts.size() * 2);
        for (std::size_t i = 0; i < pts.size(); ++i) {
            const Point a = pts[i];
            const Point b = pts[(i + 1) % pts.size()];
            next.push_back(a);
            const Point d = b - a;
            const double len = length(d);
            const Point mid = (a + b) * 0.5;
            if (len < 2) continue;
            const Point side{-d.y / len, d.x / len};
            // Displacement in proportion to the edge keeps short edges from folding over.
            const double k = std::min(amplitude, len * 0.25);
            next.push_back(mid + side * rng.range(-k, k));
        }
        pts = std::move(next);
        amplitude *= 0.5;
    }
    return pts;
}

}  // namespace kvr::demo
