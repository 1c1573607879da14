// The water pattern: warped Voronoi-style veins at two scales over a gentle swell.
#include "tools/water_pattern.h"

#include <cmath>

namespace water {

namespace {

constexpr double kTau = 6.283185307179586;

// Fixed-seed generator so the picture never changes between runs or machines.
uint32_t NextRandom(uint32_t& state) {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    return state;
}

template <size_t N>
std::array<Point, N> FeaturePoints(uint32_t seed) {
    std::array<Point, N> points{};
    for (Point& p : points) {
        p.x = (NextRandom(seed) % 65536) / 65536.0;
        p.y = (NextRandom(seed) % 65536) / 65536.0;
    }
    return points;
}

// Distance on the unit torus, so cells that cross an edge continue on the other side.
double WrappedDistance(double ax, double ay, const Point& b) {
    double dx = std::fabs(ax - b.x), dy = std::fabs(ay - b.y);
    dx = std::fmin(dx, 1.0 - dx);
    dy = std::fmin(dy, 1.0 - dy);
    return std::sqrt(dx * dx + dy * dy);
}

// Brightness of the cell borders (the gap between nearest and second-nearest point).
template <size_t N>
double Veins(double u, double v, const std::array<Point, N>& points, double width) {
    double first = 2.0, second = 2.0;
    for (const Point& p : points) {
        const double d = WrappedDistance(u, v, p);
        if (d < first) {
            second = first;
            first = d;
        } else if (d < second) {
            second = d;
        }
    }
    const double t = std::fmin((second - first) / width, 1.0);
    return (1.0 - t) * (1.0 - t);
}

double Wrap(double v) { return v - std::floor(v); }

}  // namespace

Pattern MakePattern() { return {FeaturePoints<20>(0x5EA5EAu), FeaturePoints<36>(0xC0FFEEu)}; }

Colour ColourAt(const Pattern& pattern, double u, double v) {
    // Integer frequencies keep the warp periodic over the tile.
    const double wu = Wrap(u + 0.035 * std::sin(kTau * (2 * v + 0.13)) +
                           0.015 * std::sin(kTau * (3 * u + 5 * v)));
    const double wv = Wrap(v + 0.035 * std::sin(kTau * (2 * u + 0.61)) +
                           0.015 * std::cos(kTau * (4 * u - 3 * v)));
    const double coarse = Veins(wu, wv, pattern.large, 0.045);
    const double fine = Veins(Wrap(2 * wv + 0.37), Wrap(2 * wu + 0.11), pattern.small, 0.09);
    const double swell = 0.5 + 0.25 * std::sin(kTau * (u + v)) + 0.25 * std::cos(kTau * (u - 2 * v));
    const double light = std::fmin(0.85 * coarse + 0.35 * fine, 1.0);
    return {8 + 30 * swell + 200 * light, 62 + 55 * swell + 180 * light, 118 + 60 * swell + 120 * light};
}

uint8_t ToByte(double v) { return uint8_t(std::lround(std::fmin(std::fmax(v, 0.0), 255.0))); }

}  // namespace water
