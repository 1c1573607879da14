// Process entry on Windows: the module instance goes to the shell's entry function, whose
// result is the exit status. Built into the Windows executable only.
#include "app/app_main.h"

#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previousInstance, LPSTR commandLine,
                   int showCommand) {
    return AppMain(reinterpret_cast<platform::ModuleHandle>(instance),
                   reinterpret_cast<platform::ModuleHandle>(previousInstance), commandLine,
                   showCommand);
}
