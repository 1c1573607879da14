// Times LoadBitmapImage on 4096 x 4096 files against stb_image and SDL_LoadBMP (plus conversion
// to packed RGB), and against the floor: the same swizzle or palette lookup done on bytes already
// in memory into a fresh buffer (plain malloc, and again with the huge-page advice our reader
// gives its buffer, to separate decoding cost from page-fault cost). Prints the ratios at the end.
#include <SDL.h>
#include <benchmark/benchmark.h>
#include <stb_image.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>

#include "bench/benchmark_run.h"
#include "image/bitmap_image.h"
#include "platform/platform.h"
#include "tools/bmp_writer.h"

// The reader reports failures through the platform's box; here a failure ends the run.
namespace platform {
int ShowMessageBox(WindowHandle, const char* text, const char*, uint32_t) {
    std::fprintf(stderr, "reader failed: %s\n", text);
    std::abort();
}
WindowHandle FocusedWindow() { return nullptr; }
}  // namespace platform

namespace {

constexpr int kSide = 4096;

enum class Floor { Swizzle24, Lookup8, Pick32, None };

struct Picture {
    std::string label;
    std::string path;
    int width;
    Floor floor;
    std::vector<uint8_t> bytes;  // the file, read once, for the floor
    uint32_t pixelOffset = 0;
};

std::vector<Picture>& Pictures() {
    static std::vector<Picture> pictures;
    return pictures;
}

uint32_t Colour(int x, int y) { return uint32_t(x * 2654435761u ^ y * 40503u) & 0xFFFFFF; }

// Indices with horizontal runs broken by scattered single pixels: both run kinds appear.
uint8_t Index(int x, int y) {
    if ((x * 7 + y * 3) % 13 == 0) return uint8_t(x ^ y);
    return uint8_t((x / (8 + y % 5)) * 7 + y / 16);
}

std::vector<bmpwriter::Bgr> Palette() {
    std::vector<bmpwriter::Bgr> palette;
    for (int i = 0; i < 256; ++i) palette.push_back({uint8_t(i), uint8_t(i * 3), uint8_t(255 - i)});
    return palette;
}

void WritePictures(const std::string& dir) {
    auto add = [&](std::string label, const std::string& name, int width, Floor floor,
                   const bmpwriter::BitmapFields& f) {
        Picture p{std::move(label), dir + "/" + name, width, floor, bmpwriter::BuildBitmap(f)};
        std::memcpy(&p.pixelOffset, p.bytes.data() + 10, 4);
        if (!bmpwriter::WriteFile(p.path, p.bytes)) std::abort();
        Pictures().push_back(std::move(p));
    };
    bmpwriter::BitmapFields f;
    f.width = kSide;
    f.height = kSide;
    f.bitCount = 24;
    f.pixels = bmpwriter::PackRows(kSide, kSide, 24, Colour);
    add("24-bit", "rgb24.bmp", kSide, Floor::Swizzle24, f);

    f.width = kSide - 1;
    f.pixels = bmpwriter::PackRows(kSide - 1, kSide, 24, Colour);
    add("24-bit 4095 wide", "rgb24_4095.bmp", kSide - 1, Floor::Swizzle24, f);

    f.width = kSide;
    f.bitCount = 8;
    f.palette = Palette();
    f.pixels = bmpwriter::PackRows(kSide, kSide, 8, [](int x, int y) { return uint32_t(Index(x, y)); });
    add("8-bit palette", "pal8.bmp", kSide, Floor::Lookup8, f);

    std::vector<uint8_t> indices(size_t(kSide) * kSide);
    for (int y = 0; y < kSide; ++y) {
        for (int x = 0; x < kSide; ++x) indices[size_t(y) * kSide + x] = Index(x, y);
    }
    f.compression = 1;
    f.pixels = bmpwriter::EncodeRle8(indices, kSide, kSide);
    add("RLE8", "rle8.bmp", kSide, Floor::None, f);

    f.bitCount = 32;
    f.compression = 3;
    f.palette.clear();
    f.masks = {0xFF0000, 0x00FF00, 0x0000FF};
    f.pixels = bmpwriter::PackRows(kSide, kSide, 32, Colour);
    add("32-bit bit-fields", "bitfields32.bmp", kSide, Floor::Pick32, f);
}

void Ours(benchmark::State& state, const Picture* p) {
    for (auto _ : state) {
        RgbImage* image = LoadBitmapImage(p->path.c_str());
        benchmark::DoNotOptimize(image->pixels);
        std::free(image->pixels);
        std::free(image);
    }
}

void Stb(benchmark::State& state, const Picture* p) {
    for (auto _ : state) {
        int w, h, n;
        stbi_uc* pixels = stbi_load(p->path.c_str(), &w, &h, &n, 3);
        if (!pixels) {
            state.SkipWithError(stbi_failure_reason());
            break;
        }
        benchmark::DoNotOptimize(pixels);
        stbi_image_free(pixels);
    }
}

// SDL_LoadBMP, converted to 24-bit RGB; rows are copied out only when SDL pads them.
void Sdl(benchmark::State& state, const Picture* p) {
    for (auto _ : state) {
        SDL_Surface* loaded = SDL_LoadBMP(p->path.c_str());
        if (!loaded) {
            state.SkipWithError(SDL_GetError());
            break;
        }
        SDL_Surface* rgb = SDL_ConvertSurfaceFormat(loaded, SDL_PIXELFORMAT_RGB24, 0);
        SDL_FreeSurface(loaded);
        const size_t row = size_t(rgb->w) * 3;
        if (size_t(rgb->pitch) != row) {
            auto* packed = static_cast<uint8_t*>(std::malloc(row * rgb->h));
            for (int y = 0; y < rgb->h; ++y) {
                std::memcpy(packed + row * (rgb->h - 1 - y), static_cast<uint8_t*>(rgb->pixels) + size_t(rgb->pitch) * y, row);
            }
            benchmark::DoNotOptimize(packed);
            std::free(packed);
        }
        benchmark::DoNotOptimize(rgb->pixels);
        SDL_FreeSurface(rgb);
    }
}

void FloorPass(benchmark::State& state, const Picture* p, bool hugePages) {
    const uint8_t* src = p->bytes.data() + p->pixelOffset;
    const size_t width = size_t(p->width);
    uint8_t palette[256][3];
    for (int i = 0; i < 256; ++i) {
        const uint8_t* e = p->bytes.data() + 54 + 4 * i;
        palette[i][0] = e[2], palette[i][1] = e[1], palette[i][2] = e[0];
    }
    const size_t bytesPerPixel = p->floor == Floor::Swizzle24 ? 3 : p->floor == Floor::Lookup8 ? 1 : 4;
    const size_t stride = (width * bytesPerPixel + 3) & ~size_t{3};
    for (auto _ : state) {
        auto* out = static_cast<uint8_t*>(std::malloc(width * kSide * 3));
        if (hugePages) {
            constexpr uintptr_t kHuge = uintptr_t{2} << 20;
            const uintptr_t start = (reinterpret_cast<uintptr_t>(out) + kHuge - 1) & ~(kHuge - 1);
            const uintptr_t end = (reinterpret_cast<uintptr_t>(out) + width * kSide * 3) & ~(kHuge - 1);
            madvise(reinterpret_cast<void*>(start), end - start, MADV_HUGEPAGE);
        }
        uint8_t* dst = out;
        for (int y = 0; y < kSide; ++y) {
            const uint8_t* s = src + stride * y;
            if (p->floor == Floor::Lookup8) {
                for (size_t x = 0; x < width; ++x, dst += 3) std::memcpy(dst, palette[s[x]], 3);
            } else {
                for (size_t x = 0; x < width; ++x, dst += 3, s += bytesPerPixel) {
                    dst[0] = s[2], dst[1] = s[1], dst[2] = s[0];
                }
            }
        }
        benchmark::DoNotOptimize(out);
        benchmark::ClobberMemory();
        std::free(out);
    }
}

void FloorPlain(benchmark::State& state, const Picture* p) { FloorPass(state, p, false); }
void FloorHugePages(benchmark::State& state, const Picture* p) { FloorPass(state, p, true); }

// Keeps each run's processor time per iteration (user and kernel, page faults included), by
// name, for the ratio table: on a shared two-core machine it wobbles less than wall time.
class RecordingReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (!RunWasSkipped(run)) times[run.run_name.function_name] = run.GetAdjustedCPUTime();
        }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> times;  // milliseconds
};

void PrintTable(const std::map<std::string, double>& t) {
    std::printf("\n%-18s %8s %8s %8s %8s %8s %9s %10s %10s  %s\n", "picture", "ours ms",
                "stb ms", "SDL ms", "floor ms", "fl-hp ms", "peer/ours", "ours/floor",
                "ours/fl-hp", "target");
    for (const Picture& p : Pictures()) {
        auto get = [&](const char* who) {
            const auto it = t.find(std::string(who) + "/" + p.label);
            return it == t.end() ? 0.0 : it->second;
        };
        const double ours = get("ours"), stb = get("stb"), sdl = get("sdl"), floor = get("floor"),
                     floorHp = get("floor-hp");
        const double peer = stb > 0 && stb < sdl ? stb : sdl;
        std::string target = "-";
        if (p.label == "24-bit" || p.label == "8-bit palette") {
            const bool met = peer / ours >= 1.5 && ours / floor <= 1.25;
            target = std::string(met ? "met" : "MISSED") + " (peer/ours >= 1.5, ours/floor <= 1.25)";
        } else if (p.label == "RLE8") {
            target = std::string(sdl / ours >= 2.0 ? "met" : "MISSED") + " (SDL/ours >= 2)";
        }
        auto cell = [](double v) {
            char text[16] = "n/a";
            if (v > 0 && std::isfinite(v)) std::snprintf(text, sizeof text, "%.2f", v);
            return std::string(text);
        };
        std::printf("%-18s %8s %8s %8s %8s %8s %9s %10s %10s  %s\n", p.label.c_str(),
                    cell(ours).c_str(), cell(stb).c_str(), cell(sdl).c_str(), cell(floor).c_str(),
                    cell(floorHp).c_str(), cell(peer / ours).c_str(), cell(ours / floor).c_str(),
                    cell(ours / floorHp).c_str(), target.c_str());
    }
}

}  // namespace

int main(int argc, char** argv) {
    char pattern[] = "/tmp/quorvane-bench-image-XXXXXX";
    if (!mkdtemp(pattern)) return 1;
    const std::string dir = pattern;
    WritePictures(dir);

    for (const Picture& p : Pictures()) {
        auto reg = [&](const char* who, void (*fn)(benchmark::State&, const Picture*)) {
            benchmark::RegisterBenchmark((std::string(who) + "/" + p.label).c_str(), fn, &p)
                ->Unit(benchmark::kMillisecond);
        };
        reg("ours", Ours);
        if (p.floor != Floor::None) reg("stb", Stb);  // stb_image reads no RLE bitmaps
        reg("sdl", Sdl);
        if (p.floor != Floor::None) reg("floor", FloorPlain), reg("floor-hp", FloorHugePages);
    }
    benchmark::Initialize(&argc, argv);
    RecordingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    PrintTable(reporter.times);
    std::filesystem::remove_all(dir);
    return 0;
}
