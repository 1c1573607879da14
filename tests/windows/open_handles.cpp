// Open handles of the process, for the reader's no-leak checks on Windows, and a named pipe.
// Handle values are multiples of 4; every value that names a live handle counts.
// (GetProcessHandleCount would be simpler, but Wine answers it with 0.)
#include "tests/image/fake_message_box.h"

#include <windows.h>

int CountOpenDescriptors() {
    int count = 0;
    for (uintptr_t value = 4; value < 0x10000; value += 4) {
        DWORD flags = 0;
        if (GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags)) ++count;
    }
    return count;
}

namespace {
HANDLE pipeServer = INVALID_HANDLE_VALUE;
}

std::string MakePipe(const std::string&) {
    const std::string name =
        "\\\\.\\pipe\\quorvane-image-" + std::to_string(GetCurrentProcessId());
    pipeServer = CreateNamedPipeA(name.c_str(), PIPE_ACCESS_OUTBOUND, PIPE_TYPE_BYTE, 1, 4096, 4096,
                                  0, nullptr);
    return pipeServer == INVALID_HANDLE_VALUE ? "" : name;
}

void ClosePipe() {
    if (pipeServer != INVALID_HANDLE_VALUE) CloseHandle(pipeServer);
    pipeServer = INVALID_HANDLE_VALUE;
}
