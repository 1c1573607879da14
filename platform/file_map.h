// Read-only mapping of a whole file, and huge-page advice for large buffers: the operating-system
// calls the bitmap reader needs, one form per system (posix_file_map.cpp, win32_file_map.cpp).
// The same header everywhere; the build picks the file.
#pragma once

#include <cstddef>
#include <cstdint>

namespace platform {

// A mapped file and the handles that keep it mapped. Empty: `bytes` null and `size` 0.
struct FileMapping {
    const uint8_t* bytes = nullptr;
    size_t size = 0;
    intptr_t file = -1;        // descriptor or file handle; -1 when none is open
    void* mapping = nullptr;   // the mapping object, where the system has one
};

// Maps all of fileName read-only. False, with nothing left open, when the file cannot be opened,
// is empty or is not a regular file, or cannot be mapped.
bool MapWholeFile(const char* fileName, FileMapping& mapping);
// Unmaps and closes whatever `mapping` holds and empties it; an empty mapping is left alone.
void UnmapFile(FileMapping& mapping);

// Asks for huge pages behind the 2 MiB-aligned part of a large heap buffer. Advice only: where
// the system has no such advice nothing happens, and the buffer works the same either way.
void AdviseHugePages(void* buffer, size_t bytes);

}  // namespace platform
