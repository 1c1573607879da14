# The Windows build, cross-compiled with cmake/mingw-w64-x86_64.cmake: the system's GL libraries,
# GL headers without windows.h, GoogleTest built from Debian's sources, and Wine to run what the
# build makes (tests and the frame benchmark).

add_library(OpenGL::GL INTERFACE IMPORTED)
set_target_properties(OpenGL::GL PROPERTIES INTERFACE_LINK_LIBRARIES opengl32)
add_library(OpenGL::GLU INTERFACE IMPORTED)
set_target_properties(OpenGL::GLU PROPERTIES INTERFACE_LINK_LIBRARIES glu32)

# MinGW's GL/gl.h includes windows.h unless WINGDIAPI and APIENTRY are defined, and GL/glu.h
# needs CALLBACK. Defined empty they keep windows.h out of the code above platform/ and declare
# the GL calls as plain functions, which the import libraries' thunks resolve and the recording
# stand-in defines (the calling-convention words mean nothing on x86-64). Targets that include
# windows.h themselves drop them again, so that its own definitions stand.
add_compile_definitions(WINGDIAPI= APIENTRY= CALLBACK=)
function(quorvane_uses_windows_h)
  foreach(_target IN LISTS ARGN)
    target_compile_options(${_target} PRIVATE -UWINGDIAPI -UAPIENTRY -UCALLBACK)
  endforeach()
endfunction()

# GCC cannot align the Win64 stack to 32 bytes, so spilled AVX2 vectors must not be moved with
# aligned instructions; on processors with AVX2 the unaligned forms cost the same.
add_compile_options(-Wa,-muse-unaligned-vector-move)

# Everything built here runs under Wine in one prefix inside the build tree (made by the
# windows tests' fixture), never in $HOME.
set(QUORVANE_WINE_PREFIX ${PROJECT_BINARY_DIR}/wine-prefix)
configure_file(${PROJECT_SOURCE_DIR}/scripts/wine-run.sh.in ${PROJECT_BINARY_DIR}/wine-run
               @ONLY FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ
               GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CMAKE_CROSSCOMPILING_EMULATOR ${PROJECT_BINARY_DIR}/wine-run)

# Debian's libgtest is built for Linux; its sources build for Windows as they are.
macro(quorvane_googletest_from_source)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
  set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${PROJECT_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  foreach(_gtest IN ITEMS gtest gtest_main gmock)
    if(NOT TARGET GTest::${_gtest})
      add_library(GTest::${_gtest} ALIAS ${_gtest})
    endif()
  endforeach()
endmacro()

# The program's resources: icon, version information and manifest, compiled by windres. The
# version comes from project(); Windows wants four numbers.
enable_language(RC)
function(quorvane_windows_resources target)
  set(_parts ${PROJECT_VERSION_MAJOR} ${PROJECT_VERSION_MINOR} ${PROJECT_VERSION_PATCH}
             ${PROJECT_VERSION_TWEAK})
  list(TRANSFORM _parts REPLACE "^$" "0")
  list(LENGTH _parts _count)
  while(_count LESS 4)
    list(APPEND _parts 0)
    math(EXPR _count "${_count} + 1")
  endwhile()
  string(JOIN "," QUORVANE_VERSION_COMMAS ${_parts})
  string(JOIN "." QUORVANE_VERSION_DOTS ${_parts})
  set(QUORVANE_ICO ${PROJECT_SOURCE_DIR}/data/windows/quorvane.ico)
  set(QUORVANE_MANIFEST ${PROJECT_BINARY_DIR}/quorvane.exe.manifest)
  configure_file(${PROJECT_SOURCE_DIR}/platform/win32/win32_manifest.xml.in ${QUORVANE_MANIFEST} @ONLY)
  configure_file(${PROJECT_SOURCE_DIR}/platform/win32/win32_resources.rc.in
                 ${PROJECT_BINARY_DIR}/quorvane.rc @ONLY)
  set_source_files_properties(${PROJECT_BINARY_DIR}/quorvane.rc PROPERTIES
    OBJECT_DEPENDS "${QUORVANE_ICO};${QUORVANE_MANIFEST}")
  target_sources(${target} PRIVATE ${PROJECT_BINARY_DIR}/quorvane.rc)
endfunction()
