// The display-mode guard of x11_mode_guard.h: posix_spawn of /proc/self/exe with the guard's
// end of a socket pair, and the guard itself, which takes over before main() and speaks XRandR.
// The program keeps its one thread; the guard is its child until it ends, and it ends with the
// program: at the program's word that all is well, or at the end of the socket, which the
// kernel closes however the program ends.
#include "platform/sdl/x11_mode_guard.h"

#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

extern char** environ;

namespace platform {
namespace {

constexpr const char* kGuardVariable = "QUORVANE_MODE_GUARD";  // the guard's socket descriptor
constexpr char kReady = 'R';    // guard -> program: the desktop's mode is noted
constexpr char kRestored = 'D'; // program -> guard: the desktop has its mode back
constexpr int kReadyMilliseconds = 2000;

// -- the guard ---------------------------------------------------------------------------

struct CrtcState {
    RRCrtc crtc;
    int x, y;
    RRMode mode;
    Rotation rotation;
    std::vector<RROutput> outputs;
};

struct DesktopMode {
    int width = 0, height = 0, widthMm = 0, heightMm = 0;
    std::vector<CrtcState> crtcs;
};

int IgnoreXError(Display*, XErrorEvent*) { return 0; }
int EndOnLostServer(Display*) { _exit(0); }  // no server, no mode to put back

std::vector<CrtcState> ReadCrtcs(Display* display, Window root) {
    std::vector<CrtcState> crtcs;
    XRRScreenResources* resources = XRRGetScreenResourcesCurrent(display, root);
    if (!resources) return crtcs;
    for (int i = 0; i < resources->ncrtc; ++i) {
        XRRCrtcInfo* info = XRRGetCrtcInfo(display, resources, resources->crtcs[i]);
        if (!info) continue;
        crtcs.push_back({resources->crtcs[i], info->x, info->y, info->mode, info->rotation,
                         std::vector<RROutput>(info->outputs, info->outputs + info->noutput)});
        XRRFreeCrtcInfo(info);
    }
    XRRFreeScreenResources(resources);
    return crtcs;
}

bool SameCrtc(const CrtcState& a, const CrtcState& b) {
    return a.crtc == b.crtc && a.x == b.x && a.y == b.y && a.mode == b.mode &&
           a.rotation == b.rotation && a.outputs == b.outputs;
}

DesktopMode ReadDesktopMode(Display* display) {
    const int screen = DefaultScreen(display);
    DesktopMode desktop{DisplayWidth(display, screen), DisplayHeight(display, screen),
                        DisplayWidthMM(display, screen), DisplayHeightMM(display, screen),
                        ReadCrtcs(display, RootWindow(display, screen))};
    // RandR refuses a screen size of 0 mm; a server that reports none gets 96 dots per inch.
    if (desktop.widthMm <= 0 || desktop.heightMm <= 0) {
        desktop.widthMm = int(desktop.width * 25.4 / 96 + 0.5);
        desktop.heightMm = int(desktop.height * 25.4 / 96 + 0.5);
    }
    return desktop;
}

// Puts the noted mode back the way xrandr does: CRTCs the desktop's screen cannot hold are
// switched off, the screen gets its size, then every CRTC that differs gets its noted setting.
void RestoreDesktopMode(Display* display, const DesktopMode& desktop) {
    const Window root = DefaultRootWindow(display);
    XGrabServer(display);
    XRRScreenResources* resources = XRRGetScreenResourcesCurrent(display, root);
    if (resources) {
        const std::vector<CrtcState> now = ReadCrtcs(display, root);
        for (const CrtcState& was : desktop.crtcs) {
            for (const CrtcState& is : now) {
                if (is.crtc != was.crtc || SameCrtc(is, was) || is.mode == None) continue;
                XRRCrtcInfo* info = XRRGetCrtcInfo(display, resources, is.crtc);
                const bool fits = info && is.x + int(info->width) <= desktop.width &&
                                  is.y + int(info->height) <= desktop.height;
                if (info) XRRFreeCrtcInfo(info);
                if (!fits)
                    XRRSetCrtcConfig(display, resources, is.crtc, CurrentTime, 0, 0, None,
                                     RR_Rotate_0, nullptr, 0);
            }
        }
        // Xlib's screen record keeps the size it connected with; the root window has the
        // size of now.
        Window ignoredRoot;
        int ignoredX, ignoredY;
        unsigned width = 0, height = 0, border, depth;
        XGetGeometry(display, root, &ignoredRoot, &ignoredX, &ignoredY, &width, &height, &border,
                     &depth);
        if (int(width) != desktop.width || int(height) != desktop.height)
            XRRSetScreenSize(display, root, desktop.width, desktop.height, desktop.widthMm,
                             desktop.heightMm);
        const std::vector<CrtcState> current = ReadCrtcs(display, root);
        for (const CrtcState& was : desktop.crtcs) {
            bool same = false;
            for (const CrtcState& is : current) same = same || SameCrtc(is, was);
            if (!same)
                XRRSetCrtcConfig(display, resources, was.crtc, CurrentTime, was.x, was.y, was.mode,
                                 was.rotation, const_cast<RROutput*>(was.outputs.data()),
                                 int(was.outputs.size()));
        }
        XRRFreeScreenResources(resources);
    }
    XUngrabServer(display);
    XSync(display, False);
}

int GuardMain(int channel) {
    unsetenv(kGuardVariable);
    // Nothing of the program's may stay open here: a copy of its X connection would keep its
    // windows on the screen after it died.
    constexpr int kChannel = 3;
    if (channel != kChannel) {
        if (dup2(channel, kChannel) != kChannel) return 1;
        channel = kChannel;
    }
    closefrom(kChannel + 1);
    signal(SIGPIPE, SIG_IGN);
    Display* display = XOpenDisplay(nullptr);
    int eventBase = 0, errorBase = 0;
    if (!display || !XRRQueryExtension(display, &eventBase, &errorBase)) return 1;
    XSetErrorHandler(IgnoreXError);
    XSetIOErrorHandler(EndOnLostServer);
    const DesktopMode desktop = ReadDesktopMode(display);
    if (write(channel, &kReady, 1) != 1) return 1;
    char word = 0;
    ssize_t got;
    do got = read(channel, &word, 1);
    while (got < 0 && errno == EINTR);
    if (got != 1 || word != kRestored) RestoreDesktopMode(display, desktop);
    XCloseDisplay(display);
    return 0;
}

// Before main(): a process started as the guard runs the guard and nothing else.
[[gnu::constructor]] void RunGuardIfAsked() {
    const char* channel = std::getenv(kGuardVariable);
    if (channel && *channel) _exit(GuardMain(std::atoi(channel)));
}

// -- the program's side -------------------------------------------------------------------

struct Guard {
    pid_t pid = -1;
    int socket = -1;
};

Guard& TheGuard() {
    static Guard guard;
    return guard;
}

void EndGuard(Guard& guard, bool restored) {
    if (restored) {
        ssize_t sent;
        do sent = write(guard.socket, &kRestored, 1);
        while (sent < 0 && errno == EINTR);
    }
    close(guard.socket);
    if (!restored) kill(guard.pid, SIGKILL);
    while (waitpid(guard.pid, nullptr, 0) < 0 && errno == EINTR) {}
    guard = Guard{};
}

bool WaitForReady(int socket) {
    pollfd entry{socket, POLLIN, 0};
    int ready;
    do ready = poll(&entry, 1, kReadyMilliseconds);
    while (ready < 0 && errno == EINTR);
    char word = 0;
    return ready == 1 && read(socket, &word, 1) == 1 && word == kReady;
}

}  // namespace

bool StartModeGuard() {
    Guard& guard = TheGuard();
    if (guard.pid > 0) return true;
    int ends[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) return false;
    // The guard's end under a number of its own, without close-on-exec.
    const int childEnd = ends[1] == 3 ? 4 : 3;
    std::vector<std::string> variables;
    for (char** e = environ; *e; ++e)
        if (std::strncmp(*e, kGuardVariable, std::strlen(kGuardVariable)) != 0)
            variables.emplace_back(*e);
    variables.push_back(std::string(kGuardVariable) + "=" + std::to_string(childEnd));
    std::vector<char*> envp;
    for (std::string& v : variables) envp.push_back(v.data());
    envp.push_back(nullptr);
    char path[] = "/proc/self/exe";
    char name[] = "quorvane-mode-guard";
    char* argv[] = {name, nullptr};

    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, ends[1], childEnd);
    posix_spawnattr_init(&attributes);
    sigset_t none, defaults;
    sigemptyset(&none);
    sigemptyset(&defaults);
    for (int s : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGCHLD}) sigaddset(&defaults, s);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    // A process group of its own: the terminal's Ctrl+C is for the program, which then
    // restores the mode itself.
    posix_spawnattr_setpgroup(&attributes, 0);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF |
                                              POSIX_SPAWN_SETPGROUP);
    pid_t pid = -1;
    const int failed = posix_spawn(&pid, path, &actions, &attributes, argv, envp.data());
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    close(ends[1]);
    if (failed) {
        close(ends[0]);
        return false;
    }
    guard = Guard{pid, ends[0]};
    if (!WaitForReady(guard.socket)) {
        EndGuard(guard, false);
        return false;
    }
    return true;
}

void StopModeGuard() {
    Guard& guard = TheGuard();
    if (guard.pid > 0) EndGuard(guard, true);
}

}  // namespace platform
