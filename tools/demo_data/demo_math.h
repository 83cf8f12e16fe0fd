// Small deterministic helpers for the demo data: a seeded generator, lattice noise and
// plane geometry. Everything here gives the same results on every run, so the demo file and
// its pictures only change when this code does.
#pragma once

#include <cmath>
#include <cstdint>
#include <vector>

namespace kvr::demo {

inline constexpr double kPi = 3.14159265358979323846;

struct Point {
    double x = 0;
    double y = 0;
};

inline Point operator+(Point a, Point b) { return {a.x + b.x, a.y + b.y}; }
inline Point operator-(Point a, Point b) { return {a.x - b.x, a.y - b.y}; }
inline Point operator*(Point a, double k) { return {a.x * k, a.y * k}; }
inline double dot(Point a, Point b) { return a.x * b.x + a.y * b.y; }
inline double length(Point a) { return std::sqrt(dot(a, a)); }

// splitmix64: tiny, fast and the same everywhere (std's distributions are not).
class Rng {
public:
    explicit Rng(std::uint64_t seed) : state_(seed) {}
    std::uint64_t next() {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // Uniform in [0, 1).
    double unit() { return static_cast<double>(next() >> 11) * (1.0 / 9007199254740992.0); }
    double range(double lo, double hi) { return lo + (hi - lo) * unit(); }
    // Uniform integer in [lo, hi].
    int between(int lo, int hi) { return lo + static_cast<int>(next() % static_cast<std::uint64_t>(hi - lo + 1)); }
    bool chance(double p) { return unit() < p; }

private:
    std::uint64_t state_;
};

// A well-mixed 32-bit hash of a lattice point and a seed.
inline std::uint32_t hash3(std::int32_t x, std::int32_t y, std::uint32_t seed) {
    std::uint32_t h =
        seed * 0x27D4EB2Du ^ static_cast<std::uint32_t>(x) * 0x85EBCA6Bu ^ static_cast<std::uint32_t>(y) * 0xC2B2AE35u;
    h ^= h >> 15;
    h *= 0x2C1B3C6Du;
    h ^= h >> 12;
    h *= 0x297A2D39u;
    h ^= h >> 15;
    return h;
}

inline double hash_unit(std::int32_t x, std::int32_t y, std::uint32_t seed) {
    return static_cast<double>(hash3(x, y, seed)) / 4294967296.0;
}

// Smoothly interpolated lattice noise in [0, 1); `scale` is the lattice spacing in pixels.
double value_noise(double x, double y, double scale, std::uint32_t seed);

// Several octaves of value_noise, halving the spacing each time; result in [0, 1).
double fractal_noise(double x, double y, double scale, int octaves, std::uint32_t seed);

// Distance from p to the segment a-b.
double segment_distance(Point p, Point a, Point b);

// Orientation byte of a heading along `dir` (picture coordinates, y downwards): 256ths of a
// full turn counted counter-clockwise from north, so 64 is west, 128 south and 192 east.
std::uint8_t orientation_of(Point dir);

// A smooth curve through the control points (Catmull-Rom), `steps` pieces per span.
std::vector<Point> smooth_path(const std::vector<Point>& control, int steps);

// Adds a gentle meander to a path: each interior point moves sideways by up to `amplitude`,
// with neighbouring points moving together.
std::vector<Point> meander(const std::vector<Point>& path, double amplitude, std::uint32_t seed);

// Splits a closed outline's edges and displaces the new points sideways, `levels` times,
// halving the displacement each time: turns a coarse outline into a natural shore.
std::vector<Point> roughen_outline(const std::vector<Point>& outline, double amplitude, int levels, std::uint32_t seed);

}  // namespace kvr::demo
