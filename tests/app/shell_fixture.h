// Shared set-up for the shell's tests: a fresh fake platform, GL recorder and scene script,
// and small readers of what was recorded.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/app_main.h"
#include "app/requests.h"
#include "tests/app/scene_script.h"
#include "tests/fake_platform/fake_platform.h"
#include "tests/gl_recorder/gl_recorder.h"

class ShellTest : public ::testing::Test {
protected:
    void SetUp() override {
        fake_platform::Reset();
        gl_recorder::Reset();
        scene_script::Reset();
        appRunning = 0;
        wantFullscreen = 0;
    }

    static int32_t RunApp() { return AppMain(platform::CurrentModule(), nullptr, nullptr, 1); }

    // Arguments of every recorded call of one GL function.
    static std::vector<std::vector<double>> GlArgs(const std::string& name) {
        std::vector<std::vector<double>> out;
        for (const auto& call : gl_recorder::Calls())
            if (call.name == name) out.push_back(call.args);
        return out;
    }

    // The last of what was recorded: an empty record fails this test instead of crashing the
    // whole binary.
    template <typename T>
    static T Last(const std::vector<T>& recorded) {
        if (recorded.empty()) {
            ADD_FAILURE() << "nothing was recorded";
            return T{};
        }
        return recorded.back();
    }

    static std::vector<std::string> Texts() {
        std::vector<std::string> out;
        for (const auto& box : fake_platform::Boxes()) out.push_back(box.text);
        return out;
    }
};

inline constexpr const char* kQuestion = "Would You Like To Run In Fullscreen Mode?";
inline constexpr const char* kModeSwitchFailed = "Mode Switch Failed.\nRunning In Windowed Mode.";
