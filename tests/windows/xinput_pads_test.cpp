// XInput read into keys, under a scripted XInputGetState: the axes' directions and scales, pads
// plugged in and out, and empty slots left alone between their once-a-second tries.
#include <gtest/gtest.h>

#include "platform/win32/win32_xinput.h"

namespace platform {
namespace {

struct Script {
    bool connected[XUSER_MAX_COUNT] = {};
    XINPUT_GAMEPAD pad[XUSER_MAX_COUNT] = {};
    int calls[XUSER_MAX_COUNT] = {};
};
Script script;

DWORD WINAPI ScriptedGetState(DWORD slot, XINPUT_STATE* state) {
    if (slot >= XUSER_MAX_COUNT) return ERROR_BAD_ARGUMENTS;
    ++script.calls[slot];
    if (!script.connected[slot]) return ERROR_DEVICE_NOT_CONNECTED;
    state->Gamepad = script.pad[slot];
    return ERROR_SUCCESS;
}

KeySet Keys(std::initializer_list<uint32_t> vks) {
    KeySet keys;
    for (uint32_t vk : vks) keys.set(vk);
    return keys;
}

class XInputRead : public testing::Test {
protected:
    void SetUp() override {
        script = Script{};
        pads.getState = ScriptedGetState;
    }
    XInputPads pads;
};

// XInput counts a stick pushed up as positive, the standard layout as negative; triggers run to
// 255. Two pads together hold the keys of both.
TEST_F(XInputRead, SticksTriggersAndButtonsOfEveryPadBecomeTheirKeys) {
    script.connected[0] = script.connected[3] = true;
    script.pad[0].sThumbLY = 32767;    // up: W
    script.pad[0].sThumbRX = -32768;   // left: Left
    script.pad[0].bRightTrigger = 255;  // Q
    script.pad[0].sThumbLX = 7000;     // inside the dead zone
    script.pad[3].sThumbRY = -20000;   // down: Down
    script.pad[3].bLeftTrigger = 60;   // inside the dead zone
    script.pad[3].wButtons =
        XINPUT_GAMEPAD_START | XINPUT_GAMEPAD_RIGHT_SHOULDER | XINPUT_GAMEPAD_A;  // A: no key
    EXPECT_EQ(ReadXInput(pads, 100), Keys({'W', VK_LEFT, 'Q', VK_DOWN, VK_F1, VK_PRIOR}));
    EXPECT_TRUE(AnyPadConnected(pads));
}

// A pad unplugged lets its keys go at once; its slot, like every empty one, is searched again
// only a second later, and a pad plugged in there then counts from that try on.
TEST_F(XInputRead, EmptySlotsAreTriedOnceASecondAndUnpluggedPadsLetGo) {
    script.connected[1] = true;
    script.pad[1].wButtons = XINPUT_GAMEPAD_BACK;
    EXPECT_EQ(ReadXInput(pads, 0xFFFFFF00u), Keys({VK_ESCAPE}));
    EXPECT_EQ(ReadXInput(pads, 0xFFFFFF10u), Keys({VK_ESCAPE}));
    EXPECT_EQ(script.calls[0], 1);
    EXPECT_EQ(script.calls[1], 2);

    script.connected[1] = false;
    EXPECT_TRUE(ReadXInput(pads, 0xFFFFFF20u).none());
    EXPECT_FALSE(AnyPadConnected(pads));
    script.connected[1] = true;
    EXPECT_TRUE(ReadXInput(pads, 0xFFFFFF20u + XINPUT_RETRY_MILLISECONDS - 1).none());
    EXPECT_EQ(script.calls[1], 3);
    // The tick counter wraps in between.
    EXPECT_EQ(ReadXInput(pads, 0xFFFFFF20u + XINPUT_RETRY_MILLISECONDS), Keys({VK_ESCAPE}));
    EXPECT_EQ(script.calls[1], 4);
    EXPECT_EQ(script.calls[0], 2);
}

TEST_F(XInputRead, NoXInputReadsNothing) {
    pads.getState = nullptr;
    EXPECT_TRUE(ReadXInput(pads, 0).none());
    EXPECT_FALSE(AnyPadConnected(pads));
}

}  // namespace
}  // namespace platform
