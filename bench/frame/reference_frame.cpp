// The reference frame: no records, no passes, no vector code, just the calls in one loop.
#include "bench/frame/reference_frame.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "image/bitmap_image.h"

namespace reference_frame {
namespace {

constexpr int N = 64;
constexpr float EXTENT = 10.0f;
float px[N * N], pz[N * N], shade[N * N];
GLuint texture;
GLUquadric* sphere;

void Light(float lx, float ly, float lz) {
    for (int j = 0; j < N; ++j) {
        for (int k = 0; k < N; ++k) {
            const int i = j * N + k;
            px[i] = float(k) * EXTENT / float(N);
            pz[i] = float(j) * EXTENT / float(N);
            const float tx = lx - px[i], ty = ly, tz = lz - pz[i];
            const float length = std::sqrt(tx * tx + ty * ty + tz * tz);
            const float hy = ly + ty / length;
            const float d0 = lx * 0.0f + ly * 1.0f + lz * 0.0f;
            const float d = 0.0f * (lx + tx / length) + 1.0f * hy + 0.0f * (lz + tz / length);
            float p = d;
            for (int n = 0; n < 4; ++n) p = d * p;
            const float g = d * p + d0;
            shade[i] = ly > 0.0f ? 1.0f - 1.0f / g : 0.0f;
        }
    }
}

void Corner(int v) {
    glColor3f(shade[v], shade[v], shade[v]);
    glTexCoord2f(px[v], pz[v]);
    glVertex3f(px[v], 0.0f, pz[v]);
}

}  // namespace

bool Init(const char* textureFile) {
    const char* extensions = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
    if (extensions && std::strstr(extensions, "GL_ARB_multitexture")) {
        GLint units = 0;
        glGetIntegerv(0x84E2, &units);
    }
    RgbImage* image = LoadBitmapImage(textureFile);
    if (!image) return false;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    gluBuild2DMipmaps(GL_TEXTURE_2D, 3, image->width, image->height, GL_RGB, GL_UNSIGNED_BYTE,
                      image->pixels);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    std::free(image->pixels);
    std::free(image);

    glEnable(GL_TEXTURE_2D);
    Light(1.0f, 0.5f, 1.0f);
    glClearColor(0.0f, 1.0f, 1.0f, 0.5f);
    glClearDepth(1.0);
    glDepthFunc(GL_LEQUAL);
    glEnable(GL_DEPTH_TEST);
    glShadeModel(GL_SMOOTH);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
    if (sphere) gluDeleteQuadric(sphere);
    sphere = gluNewQuadric();
    gluQuadricNormals(sphere, GLU_SMOOTH);
    gluQuadricTexture(sphere, GL_TRUE);
    return true;
}

void Frame() {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    glLoadIdentity();
    glTranslatef(-5.0f, -1.0f, -5.0f);
    Light(1.0f, 0.5f, 1.0f);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glBindTexture(GL_TEXTURE_2D, texture);
    for (int r = 0; r < N - 1; ++r) {
        for (int i = r * N; i < (r + 1) * N - 1; ++i) {
            glBegin(GL_QUADS);
            Corner(i + N);
            Corner(i);
            Corner(i + 1);
            Corner(i + N + 1);
            glEnd();
        }
    }
    glDisable(GL_TEXTURE_2D);
    glPushMatrix();
    glTranslatef(1.0f, 0.5f, 1.0f);
    glColor3f(1.0f, 0.5f, 0.0f);
    gluSphere(sphere, 0.1, 64, 64);
    glPopMatrix();
    glEnable(GL_TEXTURE_2D);
    glFlush();
}

float Shade(int32_t i) { return shade[i]; }

}  // namespace reference_frame
