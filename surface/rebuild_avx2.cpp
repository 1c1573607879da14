// Rebuild's eight-wide kernel, compiled for AVX2 and only called when the processor reports it.
// Same operations as the four-wide kernel; no fused multiply-add, which would change the bits.
#include <immintrin.h>

#include "surface/rebuild_kernels.h"

#define QUORVANE_AVX2 __attribute__((target("avx2")))

namespace {

// Writes eight vectors given as separate x, y and z lanes as twenty-four packed floats. The
// shuffles work within each 128-bit half, giving vertices 0-3 in the low halves and 4-7 in the
// high ones; the last step puts the halves in memory order.
QUORVANE_AVX2 inline void StoreXyz(Vector3f* out, __m256 x, __m256 y, __m256 z) {
    const __m256 xyLow = _mm256_unpacklo_ps(x, y);
    const __m256 xyHigh = _mm256_unpackhi_ps(x, y);
    const __m256 z0x1 = _mm256_shuffle_ps(z, x, _MM_SHUFFLE(1, 1, 0, 0));
    const __m256 y1z1 = _mm256_shuffle_ps(y, z, _MM_SHUFFLE(1, 1, 1, 1));
    const __m256 z2x3 = _mm256_shuffle_ps(z, x, _MM_SHUFFLE(3, 3, 2, 2));
    const __m256 y3z3 = _mm256_shuffle_ps(y, z, _MM_SHUFFLE(3, 3, 3, 3));
    const __m256 a = _mm256_shuffle_ps(xyLow, z0x1, _MM_SHUFFLE(2, 0, 1, 0));   // x0 y0 z0 x1 | x4 y4 z4 x5
    const __m256 b = _mm256_shuffle_ps(y1z1, xyHigh, _MM_SHUFFLE(1, 0, 2, 0));  // y1 z1 x2 y2 | y5 z5 x6 y6
    const __m256 c = _mm256_shuffle_ps(z2x3, y3z3, _MM_SHUFFLE(2, 0, 2, 0));    // z2 x3 y3 z3 | z6 x7 y7 z7
    float* f = reinterpret_cast<float*>(out);
    _mm256_storeu_ps(f + 0, _mm256_permute2f128_ps(a, b, 0x20));
    _mm256_storeu_ps(f + 8, _mm256_permute2f128_ps(c, a, 0x30));
    _mm256_storeu_ps(f + 16, _mm256_permute2f128_ps(b, c, 0x31));
}

}  // namespace

QUORVANE_AVX2 int RebuildSpanAvx2(SurfaceGrid& grid, const RebuildFrame& frame, int row, int column, int end) {
    const __m256 zero = _mm256_setzero_ps();
    const __m256 one = _mm256_set1_ps(1.0f);
    const __m256 lx = _mm256_set1_ps(frame.light.x);
    const __m256 ly = _mm256_set1_ps(frame.light.y);
    const __m256 lz = _mm256_set1_ps(frame.light.z);
    const __m256 d0 = _mm256_set1_ps(frame.lightDotNormal);
    // y and z of the light vector are the same along a row.
    const __m256 pz = _mm256_set1_ps(frame.coords[row]);
    const __m256 ty = _mm256_set1_ps(frame.toLightY);
    const __m256 tz = _mm256_sub_ps(lz, pz);
    const __m256 tyy = _mm256_mul_ps(ty, ty);
    const __m256 tzz = _mm256_mul_ps(tz, tz);

    for (; column + 8 <= end; column += 8) {
        const int i = row * frame.side + column;
        const __m256 px = _mm256_loadu_ps(frame.coords + column);
        const __m256 tx = _mm256_sub_ps(lx, px);
        const __m256 length = _mm256_sqrt_ps(_mm256_add_ps(_mm256_add_ps(_mm256_mul_ps(tx, tx), tyy), tzz));
        const __m256 dx = _mm256_div_ps(tx, length);
        const __m256 dy = _mm256_div_ps(ty, length);
        const __m256 dz = _mm256_div_ps(tz, length);
        const __m256 hx = _mm256_add_ps(lx, dx);
        const __m256 hy = _mm256_add_ps(ly, dy);
        const __m256 hz = _mm256_add_ps(lz, dz);

        StoreXyz(&grid.positions[i], px, zero, pz);
        StoreXyz(&grid.normals[i], zero, one, zero);
        StoreXyz(&grid.toLight[i], tx, ty, tz);
        StoreXyz(&grid.lightDirs[i], dx, dy, dz);
        StoreXyz(&grid.highlightPoints[i], hx, hy, hz);

        __m256 shade = zero;
        if (frame.lit) {
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
