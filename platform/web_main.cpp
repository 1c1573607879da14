// Page entry: the texture has been fetched into the file system beside the program (see
// web_library.js); runs the program and tells the page how it ended.
#include "app/app_main.h"

extern "C" void web_program_ended(int status);

int main() {
    const int32_t status = AppMain(platform::CurrentModule(), nullptr, nullptr, platform::SW_NORMAL);
    web_program_ended(status);
    return status;
}
