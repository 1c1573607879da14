// The lighting written plainly: eight scalar passes, each over every vertex before the next.
// The vector Rebuild must match it bit for bit (tests) and is timed against it (benchmark).
#pragma once

#include "surface/surface_grid.h"

inline void ReferenceRebuild(SurfaceGrid& grid, Vector3f light, float gridResolution) {
    if (!GridFits(gridResolution)) {  // the arrays hold no more; same refusal as Rebuild
        grid.lastIndex = -1;
        return;
    }
    int i = -1;
    for (int j = 0; static_cast<float>(j) < gridResolution; ++j) {
        for (int k = 0; static_cast<float>(k) < gridResolution; ++k) {
            ++i;
            grid.positions[i] = {static_cast<float>(k) * grid.extent / gridResolution, 0.0f,
                                 static_cast<float>(j) * grid.extent / gridResolution};
        }
    }
    grid.lastIndex = i;
    const int last = grid.lastIndex;

    for (i = 0; i <= last; ++i) grid.normals[i] = {0.0f, 1.0f, 0.0f};
    for (i = 0; i <= last; ++i) {
        const Vector3f p = grid.positions[i];
        grid.toLight[i] = {light.x - p.x, light.y - p.y, light.z - p.z};
    }
    for (i = 0; i <= last; ++i) {
        const Vector3f p = grid.positions[i];
        grid.lightDirs[i] = {light.x - p.x, light.y - p.y, light.z - p.z};
    }
    for (i = 0; i <= last; ++i) {
        const float length = VectorLength(grid.toLight[i]);
        grid.lightDirs[i].x = grid.lightDirs[i].x / length;
        grid.lightDirs[i].y = grid.lightDirs[i].y / length;
        grid.lightDirs[i].z = grid.lightDirs[i].z / length;
    }
    for (i = 0; i <= last; ++i) {
        const Vector3f d = grid.lightDirs[i];
        grid.highlightPoints[i] = {light.x + d.x, light.y + d.y, light.z + d.z};
    }
    for (i = 0; i <= last; ++i) {
        const float d0 = DotProduct(light, grid.normals[i]);
        const float d = DotProduct(grid.normals[i], grid.highlightPoints[i]);
        float p = d;
        p = d * p;
        p = d * p;
        p = d * p;
        p = d * p;
        const float g = d * p + d0;
        if (light.y > 0.0f) {
            grid.shades[i] = 1.0f - (1.0f / g);
        } else {
            grid.shades[i] = 0.0f;
        }
    }
}
