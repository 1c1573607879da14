// Open file descriptors, as Linux lists them, for the reader's no-leak checks, and a FIFO.
#include <sys/stat.h>

#include <filesystem>

#include "tests/image/fake_message_box.h"

int CountOpenDescriptors() {
    int count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
        ++count;
    }
    return count;
}

std::string MakePipe(const std::string& folder) {
    const std::string path = folder + "/water05t.bmp";
    return mkfifo(path.c_str(), 0600) == 0 ? path : "";
}

void ClosePipe() {}
