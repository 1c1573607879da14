// The three-float vector of the surface and the scene, with the two operations the lighting uses.
// Sums run left to right in 32-bit floats so every build produces the same bits.
#pragma once

#include <cmath>

struct Vector3f {
    float x;
    float y;
    float z;
};

inline float DotProduct(Vector3f a, Vector3f b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

inline float VectorLength(Vector3f v) {
    const float squares = v.x * v.x + v.y * v.y + v.z * v.z;
    return std::sqrt(squares);
}
