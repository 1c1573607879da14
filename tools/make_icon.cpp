// Generates the demo's application icon: a rounded tile of the water pattern lit from a point
// light above it, the light's orange sphere floating over the bright patch, as the demo shows
// it. Drawn with 4 x 4 samples per pixel for smooth edges; the output is the same on every run.
// Usage: make_icon <folder> [<file.ico>]   writes quorvane_<size>.png for each size below: the
// desktop's icon theme sizes, the Windows icon's 16 and 32, the web page's 192 and 512 and the
// home-screen icon of iPhones and iPads, 180; and, when named, the Windows program's icon file with the 16, 32, 48 and 256 pixel pictures.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "tools/bmp_writer.h"
#include "tools/png_writer.h"
#include "tools/water_pattern.h"

namespace {

constexpr int kSizes[] = {16, 32, 48, 128, 180, 192, 256, 512};
constexpr int kIcoSizes[] = {16, 32, 48, 256};  // each one of kSizes
constexpr int kSamples = 4;  // per pixel and axis

// Picture coordinates run 0..1 across and down the icon.
constexpr double kMargin = 0.03, kCorner = 0.16;
constexpr double kLightX = 0.42, kLightY = 0.60, kLightHeight = 0.34;  // over the water
constexpr double kSphereX = 0.42, kSphereY = 0.36, kSphereRadius = 0.15;  // as seen from the front

struct Sample {
    bool opaque;
    water::Colour colour;
};

bool InsideTile(double x, double y) {
    // Distance outside the rounded square's inner rectangle, measured against the corner radius.
    const double lo = kMargin + kCorner, hi = 1 - kMargin - kCorner;
    const double dx = std::fmax(std::fmax(lo - x, x - hi), 0.0);
    const double dy = std::fmax(std::fmax(lo - y, y - hi), 0.0);
    return dx * dx + dy * dy <= kCorner * kCorner;
}

// Water times the light's falloff, as the demo shades its vertices: bright straight below the
// light, dark towards the edges (with a little ambient so the tile still reads on dark panels).
water::Colour LitWater(const water::Pattern& pattern, double x, double y) {
    // Part of the texture only, so its veins stay wide enough to see at 48 pixels.
    const double u = 0.6 * (x - kMargin) / (1 - 2 * kMargin), v = 0.6 * (y - kMargin) / (1 - 2 * kMargin);
    const water::Colour c = water::ColourAt(pattern, u, v);
    const double dx = x - kLightX, dy = y - kLightY;
    const double cosine = kLightHeight / std::sqrt(dx * dx + dy * dy + kLightHeight * kLightHeight);
    const double shade = std::fmin(0.07 + 1.3 * std::pow(cosine, 4), 1.0);
    return {c.r * shade, c.g * shade, c.b * shade};
}

// The orange marker, lit from the upper left with a small highlight so it reads as a ball.
water::Colour Sphere(double dx, double dy) {
    const double nx = dx / kSphereRadius, ny = dy / kSphereRadius;
    const double nz = std::sqrt(std::fmax(1 - nx * nx - ny * ny, 0.0));
    const double lx = -0.45, ly = -0.55, lz = 0.70;  // unit length
    const double diffuse = std::fmax(nx * lx + ny * ly + nz * lz, 0.0);
    const double hx = lx, hy = ly, hz = lz + 1;  // half-way vector towards a viewer on +z
    const double spec = std::pow(std::fmax((nx * hx + ny * hy + nz * hz) /
                                           std::sqrt(hx * hx + hy * hy + hz * hz), 0.0), 40);
    const double body = 0.62 + 0.38 * diffuse;
    return {255 * body + 200 * spec, 128 * body + 200 * spec, 0 * body + 200 * spec};
}

Sample At(const water::Pattern& pattern, double x, double y) {
    const double sx = x - kSphereX, sy = y - kSphereY;
    if (sx * sx + sy * sy <= kSphereRadius * kSphereRadius) return {true, Sphere(sx, sy)};
    if (InsideTile(x, y)) return {true, LitWater(pattern, x, y)};
    return {false, {0, 0, 0}};
}

std::vector<uint8_t> DrawIcon(const water::Pattern& pattern, int size) {
    std::vector<uint8_t> rgba(size_t(size) * size * 4);
    for (int py = 0; py < size; ++py) {
        for (int px = 0; px < size; ++px) {
            double r = 0, g = 0, b = 0;
            int covered = 0;
            for (int j = 0; j < kSamples; ++j) {
                for (int i = 0; i < kSamples; ++i) {
                    const Sample s = At(pattern, (px + (i + 0.5) / kSamples) / size,
                                        (py + (j + 0.5) / kSamples) / size);
                    if (!s.opaque) continue;
                    r += s.colour.r, g += s.colour.g, b += s.colour.b;
                    ++covered;
                }
            }
            uint8_t* out = &rgba[(size_t(py) * size + px) * 4];
            if (covered) {
                out[0] = water::ToByte(r / covered);
                out[1] = water::ToByte(g / covered);
                out[2] = water::ToByte(b / covered);
            }
            out[3] = water::ToByte(255.0 * covered / (kSamples * kSamples));
        }
    }
    return rgba;
}

using bmpwriter::Put16, bmpwriter::Put32;

// An icon's picture as Windows stores it in .ico files and resources: a 40-byte bitmap header
// of twice the height, 32-bit BGRA rows bottom first, then the 1-bit mask (set where the
// picture is transparent) that programs without alpha use, its rows padded to 4 bytes.
std::vector<uint8_t> IconDib(int size, const std::vector<uint8_t>& rgba) {
    bmpwriter::BitmapFields dib;
    dib.fileHeader = false;
    dib.width = size;
    dib.height = 2 * size;
    dib.bitCount = 32;
    dib.pixelsPerMetre = 0;
    const size_t maskStride = size_t(size + 31) / 32 * 4;
    for (int y = size - 1; y >= 0; --y) {
        for (int x = 0; x < size; ++x) {
            const uint8_t* p = &rgba[(size_t(y) * size + x) * 4];
            dib.pixels.insert(dib.pixels.end(), {p[2], p[1], p[0], p[3]});
        }
    }
    for (int y = size - 1; y >= 0; --y) {
        std::vector<uint8_t> row(maskStride, 0);
        for (int x = 0; x < size; ++x) {
            if (rgba[(size_t(y) * size + x) * 4 + 3] < 128) row[x / 8] |= uint8_t(0x80 >> (x % 8));
        }
        dib.pixels.insert(dib.pixels.end(), row.begin(), row.end());
    }
    dib.imageSize = uint32_t(dib.pixels.size());
    return bmpwriter::BuildBitmap(dib);
}

// The .ico file: its directory, then the pictures in the same order. The 256-pixel one is a PNG,
// as Windows Vista and later read it; the small ones are bitmaps, which every version reads.
std::vector<uint8_t> EncodeIco(const std::map<int, std::vector<uint8_t>>& drawn) {
    std::vector<std::vector<uint8_t>> images;
    for (int size : kIcoSizes) {
        const std::vector<uint8_t>& rgba = drawn.at(size);
        images.push_back(size >= 256 ? pngwriter::EncodeRgba(size, size, rgba)
                                     : IconDib(size, rgba));
    }
    const size_t count = images.size();
    std::vector<uint8_t> out;
    Put16(out, 0);  // reserved
    Put16(out, 1);  // an icon, not a cursor
    Put16(out, uint16_t(count));
    uint32_t offset = uint32_t(6 + 16 * count);
    for (size_t i = 0; i < count; ++i) {
        const uint8_t side = uint8_t(kIcoSizes[i] % 256);  // 0 stands for 256
        out.insert(out.end(), {side, side, 0, 0});  // no palette; reserved
        Put16(out, 1);   // planes
        Put16(out, 32);  // bits per pixel
        Put32(out, uint32_t(images[i].size()));
        Put32(out, offset);
        offset += uint32_t(images[i].size());
    }
    for (const std::vector<uint8_t>& image : images) {
        out.insert(out.end(), image.begin(), image.end());
    }
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2 && argc != 3) {
        std::fprintf(stderr, "usage: %s <folder> [<file.ico>]\n", argv[0]);
        return 2;
    }
    const water::Pattern pattern = water::MakePattern();
    std::map<int, std::vector<uint8_t>> drawn;
    for (int size : kSizes) {
        drawn[size] = DrawIcon(pattern, size);
        const std::string path = std::string(argv[1]) + "/quorvane_" + std::to_string(size) + ".png";
        if (!bmpwriter::WriteFile(path, pngwriter::EncodeRgba(size, size, drawn[size]))) {
            std::fprintf(stderr, "cannot write %s\n", path.c_str());
            return 1;
        }
    }
    if (argc == 3 && !bmpwriter::WriteFile(argv[2], EncodeIco(drawn))) {
        std::fprintf(stderr, "cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
