// The SDL key translation: virtual-key codes the keyboard controls read, and no code (rather
// than a read out of bounds) for keys the table does not know.
#include <gtest/gtest.h>

#include "platform/sdl/sdl_internal.h"

namespace {

uint32_t Vk(SDL_Scancode scancode, SDL_Keycode sym = SDLK_UNKNOWN) {
    SDL_Keysym key{};
    key.scancode = scancode;
    key.sym = sym;
    return platform::VirtualKey(key);
}

}  // namespace

TEST(SdlKeys, ControlKeysGetTheirVirtualKeyCodes) {
    EXPECT_EQ(Vk(SDL_SCANCODE_ESCAPE, SDLK_ESCAPE), 27u);
    for (int i = 0; i < 12; ++i)
        EXPECT_EQ(Vk(SDL_Scancode(SDL_SCANCODE_F1 + i), SDLK_F1 + i), 112u + i) << i;
    EXPECT_EQ(Vk(SDL_SCANCODE_LEFT), 37u);
    EXPECT_EQ(Vk(SDL_SCANCODE_UP), 38u);
    EXPECT_EQ(Vk(SDL_SCANCODE_RIGHT), 39u);
    EXPECT_EQ(Vk(SDL_SCANCODE_DOWN), 40u);
    EXPECT_EQ(Vk(SDL_SCANCODE_PAGEUP), 33u);
    EXPECT_EQ(Vk(SDL_SCANCODE_PAGEDOWN), 34u);
    EXPECT_EQ(Vk(SDL_SCANCODE_RETURN, SDLK_RETURN), 13u);
    EXPECT_EQ(Vk(SDL_SCANCODE_SPACE, SDLK_SPACE), 32u);
    EXPECT_EQ(Vk(SDL_SCANCODE_LSHIFT), 16u);
    EXPECT_EQ(Vk(SDL_SCANCODE_RALT), 18u);
    EXPECT_EQ(Vk(SDL_SCANCODE_KP_5), 0x65u);
}

TEST(SdlKeys, LettersFollowTheLayoutAndFallBackToThePosition) {
    const char* word = "WASDQE";
    for (const char* c = word; *c; ++c)
        EXPECT_EQ(Vk(SDL_SCANCODE_UNKNOWN, SDL_Keycode(*c - 'A' + 'a')), uint32_t(*c));
    // An AZERTY keyboard: the key at Q's place types 'a'.
    EXPECT_EQ(Vk(SDL_SCANCODE_Q, SDLK_a), uint32_t('A'));
    // A layout without Latin letters: the key's place decides.
    EXPECT_EQ(Vk(SDL_SCANCODE_W, 0x0446), uint32_t('W'));
    EXPECT_EQ(Vk(SDL_SCANCODE_Z, 0x044F), uint32_t('Z'));
    EXPECT_EQ(Vk(SDL_SCANCODE_0, SDLK_0), uint32_t('0'));
    EXPECT_EQ(Vk(SDL_SCANCODE_1, 0x0026), uint32_t('1'));  // '&' on the 1 key
    EXPECT_EQ(Vk(SDL_SCANCODE_9), uint32_t('9'));
}

TEST(SdlKeys, UnknownAndOutOfRangeScancodesGiveNoCode) {
    EXPECT_EQ(Vk(SDL_SCANCODE_UNKNOWN), 0u);
    EXPECT_EQ(Vk(SDL_SCANCODE_AUDIOPLAY), 0u);
    EXPECT_EQ(Vk(SDL_Scancode(SDL_NUM_SCANCODES)), 0u);
    EXPECT_EQ(Vk(SDL_Scancode(1023)), 0u);  // the largest value the enum can hold
}
