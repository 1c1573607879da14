// Open handles of the process, for the reader's no-leak checks on Windows. Handle values are
// multiples of 4; every value that names a live handle counts. (GetProcessHandleCount would be
// simpler, but Wine answers it with 0.)
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
