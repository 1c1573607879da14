// The parts of platform.h that are pure bookkeeping on the window registry, for the SDL and web
// backends: the fake platform of the unit tests has its own of these, which log and can fail.
#include "platform/common/window_registry.h"

namespace platform {

intptr_t DefaultWindowProcedure(WindowHandle, uint32_t, uintptr_t, intptr_t) { return 0; }

DeviceContext GetDeviceContext(WindowHandle handle) {
    RegisteredWindow* entry = FindEntry(handle);
    return entry ? entry->device.get() : nullptr;
}

void ReleaseDeviceContext(WindowHandle, DeviceContext) {}

// The backends' systems pick the closest configuration themselves (SDL a visual, WebGL its one
// kind of drawing buffer): there is one format to name.
int32_t ChoosePixelFormat(DeviceContext device, const PixelFormatRequest& request) {
    const uint32_t needed = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL;
    if (!device || request.pixelType != PFD_TYPE_RGBA || (request.flags & needed) != needed)
        return 0;
    return 1;
}

bool PostMessage(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
    Window* w = FindWindow(window);
    if (!w) return false;
    Post(*w, message, wParam, lParam);
    return true;
}

intptr_t DispatchMessage(const Message& message) {
    return CallProcedure(message.window, message.message, message.wParam, message.lParam);
}

}  // namespace platform
