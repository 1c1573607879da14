// The page's GL, its contexts: the WebGL objects a context is made of (one shader pair), made
// when it is made, forgotten when it is lost and made again from what is kept when it is
// restored (web_gl_internal.h tells the design).
#include "platform/web/gl/web_gl_internal.h"

namespace platform {

GlState* currentState = nullptr;

namespace {

const char* const kVertexSource = R"(
attribute vec3 position;
attribute vec3 color;
attribute vec2 texCoord;
uniform mat4 matrix;
uniform float grey;
varying vec3 vColor;
varying vec2 vTexCoord;
void main() {
  vColor = grey > 0.5 ? vec3(color.x) : color;
  vTexCoord = texCoord;
  gl_Position = matrix * vec4(position, 1.0);
})";

// Texture coordinates reach ten repeats across the surface: medium precision would lose texels.
const char* const kFragmentSource = R"(
#ifdef GL_FRAGMENT_PRECISION_HIGH
precision highp float;
#else
precision mediump float;
#endif
uniform sampler2D image;
uniform float texturing;
varying vec3 vColor;
varying vec2 vTexCoord;
void main() {
  vec4 color = vec4(vColor, 1.0);
  if (texturing > 0.5) color *= texture2D(image, vTexCoord);
  gl_FragColor = color;
})";

GLuint Shader(GLenum type, const char* source) {
    const GLuint shader = emscripten_glCreateShader(type);
    emscripten_glShaderSource(shader, 1, &source, nullptr);
    emscripten_glCompileShader(shader);
    return shader;
}

// Makes every WebGL object and state of the context from what is kept, in the context current.
void MakeWebGlObjects(GlState& s) {
    GLint maxSize = 0;
    emscripten_glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSize);
    if (maxSize > 0) s.maxTextureSize = maxSize;

    s.program = emscripten_glCreateProgram();
    const GLuint vertexShader = Shader(kVertexShader, kVertexSource);
    const GLuint fragmentShader = Shader(kFragmentShader, kFragmentSource);
    emscripten_glAttachShader(s.program, vertexShader);
    emscripten_glAttachShader(s.program, fragmentShader);
    emscripten_glBindAttribLocation(s.program, 0, "position");
    emscripten_glBindAttribLocation(s.program, 1, "color");
    emscripten_glBindAttribLocation(s.program, 2, "texCoord");
    emscripten_glLinkProgram(s.program);
    emscripten_glDeleteShader(vertexShader);  // they go with the program
    emscripten_glDeleteShader(fragmentShader);
    emscripten_glUseProgram(s.program);
    s.matrixLocation = emscripten_glGetUniformLocation(s.program, "matrix");
    s.texturingLocation = emscripten_glGetUniformLocation(s.program, "texturing");
    s.greyLocation = emscripten_glGetUniformLocation(s.program, "grey");
    emscripten_glUniform1i(emscripten_glGetUniformLocation(s.program, "image"), 0);
    s.matrixSent = false;
    s.sentTexturing = -1;
    s.sentGrey = -1;

    // The attributes read the buffers of the batch being drawn (BindBatch).
    for (GLuint i = 0; i < 3; ++i) emscripten_glEnableVertexAttribArray(i);

    for (Texture& t : s.textures) MakeTexture(t);
    emscripten_glBindTexture(GL_TEXTURE_2D,
                             s.boundTexture ? s.textures[s.boundTexture - 1].webgl : 0);
    emscripten_glPixelStorei(GL_UNPACK_ALIGNMENT, s.unpackAlignment);
    emscripten_glPixelStorei(GL_PACK_ALIGNMENT, s.packAlignment);
    SetCap(GL_DEPTH_TEST, s.depthTest);
    emscripten_glDepthFunc(s.depthFunc);
    emscripten_glClearColor(s.clearColor[0], s.clearColor[1], s.clearColor[2], s.clearColor[3]);
    emscripten_glClearDepthf(s.clearDepth);
    if (s.viewportSet) emscripten_glViewport(s.viewport[0], s.viewport[1], s.viewport[2], s.viewport[3]);
}

}  // namespace

GlState* NewGlState(bool lost) {
    auto* s = new GlState();
    // A context lost as it was made has no objects to make (some browsers answer null for
    // every one): they are made when it is restored.
    s->lost = lost;
    if (!lost) MakeWebGlObjects(*s);
    return s;
}

void DeleteGlState(GlState* state) {
    if (currentState == state) currentState = nullptr;
    delete state;
}

void UseGlState(GlState* state) {
    if (currentState && currentState != state) Flush(*currentState);
    currentState = state;
}

void FlushGl() {
    if (currentState) Flush(*currentState);
}

void LoseGlObjects(GlState& s) {
    s.lost = true;
    s.vertexCount = s.indexCount = s.indexedVertices = 0;
    s.program = 0;
    for (KeptBatch& k : s.kept) k = KeptBatch{};
    s.boundBatch = nullptr;
    s.boundArrayBuffer = 0;
    for (Texture& t : s.textures) t.webgl = 0;
}

void RestoreGlObjects(GlState& s) {
    s.lost = false;
    MakeWebGlObjects(s);
}

bool GlObjectsLost(const GlState& s) { return s.lost; }

}  // namespace platform
