# Cross build for 64-bit ARM Linux with Debian's cross compiler and its arm64 libraries
# (multiarch; `bash scripts/install-deps.sh arm64` installs both):
#   cmake -S . -B build-arm64 -DCMAKE_TOOLCHAIN_FILE=cmake/aarch64-linux-gnu.cmake
# What it builds runs here under qemu-user, which CMake uses for the tests and for the tools
# the build runs.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)

set(_triple aarch64-linux-gnu)
set(CMAKE_C_COMPILER ${_triple}-gcc)
set(CMAKE_CXX_COMPILER ${_triple}-g++)
set(CMAKE_LIBRARY_ARCHITECTURE ${_triple})
set(PKG_CONFIG_EXECUTABLE ${_triple}-pkg-config CACHE FILEPATH "pkg-config for the arm64 libraries")

# The cross compiler's own folder, and / for the multiarch libraries and headers
# (/usr/lib/aarch64-linux-gnu, /usr/include/aarch64-linux-gnu) beside the amd64 ones.
set(CMAKE_FIND_ROOT_PATH /usr/${_triple} /)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)   # host tools: python3, Xvfb, qemu, dpkg-deb
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# qemu-user runs the programs with the multiarch loader and C library (libc6:arm64, in /lib and
# /usr/lib/aarch64-linux-gnu). Not with -L /usr/aarch64-linux-gnu: that puts the cross
# compiler's loader in front of the multiarch C library, two builds of glibc whose private
# structures need not agree (with Debian 12's, a forked child loops for ever in fork's clean-up,
# so SDL's X11 message box, shown from a forked child, never appears).
find_program(QUORVANE_QEMU_AARCH64 qemu-aarch64-static)
if(QUORVANE_QEMU_AARCH64)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${QUORVANE_QEMU_AARCH64})
endif()

# The Debian package is for arm64; dpkg-shlibdeps reads the arm64 libraries' dependencies.
set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE arm64)
