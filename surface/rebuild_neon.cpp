// Rebuild's four-wide kernel on ARM64 (Advanced SIMD, present on every AArch64 processor): four
// vertices of one row per step. The lighting runs on separate x, y, z lanes; the structure stores
// (ST3) lay each result out in the arrays' packed x, y, z order. AArch64's vector divide and square
// root are correctly rounded, and no step is fused (no FMLA), so the bits are the plain code's.
#include "surface/rebuild_kernels.h"

#if defined(__aarch64__)
#include <arm_neon.h>

namespace {

// Four vertices as separate x, y and z lanes, stored as four packed Vector3f.
inline void Store(Vector3f* out, float32x4_t x, float32x4_t y, float32x4_t z) {
    vst3q_f32(reinterpret_cast<float*>(out), float32x4x3_t{{x, y, z}});
}

}  // namespace

int RebuildSpanFourWide(SurfaceGrid& grid, const RebuildFrame& frame, int row, int column,
                        int end) {
    const float32x4_t zero = vdupq_n_f32(0.0f);
    const float32x4_t one = vdupq_n_f32(1.0f);
    const float32x4_t lx = vdupq_n_f32(frame.light.x);
    const float32x4_t ly = vdupq_n_f32(frame.light.y);
    const float32x4_t lz = vdupq_n_f32(frame.light.z);
    const float32x4_t d0 = vdupq_n_f32(frame.lightDotNormal);
    // y and z of the position and of the light vector are the same along a row.
    const float32x4_t pz = vdupq_n_f32(frame.coords[row]);
    const float32x4_t ty = vdupq_n_f32(frame.toLightY);
    const float32x4_t tz = vsubq_f32(lz, pz);
    const float32x4_t tyy = vmulq_f32(ty, ty);
    const float32x4_t tzz = vmulq_f32(tz, tz);

    for (; column + 4 <= end; column += 4) {
        const int i = row * frame.side + column;
        const float32x4_t px = vld1q_f32(frame.coords + column);
        const float32x4_t tx = vsubq_f32(lx, px);
        const float32x4_t length = vsqrtq_f32(vaddq_f32(vaddq_f32(vmulq_f32(tx, tx), tyy), tzz));
        const float32x4_t dx = vdivq_f32(tx, length);
        const float32x4_t dy = vdivq_f32(ty, length);
        const float32x4_t dz = vdivq_f32(tz, length);
        const float32x4_t hx = vaddq_f32(lx, dx);
        const float32x4_t hy = vaddq_f32(ly, dy);
        const float32x4_t hz = vaddq_f32(lz, dz);

        Store(&grid.positions[i], px, zero, pz);
        Store(&grid.normals[i], zero, one, zero);
        Store(&grid.toLight[i], tx, ty, tz);
        Store(&grid.lightDirs[i], dx, dy, dz);
        Store(&grid.highlightPoints[i], hx, hy, hz);

        float32x4_t shade = zero;
        if (frame.lit) {
            // D is the normal (0, 1, 0) dotted with the highlight point, products summed left to right.
            const float32x4_t d =
                vaddq_f32(vaddq_f32(vmulq_f32(zero, hx), vmulq_f32(one, hy)), vmulq_f32(zero, hz));
            float32x4_t p = d;
            for (int n = 0; n < 4; ++n) p = vmulq_f32(d, p);
            const float32x4_t g = vaddq_f32(vmulq_f32(d, p), d0);
            shade = vsubq_f32(one, vdivq_f32(one, g));
        }
        vst1q_f32(&grid.shades[i], shade);
    }
    return column;
}

#endif
