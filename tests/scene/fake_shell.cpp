// Recording stand-ins for the shell functions the scene and the reader call.
#include "tests/scene/fake_shell.h"

#include <cstdint>

#include "app/requests.h"
#include "platform/platform.h"

namespace fake_shell {

std::vector<std::string> requests;
std::vector<const WindowState*> requestWindows;
std::vector<Box> boxes;
std::vector<std::string> lookups;

void* AddressFor(const std::string& name) {
    if (name.rfind("glMissing", 0) == 0) return nullptr;
    // Distinct, aligned and non-zero: a made-up address per character sum and length.
    uintptr_t key = name.size();
    for (char c : name) key = key * 131 + uint8_t(c);
    return reinterpret_cast<void*>(0x100000 + (key % 0xFFFF) * 16);
}

void Reset() {
    requests.clear();
    requestWindows.clear();
    boxes.clear();
    lookups.clear();
}

}  // namespace fake_shell

void RequestQuit(WindowState& window) {
    fake_shell::requests.push_back("quit");
    fake_shell::requestWindows.push_back(&window);
}

void RequestFullscreenToggle(WindowState& window) {
    fake_shell::requests.push_back("toggle");
    fake_shell::requestWindows.push_back(&window);
}

namespace platform {

int ShowMessageBox(WindowHandle, const char* text, const char* caption, uint32_t style) {
    fake_shell::boxes.push_back({text ? text : "", caption ? caption : ""});
    return style == MB_YESNO ? IDNO : IDOK;
}

WindowHandle FocusedWindow() { return nullptr; }

void* GetGlProcAddress(const char* name) {
    fake_shell::lookups.push_back(name);
    return fake_shell::AddressFor(name);
}

}  // namespace platform
