// Expected GL call sequences shared by the scene's tests, and their call-by-call comparison.
#pragma once

#include <gtest/gtest.h>

#include <vector>

#include "tests/gl_recorder/gl_recorder.h"

namespace expected_calls {

using gl_recorder::Call;

// What creating a texture from a width x height bitmap sends, for the recorder's first name.
inline std::vector<Call> TextureUpload(int width, int height) {
    return {
        {"glGenTextures", {1}},
        {"glBindTexture", {0x0DE1, 1}},
        {"glPushClientAttrib", {0x1}},   // GL_CLIENT_PIXEL_STORE_BIT
        {"glPixelStorei", {0x0CF5, 1}},  // rows tightly packed
        {"gluBuild2DMipmaps", {0x0DE1, 3, double(width), double(height), 0x1907, 0x1401, 1}},
        {"glPopClientAttrib", {}},
        {"glTexParameteri", {0x0DE1, 0x2801, 0x2703}},
        {"glTexParameteri", {0x0DE1, 0x2800, 0x2601}},
    };
}

// The same calls, in the same order, with the same arguments.
inline void ExpectCalls(const std::vector<Call>& actual, const std::vector<Call>& expected) {
    ASSERT_EQ(actual.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(actual[i].name, expected[i].name) << "call " << i;
        EXPECT_EQ(actual[i].args, expected[i].args) << "call " << i << " " << actual[i].name;
    }
}

}  // namespace expected_calls
