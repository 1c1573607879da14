// Every file of the bitmap fuzz corpus decodes to the outcome kept for it beside the corpus: the
// error, or the picture's size and a digest of its pixels. A decoder that starts refusing good
// files, or swaps channels, fails here even though it never crashes.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>

#include "tests/image/bitmap_test_util.h"

namespace {

const char* ErrorName(BitmapError error) {
    switch (error) {
        case BitmapError::None: return "None";
        case BitmapError::OpenFailed: return "OpenFailed";
        case BitmapError::OutOfMemory: return "OutOfMemory";
        case BitmapError::UnknownFormat: return "UnknownFormat";
        case BitmapError::ConversionFailed: return "ConversionFailed";
    }
    return "?";
}

// "error <name>" or "<width>x<height> <FNV-1a digest of the RGB bytes>".
std::string Outcome(const std::vector<uint8_t>& file) {
    const Decoded d = Decode(file);
    if (d.error != BitmapError::None) return std::string("error ") + ErrorName(d.error);
    uint64_t digest = 0xcbf29ce484222325u;
    for (uint8_t byte : d.rgb) digest = (digest ^ byte) * 0x100000001b3u;
    char text[64];
    std::snprintf(text, sizeof text, "%dx%d %016llx", d.width, d.height,
                  static_cast<unsigned long long>(digest));
    return text;
}

std::vector<uint8_t> ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(CorpusOutcome, EveryCorpusFileDecodesAsRecorded) {
    const std::filesystem::path corpus = QUORVANE_BITMAP_CORPUS;
    std::ifstream list(corpus.string() + ".expected");
    ASSERT_TRUE(list) << "no outcome list beside " << corpus;
    std::map<std::string, std::string> expected;
    for (std::string line; std::getline(list, line);) {
        if (line.empty() || line[0] == '#') continue;
        const size_t space = line.find(' ');
        ASSERT_NE(space, std::string::npos) << line;
        expected[line.substr(0, space)] = line.substr(space + 1);
    }

    std::map<std::string, std::string> seen;
    for (const auto& entry : std::filesystem::directory_iterator(corpus)) {
        if (entry.is_regular_file()) {
            seen[entry.path().filename().string()] = Outcome(ReadFile(entry.path()));
        }
    }
    ASSERT_GE(seen.size(), 40u) << "the corpus went missing";
    // On a mismatch, the list as it would be now, for review.
    std::ostringstream now;
    for (const auto& [name, outcome] : seen) now << name << ' ' << outcome << '\n';
    EXPECT_EQ(seen, expected) << "outcomes now:\n" << now.str();
}

}  // namespace
