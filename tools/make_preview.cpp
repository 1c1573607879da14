// Draws the frames of the README's animated preview: the demo's own scene, frame by frame in
// Mesa's software rasteriser off-screen, while a script holds the light's keys so that the light
// goes round a rectangle over the water, across the view and back, and ends where it started (the
// animation loops without a jump). Every frame runs SceneUpdate with the held key as the
// program's loop does; every kEvery-th frame is drawn by SceneDraw and written as frame_NNN.png
// (what a frame shows depends only on the light and the view, so the frames between need not be
// drawn). The same pixels on every run.
// Usage: make_preview <out folder> <width> <height>   (run from the folder of water05t.bmp)
#include <GL/gl.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/projection.h"
#include "scene/scene.h"
#include "tests/mesa/mesa_context.h"
#include "tools/bmp_writer.h"
#include "tools/png_writer.h"

namespace {

struct Hold {
    char key;
    int frames;
};

// The light moves 0.01 per frame and key: right, nearer, left, away, back to its start.
constexpr Hold kScript[] = {{'D', 700}, {'S', 150}, {'A', 700}, {'W', 150}};
constexpr int kEvery = 25;

std::vector<uint8_t> ReadFrame(int32_t width, int32_t height) {
    std::vector<uint8_t> bottomUp(size_t(width) * height * 4), rgba(bottomUp.size());
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, bottomUp.data());
    const size_t row = size_t(width) * 4;
    for (int32_t y = 0; y < height; ++y) {
        std::copy_n(&bottomUp[(size_t(height) - 1 - y) * row], row, &rgba[size_t(y) * row]);
        for (size_t i = 3; i < row; i += 4) rgba[size_t(y) * row + i] = 255;  // opaque
    }
    return rgba;
}

}  // namespace

int main(int argc, char** argv) {
    const int32_t width = argc == 4 ? std::atoi(argv[2]) : 0;
    const int32_t height = argc == 4 ? std::atoi(argv[3]) : 0;
    if (width < 16 || height < 16 || width > 4096 || height > 4096) {
        std::fprintf(stderr, "usage: %s <out folder> <width> <height> (16 to 4096 pixels)\n",
                     argv[0]);
        return 2;
    }
    mesa::OffscreenContext context(width, height);
    if (!context.error().empty()) {
        std::fprintf(stderr, "no off-screen OpenGL: %s\n", context.error().c_str());
        return 1;
    }
    WindowState window{};
    KeyStates keys{};
    SetProjection(width, height);
    if (!SceneInit(window, keys)) {
        std::fprintf(stderr, "the scene did not start (is water05t.bmp in this folder?)\n");
        return 1;
    }
    int frame = 0, written = 0;
    for (const Hold& hold : kScript) {
        keys[size_t(hold.key)] = 1;
        for (int i = 0; i < hold.frames; ++i, ++frame) {
            SceneUpdate(16);
            if (frame % kEvery != 0) continue;
            SceneDraw();
            char name[32];
            std::snprintf(name, sizeof name, "/frame_%03d.png", written++);
            const std::string path = argv[1] + std::string(name);
            const std::vector<uint8_t> rgba = ReadFrame(width, height);
            if (!bmpwriter::WriteFile(path, pngwriter::EncodeRgba(width, height, rgba))) {
                std::fprintf(stderr, "cannot write %s\n", path.c_str());
                return 1;
            }
        }
        keys[size_t(hold.key)] = 0;
    }
    SceneShutdown();
    std::printf("%d frames\n", written);
    return 0;
}
