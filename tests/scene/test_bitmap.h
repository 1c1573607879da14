// Writes small 24-bit bitmap files for tests that need a texture on disk, and a scratch
// directory to put them in (the scene reads its texture from the current directory).
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

namespace test_bitmap {

// pixels: packed red, green, blue, bottom row first, as the decoder hands them back.
inline bool WriteBmp(const std::string& path, int32_t width, int32_t height,
                     const std::vector<uint8_t>& rgb) {
    const uint32_t rowBytes = (uint32_t(width) * 3 + 3) & ~3u;
    const uint32_t imageBytes = rowBytes * uint32_t(height);
    std::vector<uint8_t> file(54 + imageBytes, 0);
    auto put16 = [&file](size_t at, uint32_t v) {
        file[at] = uint8_t(v);
        file[at + 1] = uint8_t(v >> 8);
    };
    auto put32 = [&](size_t at, uint32_t v) {
        put16(at, v & 0xFFFF);
        put16(at + 2, v >> 16);
    };
    file[0] = 'B';
    file[1] = 'M';
    put32(2, uint32_t(file.size()));
    put32(10, 54);
    put32(14, 40);
    put32(18, uint32_t(width));
    put32(22, uint32_t(height));
    put16(26, 1);
    put16(28, 24);
    put32(34, imageBytes);
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x) {
            const size_t from = (size_t(y) * size_t(width) + size_t(x)) * 3;
            const size_t to = 54 + size_t(y) * rowBytes + size_t(x) * 3;
            file[to] = rgb[from + 2];  // stored blue, green, red
            file[to + 1] = rgb[from + 1];
            file[to + 2] = rgb[from];
        }
    }
    FILE* out = std::fopen(path.c_str(), "wb");
    if (!out) return false;
    const bool written = std::fwrite(file.data(), 1, file.size(), out) == file.size();
    return std::fclose(out) == 0 && written;
}

inline std::vector<uint8_t> Solid(int32_t width, int32_t height, uint8_t r, uint8_t g, uint8_t b) {
    std::vector<uint8_t> rgb(size_t(width) * size_t(height) * 3);
    for (size_t i = 0; i < rgb.size(); i += 3) {
        rgb[i] = r;
        rgb[i + 1] = g;
        rgb[i + 2] = b;
    }
    return rgb;
}

// A fresh directory made current for the lifetime of the object; the old one comes back after.
class ScratchDirectory {
public:
    ScratchDirectory() : previous_(std::filesystem::current_path()) {
        // A name nobody else holds; create_directory says so by making it.
        std::random_device random;
        do {
            path_ = std::filesystem::temp_directory_path() / ("quorvane-" + std::to_string(random()));
        } while (!std::filesystem::create_directory(path_));
        std::filesystem::current_path(path_);
    }
    ~ScratchDirectory() {
        std::filesystem::current_path(previous_);
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    ScratchDirectory(const ScratchDirectory&) = delete;
    ScratchDirectory& operator=(const ScratchDirectory&) = delete;
    std::string File(const char* name) const { return (path_ / name).string(); }

private:
    std::filesystem::path previous_;
    std::filesystem::path path_;
};

}  // namespace test_bitmap
