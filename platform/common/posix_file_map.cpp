// File mapping and huge-page advice with POSIX open/mmap and Linux's madvise.
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/file_map.h"

namespace platform {

bool MapWholeFile(const char* fileName, FileMapping& mapping) {
    mapping = FileMapping{};
    // Without O_NONBLOCK opening a FIFO waits for a writer, for ever if none comes; a device
    // may block too. Only a regular file is read, so the flag changes nothing for one.
    const int fd = open(fileName, O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) return false;
    struct stat info;
    // An empty file cannot be mapped; neither can a directory, a pipe or a device.
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size <= 0) {
        close(fd);
        return false;
    }
    void* view = mmap(nullptr, size_t(info.st_size), PROT_READ, MAP_PRIVATE, fd, 0);
    if (view == MAP_FAILED) {
        close(fd);
        return false;
    }
    mapping.bytes = static_cast<const uint8_t*>(view);
    mapping.size = size_t(info.st_size);
    mapping.file = fd;
    return true;
}

void UnmapFile(FileMapping& mapping) {
    if (mapping.bytes) munmap(const_cast<uint8_t*>(mapping.bytes), mapping.size);
    if (mapping.file >= 0) close(int(mapping.file));
    mapping = FileMapping{};
}

// Most of the time spent filling a fresh multi-megabyte buffer goes to page faults, one per
// 4 KiB page; huge pages cut them to a handful.
void AdviseHugePages(void* buffer, size_t bytes) {
#ifdef MADV_HUGEPAGE
    constexpr uintptr_t kHuge = uintptr_t{2} << 20;
    if (bytes < 2 * kHuge) return;
    const uintptr_t start = (reinterpret_cast<uintptr_t>(buffer) + kHuge - 1) & ~(kHuge - 1);
    const uintptr_t end = (reinterpret_cast<uintptr_t>(buffer) + bytes) & ~(kHuge - 1);
    if (end > start) madvise(reinterpret_cast<void*>(start), end - start, MADV_HUGEPAGE);
#else
    (void)buffer, (void)bytes;
#endif
}

}  // namespace platform
