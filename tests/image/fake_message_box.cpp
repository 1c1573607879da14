// Recording stand-in for the platform's message box and focus, for the reader's tests.
#include "tests/image/fake_message_box.h"

namespace {
platform::WindowHandle focused = nullptr;
}

std::vector<ShownBox>& ShownBoxes() {
    static std::vector<ShownBox> boxes;
    return boxes;
}

void SetFocusedWindow(platform::WindowHandle window) { focused = window; }

namespace platform {

int ShowMessageBox(WindowHandle owner, const char* text, const char* caption, uint32_t style) {
    ShownBoxes().push_back({owner, text, caption, style, CountOpenDescriptors()});
    return IDOK;
}

WindowHandle FocusedWindow() { return focused; }

}  // namespace platform
