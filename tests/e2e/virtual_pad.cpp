// Preloaded into the program by the gamepad tests: a gamepad that SDL itself provides (a
// virtual game controller), driven by the lines a test appends to the file named by
// QUORVANE_PAD_COMMANDS. Before each frame is shown the new lines are carried out, in order:
//   attach                 plug the pad in (the program hears of it as of a real one)
//   detach                 unplug it
//   axis N VALUE           SDL game-controller axis N (leftx, lefty, rightx, righty,
//                          lefttrigger, righttrigger) to VALUE (-32768 to 32767)
//   button N 0|1           SDL game-controller button N released or pressed
//   frames N               let N frames be shown before the next line
// Each line done is written to QUORVANE_PAD_LOG with the number of frames shown before it, so
// a test waits on the program's own frames, never on the clock.
#include <SDL.h>
#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

struct Pad {
    long consumed = 0;  // bytes of the command file carried out
    unsigned long long frames = 0;
    unsigned long long resume = 0;  // the frame the line after a "frames" line waits for
    std::string waiting;            // that "frames" line, until then
    int index = -1;  // the virtual joystick's device index, -1 while unplugged
    SDL_Joystick* joystick = nullptr;
};
Pad pad;

void Log(const std::string& line, const char* outcome) {
    const char* path = std::getenv("QUORVANE_PAD_LOG");
    if (!path) return;
    if (std::FILE* log = std::fopen(path, "ab")) {
        std::fprintf(log, "%llu %s %s\n", pad.frames, outcome, line.c_str());
        std::fclose(log);
    }
}

bool Attach() {
    if (pad.joystick) return false;
    pad.index = SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_GAMECONTROLLER,
                                          SDL_CONTROLLER_AXIS_MAX, SDL_CONTROLLER_BUTTON_MAX, 0);
    if (pad.index < 0) return false;
    pad.joystick = SDL_JoystickOpen(pad.index);
    return pad.joystick != nullptr;
}

bool Detach() {
    if (!pad.joystick) return false;
    SDL_JoystickClose(pad.joystick);
    pad.joystick = nullptr;
    const bool done = SDL_JoystickDetachVirtual(pad.index) == 0;
    pad.index = -1;
    return done;
}

bool Carry(const std::string& line) {
    int control = 0, value = 0;
    if (line == "attach") return Attach();
    if (line == "detach") return Detach();
    if (!pad.joystick) return false;
    if (std::sscanf(line.c_str(), "axis %d %d", &control, &value) == 2)
        return SDL_JoystickSetVirtualAxis(pad.joystick, control, Sint16(value)) == 0;
    if (std::sscanf(line.c_str(), "button %d %d", &control, &value) == 2)
        return SDL_JoystickSetVirtualButton(pad.joystick, control, Uint8(value != 0)) == 0;
    return false;
}

void CarryNewLines() {
    if (!pad.waiting.empty()) {
        if (pad.frames < pad.resume) return;
        Log(pad.waiting, "done");
        pad.waiting.clear();
    }
    const char* path = std::getenv("QUORVANE_PAD_COMMANDS");
    std::FILE* commands = path ? std::fopen(path, "rb") : nullptr;
    if (!commands) return;
    std::fseek(commands, pad.consumed, SEEK_SET);
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, commands)) {
        const size_t length = std::strlen(buffer);
        if (length == 0 || buffer[length - 1] != '\n') break;  // a line still being written
        pad.consumed += long(length);
        const std::string line(buffer, length - 1);
        unsigned frames = 0;
        if (std::sscanf(line.c_str(), "frames %u", &frames) == 1) {
            pad.resume = pad.frames + frames;
            pad.waiting = line;
            break;
        }
        Log(line, Carry(line) ? "done" : "failed");
    }
    std::fclose(commands);
}

}  // namespace

extern "C" void SDL_GL_SwapWindow(SDL_Window* window) {
    using Fn = void (*)(SDL_Window*);
    static const Fn real = reinterpret_cast<Fn>(dlsym(RTLD_NEXT, "SDL_GL_SwapWindow"));
    CarryNewLines();
    ++pad.frames;
    if (real) real(window);
}
