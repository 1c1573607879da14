// File mapping with CreateFileA, CreateFileMappingA and MapViewOfFile. Windows offers no huge-page
// advice for ordinary heap memory (large pages need a privilege and their own allocation), so
// the advice does nothing here.
#include <windows.h>

#include "platform/file_map.h"

namespace platform {

bool MapWholeFile(const char* fileName, FileMapping& mapping) {
    mapping = FileMapping{};
    HANDLE file = CreateFileA(fileName, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                              nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    LARGE_INTEGER size{};
    // A directory does not open this way, a pipe or a device (NUL, CON, COM1) does: only a
    // disk file is read. An empty file cannot be mapped. A file too large for the address
    // space is refused here rather than by a failing view.
    BY_HANDLE_FILE_INFORMATION info{};
    if (GetFileType(file) != FILE_TYPE_DISK || !GetFileInformationByHandle(file, &info) ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ||
        !GetFileSizeEx(file, &size) || size.QuadPart <= 0 ||
        uint64_t(size.QuadPart) > uint64_t(SIZE_MAX)) {
        CloseHandle(file);
        return false;
    }
    HANDLE map = CreateFileMappingA(file, nullptr, PAGE_READONLY, 0, 0, nullptr);
    if (!map) {
        CloseHandle(file);
        return false;
    }
    const void* view = MapViewOfFile(map, FILE_MAP_READ, 0, 0, 0);
    if (!view) {
        CloseHandle(map);
        CloseHandle(file);
        return false;
    }
    mapping.bytes = static_cast<const uint8_t*>(view);
    mapping.size = size_t(size.QuadPart);
    mapping.file = reinterpret_cast<intptr_t>(file);
    mapping.mapping = map;
    return true;
}

void UnmapFile(FileMapping& mapping) {
    if (mapping.bytes) UnmapViewOfFile(mapping.bytes);
    if (mapping.mapping) CloseHandle(mapping.mapping);
    if (mapping.file != -1) CloseHandle(reinterpret_cast<HANDLE>(mapping.file));
    mapping = FileMapping{};
}

void AdviseHugePages(void*, size_t) {}

}  // namespace platform
