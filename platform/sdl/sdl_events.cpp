// SDL2 events as window messages: the translation of SDL events into the queue (a table for
// window events, a table for keys, gamepads as keys), the waits on it and the modal message boxes.
#include <array>
#include <csignal>
#include <utility>

#include "platform/common/key_messages.h"
#include "platform/common/message_box.h"
#include "platform/sdl/sdl_internal.h"

namespace platform {
namespace {

// Scancode -> virtual-key code. Letters and digits are looked up by keycode first so that they
// follow the keyboard layout; the scancode rows below are the fallback.
constexpr std::array<uint8_t, SDL_NUM_SCANCODES> MakeKeyTable() {
    std::array<uint8_t, SDL_NUM_SCANCODES> t{};
    for (int i = 0; i < 26; ++i) t[SDL_SCANCODE_A + i] = uint8_t('A' + i);
    for (int i = 0; i < 9; ++i) t[SDL_SCANCODE_1 + i] = uint8_t('1' + i);
    t[SDL_SCANCODE_0] = '0';
    for (int i = 0; i < 12; ++i) t[SDL_SCANCODE_F1 + i] = uint8_t(VK_F1 + i);
    for (int i = 0; i < 12; ++i) t[SDL_SCANCODE_F13 + i] = uint8_t(VK_F12 + 1 + i);
    for (int i = 0; i < 9; ++i) t[SDL_SCANCODE_KP_1 + i] = uint8_t(0x61 + i);
    const std::pair<SDL_Scancode, uint8_t> named[] = {
        {SDL_SCANCODE_ESCAPE, VK_ESCAPE}, {SDL_SCANCODE_RETURN, VK_RETURN},
        {SDL_SCANCODE_TAB, VK_TAB}, {SDL_SCANCODE_BACKSPACE, VK_BACK},
        {SDL_SCANCODE_SPACE, VK_SPACE}, {SDL_SCANCODE_PAGEUP, VK_PRIOR},
        {SDL_SCANCODE_PAGEDOWN, VK_NEXT}, {SDL_SCANCODE_END, VK_END},
        {SDL_SCANCODE_HOME, VK_HOME}, {SDL_SCANCODE_LEFT, VK_LEFT}, {SDL_SCANCODE_UP, VK_UP},
        {SDL_SCANCODE_RIGHT, VK_RIGHT}, {SDL_SCANCODE_DOWN, VK_DOWN},
        {SDL_SCANCODE_INSERT, VK_INSERT}, {SDL_SCANCODE_DELETE, VK_DELETE},
        {SDL_SCANCODE_LSHIFT, VK_SHIFT}, {SDL_SCANCODE_RSHIFT, VK_SHIFT},
        {SDL_SCANCODE_LCTRL, VK_CONTROL}, {SDL_SCANCODE_RCTRL, VK_CONTROL},
        {SDL_SCANCODE_LALT, VK_MENU}, {SDL_SCANCODE_RALT, VK_MENU},
        {SDL_SCANCODE_PAUSE, VK_PAUSE}, {SDL_SCANCODE_CAPSLOCK, VK_CAPITAL},
        {SDL_SCANCODE_PRINTSCREEN, 0x2C}, {SDL_SCANCODE_LGUI, 0x5B}, {SDL_SCANCODE_RGUI, 0x5C},
        {SDL_SCANCODE_APPLICATION, 0x5D}, {SDL_SCANCODE_KP_0, 0x60},
        {SDL_SCANCODE_KP_MULTIPLY, 0x6A}, {SDL_SCANCODE_KP_PLUS, 0x6B},
        {SDL_SCANCODE_KP_MINUS, 0x6D}, {SDL_SCANCODE_KP_PERIOD, 0x6E},
        {SDL_SCANCODE_KP_DIVIDE, 0x6F}, {SDL_SCANCODE_KP_ENTER, VK_RETURN},
        {SDL_SCANCODE_NUMLOCKCLEAR, 0x90}, {SDL_SCANCODE_SCROLLLOCK, 0x91},
        {SDL_SCANCODE_SEMICOLON, 0xBA}, {SDL_SCANCODE_EQUALS, 0xBB},
        {SDL_SCANCODE_COMMA, 0xBC}, {SDL_SCANCODE_MINUS, 0xBD}, {SDL_SCANCODE_PERIOD, 0xBE},
        {SDL_SCANCODE_SLASH, 0xBF}, {SDL_SCANCODE_GRAVE, 0xC0},
        {SDL_SCANCODE_LEFTBRACKET, 0xDB}, {SDL_SCANCODE_BACKSLASH, 0xDC},
        {SDL_SCANCODE_RIGHTBRACKET, 0xDD}, {SDL_SCANCODE_APOSTROPHE, 0xDE},
    };
    for (auto [scancode, vk] : named) t[scancode] = vk;
    return t;
}
constexpr auto kKeyTable = MakeKeyTable();

// A quit event and a close event may both stand for one click on the close box.
void PostCloseOnce(Window& w) {
    for (const Message& m : Registry().queue)
        if (m.window == &w && m.message == WM_CLOSE) return;
    Post(w, WM_CLOSE, 0, 0);
}

// A quit request closes every window through its WM_CLOSE, once per window, including windows
// made after it came (it may arrive while a box is up and no window exists, or while F1 is
// replacing the window), so the program always leaves through its normal shutdown.
void PostQuitRequests() {
    for (auto& entry : Registry().windows) {
        Window& w = *entry.window;
        if (w.quitPosted) continue;
        w.quitPosted = true;
        PostCloseOnce(w);
    }
}

// The terminal that started us went away. SDL's SIGTERM handler turns the signal into a quit
// event at the next pump and also breaks a blocked wait, so a hang-up is passed on as SIGTERM.
void OnHangUp(int) { std::raise(SIGTERM); }

void TranslateWindowEvent(Window& w, uint8_t event) {
    LearnFrame(w);
    const bool maximized = (SDL_GetWindowFlags(w.sdl) & SDL_WINDOW_MAXIMIZED) != 0;
    switch (event) {
        case SDL_WINDOWEVENT_CLOSE: PostCloseOnce(w); break;
        case SDL_WINDOWEVENT_MINIMIZED: Post(w, WM_SIZE, SIZE_MINIMIZED, 0); break;
        case SDL_WINDOWEVENT_MAXIMIZED: Post(w, WM_SIZE, SIZE_MAXIMIZED, ClientSizeParam(w)); break;
        case SDL_WINDOWEVENT_RESTORED: Post(w, WM_SIZE, SIZE_RESTORED, ClientSizeParam(w)); break;
        case SDL_WINDOWEVENT_SIZE_CHANGED:
            Post(w, WM_SIZE, maximized ? SIZE_MAXIMIZED : SIZE_RESTORED, ClientSizeParam(w));
            break;
        default: break;
    }
}

void TranslateKey(Window& w, const SDL_KeyboardEvent& key) {
    const uint32_t vk = VirtualKey(key.keysym);
    if (vk == 0 || !KeyboardKeyChanged(State().keys, vk, key.type == SDL_KEYDOWN)) return;
    PostKeyMessage(w, vk, key.type == SDL_KEYDOWN, key.repeat != 0,
                   (key.keysym.mod & KMOD_ALT) != 0, uint32_t(key.keysym.scancode));
}

void Translate(const SDL_Event& e) {
    PlatformState& s = State();
    if (e.type == SDL_QUIT) {  // SIGINT, SIGTERM, SIGHUP or the session ending: as the close box
        s.quitRequested = true;
    } else if (e.type == SDL_WINDOWEVENT) {
        if (Window* w = FindSdlWindow(e.window.windowID)) TranslateWindowEvent(*w, e.window.event);
    } else if (e.type == SDL_KEYDOWN || e.type == SDL_KEYUP) {
        Window* w = FindSdlWindow(e.key.windowID);
        if (!w) w = FirstWindow();
        if (w) TranslateKey(*w, e.key);
    } else {
        GamepadEvent(e);
    }
}

}  // namespace

uint32_t VirtualKey(const SDL_Keysym& key) {
    if (key.sym >= 'a' && key.sym <= 'z') return uint32_t(key.sym - 'a' + 'A');
    if (key.sym >= '0' && key.sym <= '9') return uint32_t(key.sym);
    const int scancode = int(key.scancode);
    if (scancode < 0 || scancode >= int(kKeyTable.size())) return 0;
    return kKeyTable[size_t(scancode)];
}

void StartEvents() {
    static bool started = false;
    if (started) return;
    started = true;
    // Kept for the whole run: SDL removes its handlers when its event handling stops.
    if (SDL_InitSubSystem(SDL_INIT_EVENTS) != 0) return;
    struct sigaction term {}, hangUp {};
    sigaction(SIGTERM, nullptr, &term);
    sigaction(SIGHUP, nullptr, &hangUp);
    // Only where SDL handles SIGTERM, and not when the user asked to ignore hang-ups (nohup).
    const bool sdlHandlesTerm = !(term.sa_flags & SA_SIGINFO) && term.sa_handler != SIG_DFL &&
                                term.sa_handler != SIG_IGN;
    if (sdlHandlesTerm && !(hangUp.sa_flags & SA_SIGINFO) && hangUp.sa_handler == SIG_DFL) {
        hangUp.sa_handler = OnHangUp;
        sigemptyset(&hangUp.sa_mask);
        hangUp.sa_flags = 0;
        sigaction(SIGHUP, &hangUp, nullptr);
    }
}

size_t PumpEvents() {
    PlatformState& s = State();
    if (!s.videoReady) return 0;
    auto& queue = Registry().queue;
    const size_t before = queue.size();
    UpdateGamepads();
    SDL_Event e;
    while (SDL_PollEvent(&e)) Translate(e);
    ReadGamepads();
    if (s.quitRequested) PostQuitRequests();
    return queue.size() - before;
}

void MessagePosted() {}  // a waiting SDL_WaitEvent is woken by the event itself

bool PeekMessage(Message& message, WindowHandle window) {
    PumpEvents();
    return TakeMessage(message, window);
}

void WaitMessage() {
    WindowRegistry& r = Registry();
    if (!State().videoReady || r.windows.empty()) return;  // nothing could ever arrive
    for (;;) {
        SDL_Event e;
        if (!SDL_WaitEvent(&e)) return;
        const size_t before = r.queue.size();
        Translate(e);
        PumpEvents();
        if (r.queue.size() > before) return;  // events such as mouse motion wake nobody
    }
}

int ShowMessageBox(WindowHandle owner, const char* text, const char* caption, uint32_t style) {
    // The box cannot be interrupted; a signal while it is up ends the program once it is gone.
    StartEvents();
    const bool question = (style & 0x0F) == MB_YESNO;
    static const SDL_MessageBoxButtonData yesNo[] = {
        {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT, IDYES, "Yes"},
        {SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, IDNO, "No"},
    };
    static const SDL_MessageBoxButtonData ok[] = {
        {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT | SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, IDOK,
         "OK"},
    };
    uint32_t flags = SDL_MESSAGEBOX_BUTTONS_LEFT_TO_RIGHT;
    if ((style & 0xF0) == MB_ICONEXCLAMATION) flags |= SDL_MESSAGEBOX_WARNING;
    else if ((style & 0xF0) == MB_ICONQUESTION) flags |= SDL_MESSAGEBOX_INFORMATION;
    Window* w = FindWindow(owner);
    const SDL_MessageBoxData box{flags, w ? w->sdl : nullptr, caption ? caption : "",
                                 text ? text : "", question ? 2 : 1, question ? yesNo : ok,
                                 nullptr};
    int answer = -1;
    // No answer is a box closed without a button, or one nobody saw: SDL reports success when
    // its zenity helper cannot reach a display.
    if (SDL_ShowMessageBox(&box, &answer) != 0 || answer == -1)
        return AnswerWithoutBox(text, caption, style);
    return answer;
}

}  // namespace platform
