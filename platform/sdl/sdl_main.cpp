// Process entry: hands over to the shell's entry function and exits with its status.
#include "app/app_main.h"

int main() {
    return AppMain(platform::CurrentModule(), nullptr, nullptr, platform::SW_NORMAL);
}
