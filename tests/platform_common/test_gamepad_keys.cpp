// The one mapping of a gamepad to keys that every backend uses: each control to its key, the
// dead zones, letting go, and sharing keys with the keyboard.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "platform/common/gamepad_keys.h"
#include "platform/platform.h"

namespace platform {
namespace {

// A stick's or trigger's axis pushed towards sign, or a button (axis null).
struct ControlCase {
    const char* name;
    float GamepadState::*axis;
    float sign;
    uint32_t button;
    uint32_t vk;
};

void Push(GamepadState& pad, const ControlCase& control, float amount) {
    if (control.axis) pad.*control.axis = control.sign * amount;
    else if (amount > 0.5f) pad.buttons = control.button;  // a button is pressed or not
}

// Each control pushed fully holds exactly its key; pushed inside the dead zone, nothing.
class GamepadControl : public testing::TestWithParam<ControlCase> {};

TEST_P(GamepadControl, HoldsItsKeyOnlyBeyondTheDeadZone) {
    GamepadState pad;
    Push(pad, GetParam(), 1.0f);
    KeySet expected;
    expected.set(GetParam().vk);
    EXPECT_EQ(GamepadKeys(pad), expected);

    GamepadState resting;
    Push(resting, GetParam(), 0.3f);
    EXPECT_TRUE(GamepadKeys(resting).none()) << GamepadKeys(resting);
}

using S = GamepadState;
const ControlCase CONTROLS[] = {
    {"LeftStickLeft", &S::leftX, -1, 0, 'A'},
    {"LeftStickRight", &S::leftX, +1, 0, 'D'},
    {"LeftStickUp", &S::leftY, -1, 0, 'W'},
    {"LeftStickDown", &S::leftY, +1, 0, 'S'},
    {"RightTrigger", &S::rightTrigger, +1, 0, 'Q'},
    {"LeftTrigger", &S::leftTrigger, +1, 0, 'E'},
    {"RightStickLeft", &S::rightX, -1, 0, VK_LEFT},
    {"RightStickRight", &S::rightX, +1, 0, VK_RIGHT},
    {"RightStickUp", &S::rightY, -1, 0, VK_UP},
    {"RightStickDown", &S::rightY, +1, 0, VK_DOWN},
    {"DpadUp", nullptr, 0, PAD_DPAD_UP, VK_UP},
    {"DpadDown", nullptr, 0, PAD_DPAD_DOWN, VK_DOWN},
    {"DpadLeft", nullptr, 0, PAD_DPAD_LEFT, VK_LEFT},
    {"DpadRight", nullptr, 0, PAD_DPAD_RIGHT, VK_RIGHT},
    {"RightShoulder", nullptr, 0, PAD_RIGHT_SHOULDER, VK_PRIOR},
    {"LeftShoulder", nullptr, 0, PAD_LEFT_SHOULDER, VK_NEXT},
    {"Start", nullptr, 0, PAD_START, VK_F1},
    {"Back", nullptr, 0, PAD_BACK, VK_ESCAPE},
};
INSTANTIATE_TEST_SUITE_P(Standard, GamepadControl, testing::ValuesIn(CONTROLS),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(GamepadKeys, FaceButtonsAndNonsenseHoldNothing) {
    GamepadState pad;
    pad.buttons = PAD_A | PAD_B | PAD_X | PAD_Y;
    const float nan = std::numeric_limits<float>::quiet_NaN();
    pad.leftX = pad.leftY = pad.rightX = pad.rightY = pad.leftTrigger = pad.rightTrigger = nan;
    EXPECT_TRUE(GamepadKeys(pad).none());
}

KeySet Keys(std::initializer_list<uint32_t> vks) {
    KeySet keys;
    for (uint32_t vk : vks) keys.set(vk);
    return keys;
}

using Changes = std::vector<KeyChange>;

// A pad unplugged or the focus lost lets every key go, key-ups before the next key-downs.
TEST(GamepadKeys, LettingGoReleasesEveryHeldKeyOnceUpsFirst) {
    KeySources sources;
    EXPECT_EQ(GamepadKeysChanged(sources, Keys({'W', 'D'})), (Changes{{'D', true}, {'W', true}}));
    EXPECT_TRUE(GamepadKeysChanged(sources, Keys({'W', 'D'})).empty());
    EXPECT_EQ(GamepadKeysChanged(sources, Keys({'D', 'Q'})), (Changes{{'W', false}, {'Q', true}}));
    EXPECT_EQ(GamepadKeysChanged(sources, {}), (Changes{{'D', false}, {'Q', false}}));
    EXPECT_TRUE(GamepadKeysChanged(sources, {}).empty());
}

// The keyboard and a pad holding the same key: whichever lets go first leaves it held, the last
// one lets it go; the pad never presses a key the keyboard already holds.
TEST(GamepadKeys, KeyboardAndPadShareAKeyWithoutReleasingEachOther) {
    KeySources sources;
    EXPECT_TRUE(KeyboardKeyChanged(sources, 'W', true));
    EXPECT_TRUE(GamepadKeysChanged(sources, Keys({'W'})).empty());
    EXPECT_TRUE(KeyboardKeyChanged(sources, 'W', true));  // a repeat still reaches the window
    EXPECT_FALSE(KeyboardKeyChanged(sources, 'W', false));
    EXPECT_EQ(GamepadKeysChanged(sources, {}), (Changes{{'W', false}}));

    EXPECT_EQ(GamepadKeysChanged(sources, Keys({'S'})), (Changes{{'S', true}}));
    EXPECT_TRUE(KeyboardKeyChanged(sources, 'S', true));
    EXPECT_TRUE(GamepadKeysChanged(sources, {}).empty());
    EXPECT_TRUE(KeyboardKeyChanged(sources, 'S', false));
    EXPECT_TRUE(KeyboardKeyChanged(sources, 0x1000, false));  // no code of ours: passed on
}

}  // namespace
}  // namespace platform
