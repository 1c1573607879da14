// The frame written as one plain loop: the same GL calls as the demo's scene, with the lighting
// computed inline per vertex. The frame benchmark measures the demo against it.
#pragma once

#include <cstdint>

namespace reference_frame {

// Same texture, state and sphere as the scene's initialisation; false if the texture is missing.
bool Init(const char* textureFile);
// One frame, clear to flush, for the light at its start position and the initial view.
void Frame();
// The shade the reference computed for vertex i in its latest frame.
float Shade(int32_t i);

}  // namespace reference_frame
