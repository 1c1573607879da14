// Page entry: the texture has been fetched into the file system beside the program (see
// web_library.js); runs the program and tells the page how it ended.
#include <emscripten/emscripten.h>

#include "app/app_main.h"

extern "C" void web_program_ended(int status);

int main() {
    // The runtime has just been set up in this task of the browser's; the program starts in the
    // next one, so that neither holds the page up for long while it loads.
    emscripten_sleep(0);
    const int32_t status = AppMain(platform::CurrentModule(), nullptr, nullptr, platform::SW_NORMAL);
    web_program_ended(status);
    return status;
}
