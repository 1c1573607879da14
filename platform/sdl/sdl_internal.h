// State shared by the SDL implementation of platform.h: its windows' SDL side and the display
// switch (the classes, windows and queue are kept in common/window_registry.h). Only
// platform/sdl/ and its tests include this (and with it SDL).
#pragma once

#include <SDL.h>

#include <string>

#include "platform/common/gamepad_keys.h"
#include "platform/common/window_registry.h"

namespace platform {

// The GL framebuffer attributes an X11 window's visual is chosen from when it is created.
struct GlAttributes {
    int red, green, blue, alpha, depth, stencil, doubleBuffer;
    bool operator==(const GlAttributes&) const = default;
};

struct Context {
    SDL_GLContext gl;
};

struct Window {
    SDL_Window* sdl = nullptr;
    std::string title;
    uint32_t sdlFlags = 0;
    int32_t x = 0, y = 0, clientWidth = 0, clientHeight = 0;
    bool framed = false;
    bool fullscreenMode = false;  // shows in the switched display mode
    bool quitPosted = false;  // a quit request (signal, session end) became its WM_CLOSE
    GlAttributes createdWith{};
};

// Decoration sizes of framed windows, learnt from the window manager once a frame was seen.
struct FrameExtents {
    int top = 0, left = 0, bottom = 0, right = 0;
};

struct PlatformState {
    bool videoReady = false;
    FrameExtents frame;
    GlAttributes applied{};  // what SDL's GL attributes are set to; zero = SDL's defaults
    bool quitRequested = false;  // sticky: every window, now or later, is asked to close
    bool modeSwitched = false;
    bool needsFullscreen = false;  // the switched mode differs from the desktop's
    SDL_DisplayMode switchedMode{};
    KeySources keys;  // held on the keyboard and on the gamepads
};

PlatformState& State();
Window* FindSdlWindow(uint32_t sdlWindowId);
// A new SDL window for the record's title, place, client size and flags, in the switched
// display mode when it shows full screen.
SDL_Window* MakeSdlWindow(const Window& w);
// Remembers the window manager's frame around a framed window once it is known.
void LearnFrame(const Window& window);
// Starts SDL's event handling, once, before the first box or window: from then on SIGINT,
// SIGTERM and SIGHUP become a quit request instead of ending the process on the spot.
void StartEvents();
// Moves every pending SDL event into the message queue; returns how many messages it added.
size_t PumpEvents();
// Gamepads (sdl_gamepads.cpp): started and stopped with video (stopping lets their keys go);
// updated before the events are taken (their events join them); an SDL event about a pad
// plugged in or out, true when it was one; and the pads read after the events, their keys
// posted to the focused window.
void StartGamepads();
void StopGamepads();
void UpdateGamepads();
bool GamepadEvent(const SDL_Event& e);
void ReadGamepads();
// Virtual-key code of an SDL key, 0 when the program has no code for it.
uint32_t VirtualKey(const SDL_Keysym& key);

}  // namespace platform
