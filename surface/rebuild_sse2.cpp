// Rebuild's four-wide kernel (SSE2, present on every x86-64 processor): four vertices of one row
// per step. The lighting runs on separate x, y, z lanes; what can be formed directly in the arrays'
// packed x, y, z order (positions, normals, light vectors, highlight points) is, to save shuffles.
// The web build compiles it too, onto wasm SIMD; ARM64 has its own (rebuild_neon.cpp).
#include "surface/rebuild_kernels.h"

#if !defined(__aarch64__)
#include <emmintrin.h>

namespace {

// Twelve packed floats: four vertices of x, y, z.
struct Packed {
    __m128 a, b, c;
};

// One vector repeated four times in packed order.
Packed Repeat(Vector3f v) {
    return {_mm_setr_ps(v.x, v.y, v.z, v.x), _mm_setr_ps(v.y, v.z, v.x, v.y),
            _mm_setr_ps(v.z, v.x, v.y, v.z)};
}

inline Packed Load(const float* f) { return {_mm_loadu_ps(f), _mm_loadu_ps(f + 4), _mm_loadu_ps(f + 8)}; }

inline void Store(Vector3f* out, Packed p) {
    float* f = reinterpret_cast<float*>(out);
    _mm_storeu_ps(f, p.a);
    _mm_storeu_ps(f + 4, p.b);
    _mm_storeu_ps(f + 8, p.c);
}

// Four vertices given as separate x, y and z lanes, in packed order.
inline Packed Interleave(__m128 x, __m128 y, __m128 z) {
    const __m128 xyLow = _mm_unpacklo_ps(x, y);                         // x0 y0 x1 y1
    const __m128 xyHigh = _mm_unpackhi_ps(x, y);                        // x2 y2 x3 y3
    const __m128 z0x1 = _mm_shuffle_ps(z, x, _MM_SHUFFLE(1, 1, 0, 0));  // z0 z0 x1 x1
    const __m128 y1z1 = _mm_shuffle_ps(y, z, _MM_SHUFFLE(1, 1, 1, 1));  // y1 y1 z1 z1
    const __m128 z2x3 = _mm_shuffle_ps(z, x, _MM_SHUFFLE(3, 3, 2, 2));  // z2 z2 x3 x3
    const __m128 y3z3 = _mm_shuffle_ps(y, z, _MM_SHUFFLE(3, 3, 3, 3));  // y3 y3 z3 z3
    return {_mm_shuffle_ps(xyLow, z0x1, _MM_SHUFFLE(2, 0, 1, 0)),       // x0 y0 z0 x1
            _mm_shuffle_ps(y1z1, xyHigh, _MM_SHUFFLE(1, 0, 2, 0)),      // y1 z1 x2 y2
            _mm_shuffle_ps(z2x3, y3z3, _MM_SHUFFLE(2, 0, 2, 0))};       // z2 x3 y3 z3
}

inline Packed Or(Packed p, Packed q) {
    return {_mm_or_ps(p.a, q.a), _mm_or_ps(p.b, q.b), _mm_or_ps(p.c, q.c)};
}
inline Packed Add(Packed p, Packed q) {
    return {_mm_add_ps(p.a, q.a), _mm_add_ps(p.b, q.b), _mm_add_ps(p.c, q.c)};
}
inline Packed Sub(Packed p, Packed q) {
    return {_mm_sub_ps(p.a, q.a), _mm_sub_ps(p.b, q.b), _mm_sub_ps(p.c, q.c)};
}

}  // namespace

int RebuildSpanFourWide(SurfaceGrid& grid, const RebuildFrame& frame, int row, int column,
                        int end) {
    const __m128 zero = _mm_setzero_ps();
    const __m128 one = _mm_set1_ps(1.0f);
    const __m128 lx = _mm_set1_ps(frame.light.x);
    const __m128 ly = _mm_set1_ps(frame.light.y);
    const __m128 lz = _mm_set1_ps(frame.light.z);
    const __m128 d0 = _mm_set1_ps(frame.lightDotNormal);
    // y and z of the light vector are the same along a row.
    const __m128 ty = _mm_set1_ps(frame.toLightY);
    const __m128 tz = _mm_sub_ps(lz, _mm_set1_ps(frame.coords[row]));
    const __m128 tyy = _mm_mul_ps(ty, ty);
    const __m128 tzz = _mm_mul_ps(tz, tz);
    const Packed light = Repeat(frame.light);
    const Packed normal = Repeat(kSurfaceNormal);
    // The row's z, to be merged bitwise into the row's (x, 0, 0) positions, whose z bits are all 0.
    const Packed rowZ = Repeat({0.0f, 0.0f, frame.coords[row]});

    for (; column + 4 <= end; column += 4) {
        const int i = row * frame.side + column;
        const __m128 tx = _mm_sub_ps(lx, _mm_loadu_ps(frame.coords + column));
        const __m128 length = _mm_sqrt_ps(_mm_add_ps(_mm_add_ps(_mm_mul_ps(tx, tx), tyy), tzz));
        const __m128 dx = _mm_div_ps(tx, length);
        const __m128 dy = _mm_div_ps(ty, length);
        const __m128 dz = _mm_div_ps(tz, length);

        const Packed position = Or(Load(frame.rowXs + 3 * column), rowZ);
        const Packed dir = Interleave(dx, dy, dz);
        Store(&grid.positions[i], position);
        Store(&grid.normals[i], normal);
        Store(&grid.toLight[i], Sub(light, position));
        Store(&grid.lightDirs[i], dir);
        Store(&grid.highlightPoints[i], Add(light, dir));

        __m128 shade = zero;
        if (frame.lit) {
            const __m128 hx = _mm_add_ps(lx, dx);
            const __m128 hy = _mm_add_ps(ly, dy);
            const __m128 hz = _mm_add_ps(lz, dz);
            // D is the normal (0, 1, 0) dotted with the highlight point, products summed left to right.
            const __m128 d =
                _mm_add_ps(_mm_add_ps(_mm_mul_ps(zero, hx), _mm_mul_ps(one, hy)), _mm_mul_ps(zero, hz));
            __m128 p = d;
            for (int n = 0; n < 4; ++n) p = _mm_mul_ps(d, p);
            const __m128 g = _mm_add_ps(_mm_mul_ps(d, p), d0);
            shade = _mm_sub_ps(one, _mm_div_ps(one, g));
        }
        _mm_storeu_ps(&grid.shades[i], shade);
    }
    return column;
}

#endif
