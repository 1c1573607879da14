// Texture creation: decode the bitmap, hand it to GLU for the full mipmap chain, release it.
#include "image/texture.h"

#include <GL/glu.h>

#include <cstdlib>

#include "image/bitmap_image.h"

namespace {

// The decoded image is only needed until GLU has copied it into the texture.
void ReleaseImage(RgbImage* image) {
    if (image->pixels) std::free(image->pixels);
    std::free(image);
}

}  // namespace

bool CreateTexture(GLuint* textureNames, const char* fileName, int32_t slot) {
    if (!fileName) return true;
    if (!textureNames || slot < 0) return false;

    RgbImage* image = LoadBitmapImage(fileName);
    if (!image) return false;

    glGenTextures(1, &textureNames[slot]);
    glBindTexture(GL_TEXTURE_2D, textureNames[slot]);
    // The decoder packs rows tightly; with OpenGL's default 4-byte row alignment any width whose
    // rows are not a multiple of 4 bytes would come out sheared and be read past its end.
    // GLU rescales sides that are not powers of two itself; the image goes in at its own size.
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    gluBuild2DMipmaps(GL_TEXTURE_2D, 3, image->width, image->height, GL_RGB, GL_UNSIGNED_BYTE,
                      image->pixels);
    glPopClientAttrib();
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);

    ReleaseImage(image);
    return true;
}
