# The web build, with Emscripten's toolchain (emcmake): what every target needs before any is
# made. The rest of the build, the program and the page, is in this folder's CMakeLists.txt.

# Emscripten's GL and GLU headers are its own; the GL and GLU calls themselves are the web
# backend's (gl/).
add_library(OpenGL::GL INTERFACE IMPORTED)
add_library(OpenGL::GLU INTERFACE IMPORTED)

# SSE2 intrinsics become wasm SIMD, with the same IEEE single-precision results.
add_compile_options(-msimd128 -msse2)
# Link-time optimisation, so that the page's GL calls of each vertex (gl/web_gl_immediate.cpp)
# are inlined into the program's loops that make them. Compile-time only: the linker optimises
# the program's bitcode, and Emscripten's own libraries stay the usual ones.
add_compile_options(-flto)
