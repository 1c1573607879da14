# The web build, with Emscripten's toolchain (emcmake): what every target needs before any is
# made. The rest of the build, the program and the page, is in this folder's CMakeLists.txt.

# Emscripten's GL and GLU headers are its own; the GL and GLU calls themselves are the web
# backend's (gl/).
add_library(OpenGL::GL INTERFACE IMPORTED)
add_library(OpenGL::GLU INTERFACE IMPORTED)

# SSE2 intrinsics become wasm SIMD, with the same IEEE single-precision results.
add_compile_options(-msimd128 -msse2)
