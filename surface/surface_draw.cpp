// Sends the lit surface to OpenGL as textured quads, one glBegin/glEnd per grid cell, each corner
// carrying its shade as a grey that modulates the texture.
#include <GL/gl.h>

#include <cstdint>

#include "surface/surface_grid.h"

namespace {

// Far above any side whose grid fits the arrays; bounds the row count before the exact check.
constexpr float MAX_DRAWN_SIDE = 1024.0f;

// Rows of quads for a resolution: r runs while r, as a float, is below resolution - 1.
int64_t QuadRows(float gridResolution) {
    int64_t rows = 0;
    while (float(rows) < gridResolution - 1.0f) ++rows;
    return rows;
}

}  // namespace

void SurfaceGrid::Draw(float gridResolution, uint32_t textureName) const {
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glBindTexture(GL_TEXTURE_2D, textureName);

    // Only resolutions whose quads stay inside the arrays are drawn; NaN and tiny ones draw none.
    if (!(gridResolution >= 2.0f && gridResolution <= MAX_DRAWN_SIDE)) return;
    const int64_t n = int64_t(gridResolution);
    const int64_t rows = QuadRows(gridResolution);
    if ((rows + 1) * n > int64_t(MAX_VERTICES)) return;

    const Vector3f* p = positions;
    const float* shade = shades;
    auto corner = [p, shade](int64_t v) {
        glColor3f(shade[v], shade[v], shade[v]);
        glTexCoord2f(p[v].x, p[v].z);
        glVertex3f(p[v].x, p[v].y, p[v].z);
    };
    for (int64_t r = 0; r < rows; ++r) {
        // The row's last vertex only closes the quad before it; nothing joins one row to the next.
        const int64_t rowEnd = (r + 1) * n - 1;
        for (int64_t i = r * n; i < rowEnd; ++i) {
            glBegin(GL_QUADS);
            corner(i + n);
            corner(i);
            corner(i + 1);
            corner(i + n + 1);
            glEnd();
        }
    }
}
