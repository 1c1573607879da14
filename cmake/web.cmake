# The web build, with Emscripten's toolchain (emcmake): WebGL through the fixed-function
# emulation, the program's waits handed back to the browser with Asyncify, wasm SIMD for the
# lighting's four-wide kernel. The page (index.html), the texture and the program's .js and
# .wasm go together in the build folder.

# Emscripten's GL and GLU headers and libraries are its own; the GLU calls the emulation lacks
# are supplied by the web backend.
add_library(OpenGL::GL INTERFACE IMPORTED)
add_library(OpenGL::GLU INTERFACE IMPORTED)

# SSE2 intrinsics become wasm SIMD, with the same IEEE single-precision results.
add_compile_options(-msimd128 -msse2)

# The fetch of the texture and the page's parts of the backend.
set(QUORVANE_WEB_PRE_JS ${PROJECT_SOURCE_DIR}/platform/web_pre.js)
set(QUORVANE_WEB_LIBRARY_JS ${PROJECT_SOURCE_DIR}/platform/web_library.js)

function(quorvane_web_program target)
  set(_async_imports "['web_wait_event','web_present','web_show_box','web_fullscreen']")
  target_link_options(${target} PRIVATE
    -sLEGACY_GL_EMULATION=1 -sGL_UNSAFE_OPTS=0 -sMAX_WEBGL_VERSION=1
    -sASYNCIFY=1 "-sASYNCIFY_IMPORTS=${_async_imports}"
    -sALLOW_MEMORY_GROWTH=1 -sENVIRONMENT=web -sEXIT_RUNTIME=0
    -sMIN_CHROME_VERSION=91
    --pre-js ${QUORVANE_WEB_PRE_JS} --js-library ${QUORVANE_WEB_LIBRARY_JS})
  set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS
               ${QUORVANE_WEB_PRE_JS} ${QUORVANE_WEB_LIBRARY_JS})
  set_target_properties(${target} PROPERTIES SUFFIX ".js")
endfunction()
