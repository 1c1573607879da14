# The web build, with Emscripten's toolchain (emcmake): WebGL 1 through the backend's own
# fixed-function GL (platform/web_gl.cpp), the program's waits handed back to the browser with Asyncify, wasm SIMD for the
# lighting's four-wide kernel. The page (index.html), the texture and the program's .js and
# .wasm go together in the build folder.

# Emscripten's GL and GLU headers are its own; the GL and GLU calls themselves are the web
# backend's.
add_library(OpenGL::GL INTERFACE IMPORTED)
add_library(OpenGL::GLU INTERFACE IMPORTED)

# SSE2 intrinsics become wasm SIMD, with the same IEEE single-precision results.
add_compile_options(-msimd128 -msse2)

# The fetch of the texture and the page's parts of the backend.
set(QUORVANE_WEB_PRE_JS ${PROJECT_SOURCE_DIR}/platform/web_pre.js)
set(QUORVANE_WEB_LIBRARY_JS ${PROJECT_SOURCE_DIR}/platform/web_library.js)

function(quorvane_web_program target)
  set(_async_imports
      "['web_wait_event','web_present','web_show_box','web_fullscreen','emscripten_sleep']")
  target_link_options(${target} PRIVATE
    -sMAX_WEBGL_VERSION=1
    -sASYNCIFY=1 "-sASYNCIFY_IMPORTS=${_async_imports}"
    # operator new calls a new-handler through a pointer, so Asyncify would take every
    # function that allocates (the GL calls of each vertex among them) for one that may wait, and
    # slow it down with its bookkeeping; the program sets no new-handler, so none of them waits.
    "-sASYNCIFY_REMOVE=['operator new(unsigned long)']"
    -sALLOW_MEMORY_GROWTH=1 -sENVIRONMENT=web -sEXIT_RUNTIME=0
    -sMIN_CHROME_VERSION=91
    --pre-js ${QUORVANE_WEB_PRE_JS} --js-library ${QUORVANE_WEB_LIBRARY_JS})
  set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS
               ${QUORVANE_WEB_PRE_JS} ${QUORVANE_WEB_LIBRARY_JS})
  set_target_properties(${target} PROPERTIES SUFFIX ".js")
endfunction()
