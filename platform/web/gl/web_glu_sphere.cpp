// GLU's quadric settings and filled sphere, for the browser build. The arithmetic follows GLU's
// step by step (same float operations in the same order), so that the Linux tests can hold every
// vertex against Mesa's libGLU exactly.
#include "platform/web/gl/web_glu.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstddef>
#include <cstdint>

namespace webglu {

// ---------------------------------------------------------------------------------------------
// Quadric settings

void SetNormals(Quadric& quadric, GLenum normals) {
    if (normals == GLU_SMOOTH || normals == GLU_FLAT || normals == GLU_NONE) {
        quadric.normals = normals;
    } else {
        quadric.error = GLU_INVALID_ENUM;
    }
}

void SetTextureCoords(Quadric& quadric, GLboolean on) { quadric.textureCoords = on != GL_FALSE; }

void SetDrawStyle(Quadric& quadric, GLenum style) {
    // Lines, points and silhouettes would need their own drawing; the program only fills.
    if (style == GLU_FILL) {
        quadric.drawStyle = style;
    } else {
        quadric.error = GLU_INVALID_ENUM;
    }
}

void SetOrientation(Quadric& quadric, GLenum orientation) {
    if (orientation == GLU_OUTSIDE || orientation == GLU_INSIDE) {
        quadric.orientation = orientation;
    } else {
        quadric.error = GLU_INVALID_ENUM;
    }
}

// ---------------------------------------------------------------------------------------------
// Sphere

namespace {

constexpr double PI = 3.14159265358979323846;
constexpr int TABLE = MAX_SPHERE_DIVISIONS + 1;

// Sines and cosines the way GLU keeps them: the angle rounded to float first, the sine taken in
// double and stored as float. Slice angles go round z, stack angles go from +z (0) to -z (pi).
struct SphereTables {
    float sinSlice[TABLE], cosSlice[TABLE];    // slice i at 2 pi i / slices; [slices] = [0]
    float ringRadius[TABLE], ringZ[TABLE];     // radius sin, radius cos of stack j; poles exact
    float sinNormal[TABLE], cosNormal[TABLE];  // smooth normal of stack j, negated inside
    float sinFaceSlice[TABLE], cosFaceSlice[TABLE];  // flat: halfway between slices i-1 and i
    float sinFaceStack[TABLE], cosFaceStack[TABLE];  // flat: halfway between stacks j-1 and j
};

float Sin(float angle) { return float(std::sin(double(angle))); }
float Cos(float angle) { return float(std::cos(double(angle))); }

void FillTables(SphereTables& t, double radius, int slices, int stacks, bool outside, bool flat) {
    for (int i = 0; i < slices; ++i) {
        const float angle = float(2 * PI * i / slices);
        t.sinSlice[i] = Sin(angle);
        t.cosSlice[i] = Cos(angle);
    }
    t.sinSlice[slices] = t.sinSlice[0];
    t.cosSlice[slices] = t.cosSlice[0];
    for (int j = 0; j <= stacks; ++j) {
        const float angle = float(PI * j / stacks);
        t.sinNormal[j] = outside ? Sin(angle) : -Sin(angle);
        t.cosNormal[j] = outside ? Cos(angle) : -Cos(angle);
        t.ringRadius[j] = float(radius * std::sin(double(angle)));  // rounded once, at the end
        t.ringZ[j] = float(radius * std::cos(double(angle)));
    }
    // The poles come to a point rather than a ring of rounding error.
    t.ringRadius[0] = 0;
    t.ringRadius[stacks] = 0;
    if (!flat) return;
    for (int i = 0; i < slices; ++i) {
        const float angle = float(2 * PI * (i - 0.5) / slices);
        t.sinFaceSlice[i] = Sin(angle);
        t.cosFaceSlice[i] = Cos(angle);
    }
    t.sinFaceSlice[slices] = t.sinFaceSlice[0];
    t.cosFaceSlice[slices] = t.cosFaceSlice[0];
    for (int j = 0; j <= stacks; ++j) {
        const float angle = float(PI * (j - 0.5) / stacks);
        t.sinFaceStack[j] = outside ? Sin(angle) : -Sin(angle);
        t.cosFaceStack[j] = outside ? Cos(angle) : -Cos(angle);
    }
}

// One vertex with the normal and texture coordinate GL would give it.
struct Corner {
    float normal[3];
    float s, t;
    float x, y, z;
};

// GLU's calls replayed against a current normal and texture coordinate kept here, and every
// vertex sent with both: GL emulations interleave whatever attributes come before each vertex
// of a glBegin block, so each vertex needs the same ones, and it keeps no current normal of its
// own (nor one set before glBegin).
struct Emitter {
    const SphereTables& t;
    bool normals;
    bool texture;
    Corner current{};

    void Normal(float x, float y, float z) {
        current.normal[0] = x;
        current.normal[1] = y;
        current.normal[2] = z;
    }
    void TexCoord(float s, float tc) {
        current.s = s;
        current.t = tc;
    }
    // Slice i of the ring with radius ringRadius at height z, as GL would see it now.
    Corner Ring(int i, float ringRadius, float z) {
        current.x = ringRadius * t.sinSlice[i];
        current.y = ringRadius * t.cosSlice[i];
        current.z = z;
        return current;
    }
    void Send(const Corner& c) const {
        if (normals) glNormal3f(c.normal[0], c.normal[1], c.normal[2]);
        if (texture) glTexCoord2f(c.s, c.t);
        glVertex3f(c.x, c.y, c.z);
    }
};

// Without texture coordinates the caps are fans round the pole vertex (with them, the pole's
// texture coordinate changes with the slice, so the caps are strips like the rest).
void DrawCap(Emitter& e, GLenum normals, bool outside, double radius, int slices, int stacks,
             bool top) {
    const SphereTables& t = e.t;
    const int ring = top ? 1 : stacks - 1;
    const float ringRadius = t.ringRadius[ring];
    const float z = t.ringZ[ring];
    float sinN = 0, cosN = 0;
    if (normals == GLU_FLAT) {
        sinN = t.sinFaceStack[top ? 1 : stacks];
        cosN = t.cosFaceStack[top ? 1 : stacks];
    } else if (normals == GLU_SMOOTH) {
        sinN = t.sinNormal[ring];
        cosN = t.cosNormal[ring];
        // GLU looks up the bottom pole's slice entry by the stack count, and reads a table
        // entry it never filled when there are more stacks than slices; 0 there gives the
        // pole's own normal, which is what the tiny sine of pi makes of any filled entry.
        const int pole = top ? 0 : stacks;
        const float sinSlice = top ? t.sinSlice[0] : (stacks <= slices ? t.sinSlice[stacks] : 0.0f);
        const float cosSlice = top ? t.cosSlice[0] : (stacks <= slices ? t.cosSlice[stacks] : 0.0f);
        e.Normal(sinSlice * t.sinNormal[pole], cosSlice * t.sinNormal[pole], t.cosNormal[pole]);
    }
    glBegin(GL_TRIANGLE_FAN);
    Corner pole = e.current;
    pole.x = 0.0f;
    pole.y = 0.0f;
    pole.z = float(top ? radius : -radius);
    e.Send(pole);
    // Round the pole so the fan faces outwards (or inwards): downwards through the slices at the
    // top, upwards at the bottom, the other way round inside.
    const bool descending = top == outside;
    for (int step = 0; step <= slices; ++step) {
        const int i = descending ? slices - step : step;
        if (normals == GLU_SMOOTH) {
            e.Normal(t.sinSlice[i] * sinN, t.cosSlice[i] * sinN, cosN);
        } else if (normals == GLU_FLAT) {
            // A flat normal goes with the vertex that closes its face, which lies towards the
            // previous vertex; the first ring vertex closes none.
            if (!descending) {
                e.Normal(t.sinFaceSlice[i] * sinN, t.cosFaceSlice[i] * sinN, cosN);
            } else if (i != slices) {
                e.Normal(t.sinFaceSlice[i + 1] * sinN, t.cosFaceSlice[i + 1] * sinN, cosN);
            }
        }
        e.Send(e.Ring(i, ringRadius, z));
    }
    glEnd();
}

// The band between stacks j and j + 1. GLU sends it as a quad strip of pairs (a_i, b_i), a on
// the lower ring (j + 1) facing out, on the upper inside. Mesa splits each quad
// a_i b_i b_i+1 a_i+1 along a_i to b_i+1; a plain triangle strip of the same vertices would
// split it along b_i to a_i+1, which moves texels visibly on a coarse sphere. So the strip here
// is a0 b0 a0 b1 a1 b2 a2 ...: a first triangle of no area, then Mesa's two triangles of each
// quad with their facing, for one vertex more than GLU sends.
void DrawBand(Emitter& e, GLenum normals, bool outside, bool texture, int slices, int stacks,
              int j) {
    const SphereTables& t = e.t;
    const int first = outside ? j + 1 : j;
    const int second = outside ? j : j + 1;
    float sinFirst = 0, cosFirst = 0, sinSecond = 0, cosSecond = 0;
    if (normals == GLU_SMOOTH) {
        sinFirst = t.sinNormal[first];
        cosFirst = t.cosNormal[first];
        sinSecond = t.sinNormal[second];
        cosSecond = t.cosNormal[second];
    } else if (normals == GLU_FLAT) {
        sinSecond = t.sinFaceStack[j + 1];
        cosSecond = t.cosFaceStack[j + 1];
    }
    const float tFirst = 1 - float(first) / float(stacks);
    const float tSecond = 1 - float(second) / float(stacks);
    glBegin(GL_TRIANGLE_STRIP);
    for (int i = 0; i <= slices; ++i) {
        // GLU's calls for pair i, in its order; flat normals come before the second vertex only,
        // so that a quad's last vertex carries its face.
        const float s = 1 - float(i) / float(slices);
        if (normals == GLU_SMOOTH) {
            e.Normal(t.sinSlice[i] * sinFirst, t.cosSlice[i] * sinFirst, cosFirst);
        }
        if (texture) e.TexCoord(s, tFirst);
        const Corner a = e.Ring(i, t.ringRadius[first], t.ringZ[first]);
        if (normals == GLU_SMOOTH) {
            e.Normal(t.sinSlice[i] * sinSecond, t.cosSlice[i] * sinSecond, cosSecond);
        } else if (normals == GLU_FLAT) {
            e.Normal(t.sinFaceSlice[i] * sinSecond, t.cosFaceSlice[i] * sinSecond, cosSecond);
        }
        if (texture) e.TexCoord(s, tSecond);
        const Corner b = e.Ring(i, t.ringRadius[second], t.ringZ[second]);
        if (i == 0) {
            e.Send(a);
            e.Send(b);
            e.Send(a);
        } else {
            e.Send(b);
            e.Send(a);
        }
    }
    glEnd();
}

}  // namespace

void DrawSphere(Quadric& quadric, GLdouble radius, GLint slices, GLint stacks) {
    slices = std::min(slices, MAX_SPHERE_DIVISIONS);
    stacks = std::min(stacks, MAX_SPHERE_DIVISIONS);
    // A radius beyond float's range would make infinite vertices, like NaN or infinity itself.
    if (slices < 2 || stacks < 1 || !(radius >= 0.0 && radius <= FLT_MAX)) {
        quadric.error = GLU_INVALID_VALUE;
        return;
    }
    const GLenum normals = quadric.normals;
    const bool outside = quadric.orientation == GLU_OUTSIDE;
    const bool texture = quadric.textureCoords;
    SphereTables tables{};
    FillTables(tables, radius, slices, stacks, outside, normals == GLU_FLAT);
    Emitter e{tables, normals != GLU_NONE, texture};
    // GLU's flat normals leave the first vertex or two with whatever normal the caller had
    // current, which the browser build's GL need not keep; they get the first normal GLU sends after
    // them, the face of the first quad or cap triangle.
    if (normals == GLU_FLAT) {
        e.Normal(tables.sinFaceSlice[0] * tables.sinFaceStack[1],
                 tables.cosFaceSlice[0] * tables.sinFaceStack[1], tables.cosFaceStack[1]);
    }
    int firstBand = 0;
    int endBand = stacks;
    if (!texture) {
        DrawCap(e, normals, outside, radius, slices, stacks, true);
        DrawCap(e, normals, outside, radius, slices, stacks, false);
        firstBand = 1;
        endBand = stacks - 1;
    }
    for (int j = firstBand; j < endBand; ++j) {
        DrawBand(e, normals, outside, texture, slices, stacks, j);
    }
}

}  // namespace webglu
