// Fuzz target for LoadBitmapImage on a real file: the bytes are written to a temporary file,
// which the reader maps. A picture comes back with no box; a failure shows exactly one box,
// captioned "Error", owned by the focused window, whose text is the message for the error that
// decoding the same bytes in memory gives; a decoded picture equals the one decoded in memory.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <span>
#include <string>
#include <vector>

#include "image/bitmap_decode.h"
#include "image/bitmap_image.h"
#include "platform/platform.h"

namespace {

// As in the decoder's own target: big pictures only slow the search down.
constexpr size_t kMaxFuzzedOutput = size_t{64} << 10;

struct Box {
    platform::WindowHandle owner;
    std::string text, caption;
    uint32_t style;
};
std::vector<Box> boxes;
const auto focused = reinterpret_cast<platform::WindowHandle>(uintptr_t{0x5150});

// One file for the whole run, removed when the fuzzer exits.
struct TemporaryFile {
    std::string path;
    TemporaryFile() {
        const unsigned suffix = std::random_device{}();
        path = (std::filesystem::temp_directory_path() /
                ("quorvane-fuzz-" + std::to_string(suffix) + ".bmp")).string();
    }
    ~TemporaryFile() { std::remove(path.c_str()); }
    bool Write(const uint8_t* data, size_t size) const {
        std::FILE* f = std::fopen(path.c_str(), "wb");
        if (!f) return false;
        const bool written = std::fwrite(data, 1, size, f) == size;
        return std::fclose(f) == 0 && written;
    }
};

}  // namespace

namespace platform {
int ShowMessageBox(WindowHandle owner, const char* text, const char* caption, uint32_t style) {
    boxes.push_back({owner, text ? text : "", caption ? caption : "", style});
    return IDOK;
}
WindowHandle FocusedWindow() { return focused; }
}  // namespace platform

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const TemporaryFile file;
    const std::span<const uint8_t> bytes(data, size);
    BitmapLayout layout;
    if (ParseBitmap(bytes, layout) == BitmapError::None &&
        layout.outputBytes() > kMaxFuzzedOutput) {
        return 0;
    }
    if (!file.Write(data, size)) std::abort();

    RgbImage* inMemory = nullptr;
    // An empty file cannot be mapped: that is an open failure, whatever the bytes would say.
    const BitmapError expected = size == 0 ? BitmapError::OpenFailed : DecodeBitmap(bytes, inMemory);
    boxes.clear();
    RgbImage* loaded = LoadBitmapImage(file.path.c_str());

    if ((loaded != nullptr) != (expected == BitmapError::None)) std::abort();
    if (loaded) {
        const size_t pictureBytes = size_t(loaded->width) * size_t(loaded->height) * 3;
        if (!boxes.empty() || loaded->width != inMemory->width ||
            loaded->height != inMemory->height ||
            std::memcmp(loaded->pixels, inMemory->pixels, pictureBytes) != 0) {
            std::abort();
        }
        std::free(loaded->pixels);
        std::free(loaded);
    } else {
        std::string text = BitmapErrorMessage(expected);
        if (expected == BitmapError::OpenFailed) {
            text.replace(text.find("%s"), 2, file.path);
        }
        if (boxes.size() != 1 || boxes[0].text != text || boxes[0].caption != "Error" ||
            boxes[0].style != platform::MB_OK || boxes[0].owner != focused) {
            std::abort();
        }
    }
    if (inMemory) {
        std::free(inMemory->pixels);
        std::free(inMemory);
    }
    return 0;
}
