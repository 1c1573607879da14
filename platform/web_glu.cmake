# The GLU routines and client attribute stack the browser build supplies itself, since the
# browser build's own GL (web_gl.cpp) lacks them. web_glu.cpp is portable (the Mesa tests compile it beside
# the real libGLU); web_glu_entry.cpp gives it the GLU and GL names and belongs to the
# Emscripten target only.
set(QUORVANE_WEB_GLU_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/web_glu.cpp
  ${CMAKE_CURRENT_LIST_DIR}/web_glu_entry.cpp)
