// Rebuild's eight-wide kernel, compiled for AVX2 and only called when the processor reports it.
// Same operations as the four-wide kernel; no fused multiply-add, which would change the bits.
#include "surface/rebuild_kernels.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>

#define QUORVANE_AVX2 __attribute__((target("avx2")))

namespace {

// Twenty-four packed floats: eight vertices of x, y, z.
struct Packed {
    __m256 a, b, c;
};

// One vector repeated eight times in packed order.
QUORVANE_AVX2 Packed Repeat(Vector3f v) {
    return {_mm256_setr_ps(v.x, v.y, v.z, v.x, v.y, v.z, v.x, v.y),
            _mm256_setr_ps(v.z, v.x, v.y, v.z, v.x, v.y, v.z, v.x),
            _mm256_setr_ps(v.y, v.z, v.x, v.y, v.z, v.x, v.y, v.z)};
}

QUORVANE_AVX2 inline Packed Load(const float* f) {
    return {_mm256_loadu_ps(f), _mm256_loadu_ps(f + 8), _mm256_loadu_ps(f + 16)};
}

QUORVANE_AVX2 inline void Store(Vector3f* out, Packed p) {
    float* f = reinterpret_cast<float*>(out);
    _mm256_storeu_ps(f, p.a);
    _mm256_storeu_ps(f + 8, p.b);
    _mm256_storeu_ps(f + 16, p.c);
}

// Eight vertices given as separate x, y and z lanes, in packed order. The shuffles work within
// each 128-bit half, giving vertices 0-3 in the low halves and 4-7 in the high ones; the last
// step puts the halves in memory order.
QUORVANE_AVX2 inline Packed Interleave(__m256 x, __m256 y, __m256 z) {
    const __m256 xyLow = _mm256_unpacklo_ps(x, y);
    const __m256 xyHigh = _mm256_unpackhi_ps(x, y);
    const __m256 z0x1 = _mm256_shuffle_ps(z, x, _MM_SHUFFLE(1, 1, 0, 0));
    const __m256 y1z1 = _mm256_shuffle_ps(y, z, _MM_SHUFFLE(1, 1, 1, 1));
    const __m256 z2x3 = _mm256_shuffle_ps(z, x, _MM_SHUFFLE(3, 3, 2, 2));
    const __m256 y3z3 = _mm256_shuffle_ps(y, z, _MM_SHUFFLE(3, 3, 3, 3));
    const __m256 a = _mm256_shuffle_ps(xyLow, z0x1, _MM_SHUFFLE(2, 0, 1, 0));   // x0 y0 z0 x1 | x4 y4 z4 x5
    const __m256 b = _mm256_shuffle_ps(y1z1, xyHigh, _MM_SHUFFLE(1, 0, 2, 0));  // y1 z1 x2 y2 | y5 z5 x6 y6
    const __m256 c = _mm256_shuffle_ps(z2x3, y3z3, _MM_SHUFFLE(2, 0, 2, 0));    // z2 x3 y3 z3 | z6 x7 y7 z7
    return {_mm256_permute2f128_ps(a, b, 0x20), _mm256_permute2f128_ps(c, a, 0x30),
            _mm256_permute2f128_ps(b, c, 0x31)};
}

QUORVANE_AVX2 inline Packed Or(Packed p, Packed q) {
    return {_mm256_or_ps(p.a, q.a), _mm256_or_ps(p.b, q.b), _mm256_or_ps(p.c, q.c)};
}
QUORVANE_AVX2 inline Packed Add(Packed p, Packed q) {
    return {_mm256_add_ps(p.a, q.a), _mm256_add_ps(p.b, q.b), _mm256_add_ps(p.c, q.c)};
}
QUORVANE_AVX2 inline Packed Sub(Packed p, Packed q) {
    return {_mm256_sub_ps(p.a, q.a), _mm256_sub_ps(p.b, q.b), _mm256_sub_ps(p.c, q.c)};
}

}  // namespace

QUORVANE_AVX2 int RebuildSpanAvx2(SurfaceGrid& grid, const RebuildFrame& frame, int row, int column,
                                  int end) {
    const __m256 zero = _mm256_setzero_ps();
    const __m256 one = _mm256_set1_ps(1.0f);
    const __m256 lx = _mm256_set1_ps(frame.light.x);
    const __m256 ly = _mm256_set1_ps(frame.light.y);
    const __m256 lz = _mm256_set1_ps(frame.light.z);
    const __m256 d0 = _mm256_set1_ps(frame.lightDotNormal);
    // y and z of the light vector are the same along a row.
    const __m256 ty = _mm256_set1_ps(frame.toLightY);
    const __m256 tz = _mm256_sub_ps(lz, _mm256_set1_ps(frame.coords[row]));
    const __m256 tyy = _mm256_mul_ps(ty, ty);
    const __m256 tzz = _mm256_mul_ps(tz, tz);
    const Packed light = Repeat(frame.light);
    const Packed normal = Repeat(kSurfaceNormal);
    // The row's z, to be merged bitwise into the row's (x, 0, 0) positions, whose z bits are all 0.
    const Packed rowZ = Repeat({0.0f, 0.0f, frame.coords[row]});

    for (; column + 8 <= end; column += 8) {
        const int i = row * frame.side + column;
        const __m256 tx = _mm256_sub_ps(lx, _mm256_loadu_ps(frame.coords + column));
        const __m256 length = _mm256_sqrt_ps(_mm256_add_ps(_mm256_add_ps(_mm256_mul_ps(tx, tx), tyy), tzz));
        const __m256 dx = _mm256_div_ps(tx, length);
        const __m256 dy = _mm256_div_ps(ty, length);
        const __m256 dz = _mm256_div_ps(tz, length);

        const Packed position = Or(Load(frame.rowXs + 3 * column), rowZ);
        const Packed dir = Interleave(dx, dy, dz);
        Store(&grid.positions[i], position);
        Store(&grid.normals[i], normal);
        Store(&grid.toLight[i], Sub(light, position));
        Store(&grid.lightDirs[i], dir);
        Store(&grid.highlightPoints[i], Add(light, dir));

        __m256 shade = zero;
        if (frame.lit) {
            const __m256 hx = _mm256_add_ps(lx, dx);
            const __m256 hy = _mm256_add_ps(ly, dy);
            const __m256 hz = _mm256_add_ps(lz, dz);
            // D is the normal (0, 1, 0) dotted with the highlight point, products summed left to right.
            const __m256 d = _mm256_add_ps(_mm256_add_ps(_mm256_mul_ps(zero, hx), _mm256_mul_ps(one, hy)),
                                           _mm256_mul_ps(zero, hz));
            __m256 p = d;
            for (int n = 0; n < 4; ++n) p = _mm256_mul_ps(d, p);
            const __m256 g = _mm256_add_ps(_mm256_mul_ps(d, p), d0);
            shade = _mm256_sub_ps(one, _mm256_div_ps(one, g));
        }
        _mm256_storeu_ps(&grid.shades[i], shade);
    }
    return column;
}

#else

// Processors without AVX2 (wasm among them) leave the whole row to the four-wide kernel.
int RebuildSpanAvx2(SurfaceGrid&, const RebuildFrame&, int, int column, int) { return column; }

#endif
