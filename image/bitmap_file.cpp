// LoadBitmapImage: maps the file read-only, decodes it in place and tells the user, in one
// message box, why a file could not be read.
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

#include "image/bitmap_decode.h"
#include "platform/platform.h"

namespace {

// A whole file mapped read-only; unmapped and closed on every path.
class MappedFile {
public:
    explicit MappedFile(const char* fileName) {
        fd_ = open(fileName, O_RDONLY | O_CLOEXEC);
        if (fd_ < 0) return;
        struct stat info;
        // An empty file cannot be mapped; neither can a directory or a pipe.
        if (fstat(fd_, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size <= 0) return;
        void* view = mmap(nullptr, size_t(info.st_size), PROT_READ, MAP_PRIVATE, fd_, 0);
        if (view == MAP_FAILED) return;
        view_ = static_cast<const uint8_t*>(view);
        size_ = size_t(info.st_size);
    }
    ~MappedFile() {
        if (view_) munmap(const_cast<uint8_t*>(view_), size_);
        if (fd_ >= 0) close(fd_);
    }
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;

    bool Mapped() const { return view_ != nullptr; }
    std::span<const uint8_t> Bytes() const { return {view_, size_}; }

private:
    int fd_ = -1;
    const uint8_t* view_ = nullptr;
    size_t size_ = 0;
};

void ShowError(const char* text) {
    platform::ShowMessageBox(platform::FocusedWindow(), text, "Error", platform::MB_OK);
}

}  // namespace

RgbImage* LoadBitmapImage(const char* fileName) {
    {
        MappedFile file(fileName ? fileName : "");
        if (file.Mapped()) {
            RgbImage* image = nullptr;
            const BitmapError error = DecodeBitmap(file.Bytes(), image);
            if (error == BitmapError::None) return image;
            ShowError(BitmapErrorMessage(error));
            return nullptr;
        }
    }
    // The open failure is reported once the file is closed again. A long name is cut to fit.
    char text[256];
    std::snprintf(text, sizeof text, BitmapErrorMessage(BitmapError::OpenFailed),
                  fileName ? fileName : "(null)");
    ShowError(text);
    return nullptr;
}
