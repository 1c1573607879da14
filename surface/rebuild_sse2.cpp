// Rebuild's four-wide kernel (SSE2, present on every x86-64 processor): four vertices of one row
// per step, computed side by side and interleaved back into the x, y, z arrays.
#include <emmintrin.h>

#include "surface/rebuild_kernels.h"

namespace {

// Writes four vectors given as separate x, y and z lanes as twelve packed floats.
inline void StoreXyz(Vector3f* out, __m128 x, __m128 y, __m128 z) {
    const __m128 xyLow = _mm_unpacklo_ps(x, y);                            // x0 y0 x1 y1
    const __m128 xyHigh = _mm_unpackhi_ps(x, y);                           // x2 y2 x3 y3
    const __m128 z0x1 = _mm_shuffle_ps(z, x, _MM_SHUFFLE(1, 1, 0, 0));     // z0 z0 x1 x1
    const __m128 y1z1 = _mm_shuffle_ps(y, z, _MM_SHUFFLE(1, 1, 1, 1));     // y1 y1 z1 z1
    const __m128 z2x3 = _mm_shuffle_ps(z, x, _MM_SHUFFLE(3, 3, 2, 2));     // z2 z2 x3 x3
    const __m128 y3z3 = _mm_shuffle_ps(y, z, _MM_SHUFFLE(3, 3, 3, 3));     // y3 y3 z3 z3
    float* f = reinterpret_cast<float*>(out);
    _mm_storeu_ps(f + 0, _mm_shuffle_ps(xyLow, z0x1, _MM_SHUFFLE(2, 0, 1, 0)));   // x0 y0 z0 x1
    _mm_storeu_ps(f + 4, _mm_shuffle_ps(y1z1, xyHigh, _MM_SHUFFLE(1, 0, 2, 0)));  // y1 z1 x2 y2
    _mm_storeu_ps(f + 8, _mm_shuffle_ps(z2x3, y3z3, _MM_SHUFFLE(2, 0, 2, 0)));    // z2 x3 y3 z3
}

}  // namespace

int RebuildSpanSse2(SurfaceGrid& grid, const RebuildFrame& frame, int row, int column, int end) {
    const __m128 zero = _mm_setzero_ps();
    const __m128 one = _mm_set1_ps(1.0f);
    const __m128 lx = _mm_set1_ps(frame.light.x);
    const __m128 ly = _mm_set1_ps(frame.light.y);
    const __m128 lz = _mm_set1_ps(frame.light.z);
    const __m128 d0 = _mm_set1_ps(frame.lightDotNormal);
    // y and z of the light vector are the same along a row.
    const __m128 pz = _mm_set1_ps(frame.coords[row]);
    const __m128 ty = _mm_set1_ps(frame.toLightY);
    const __m128 tz = _mm_sub_ps(lz, pz);
    const __m128 tyy = _mm_mul_ps(ty, ty);
    const __m128 tzz = _mm_mul_ps(tz, tz);

    for (; column + 4 <= end; column += 4) {
        const int i = row * frame.side + column;
        const __m128 px = _mm_loadu_ps(frame.coords + column);
        const __m128 tx = _mm_sub_ps(lx, px);
        const __m128 length = _mm_sqrt_ps(_mm_add_ps(_mm_add_ps(_mm_mul_ps(tx, tx), tyy), tzz));
        const __m128 dx = _mm_div_ps(tx, length);
        const __m128 dy = _mm_div_ps(ty, length);
        const __m128 dz = _mm_div_ps(tz, length);
        const __m128 hx = _mm_add_ps(lx, dx);
        const __m128 hy = _mm_add_ps(ly, dy);
        const __m128 hz = _mm_add_ps(lz, dz);

        StoreXyz(&grid.positions[i], px, zero, pz);
        StoreXyz(&grid.normals[i], zero, one, zero);
        StoreXyz(&grid.toLight[i], tx, ty, tz);
        StoreXyz(&grid.lightDirs[i], dx, dy, dz);
        StoreXyz(&grid.highlightPoints[i], hx, hy, hz);

        __m128 shade = zero;
        if (frame.lit) {
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
