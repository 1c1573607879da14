// LoadBitmapImage: maps the file read-only, decodes it in place and tells the user, in one
// message box, why a file could not be read.
#include <cstdio>

#include "image/bitmap_decode.h"
#include "platform/file_map.h"
#include "platform/platform.h"

namespace {

// A whole file mapped read-only; unmapped and closed on every path.
class MappedFile {
public:
    explicit MappedFile(const char* fileName) { platform::MapWholeFile(fileName, mapping_); }
    ~MappedFile() { platform::UnmapFile(mapping_); }
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;

    bool Mapped() const { return mapping_.bytes != nullptr; }
    std::span<const uint8_t> Bytes() const { return {mapping_.bytes, mapping_.size}; }

private:
    platform::FileMapping mapping_;
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
