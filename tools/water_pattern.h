// The water picture as a function of position on a unit tile: blue water with bright
// caustic-like veins. The texture generator samples it on a 256 x 256 grid and the icon
// generator draws the lit tile from it, so both show the same water.
#pragma once

#include <array>
#include <cstdint>

namespace water {

struct Point {
    double x, y;
};

// Feature points of the two vein layers, from fixed seeds: the same on every run and machine.
struct Pattern {
    std::array<Point, 20> large;
    std::array<Point, 36> small;
};

struct Colour {
    double r, g, b;  // 0..255, not yet rounded or clamped
};

Pattern MakePattern();

// Every term is periodic over the unit square, so the tile repeats without seams.
Colour ColourAt(const Pattern& pattern, double u, double v);

uint8_t ToByte(double value);  // rounded and clamped to 0..255

}  // namespace water
