# Runs the icon generator into OUT and compares what it made with the committed icons, byte for
# byte: the desktop's PNGs and the Windows program's .ico.
# Usage: cmake [-DEMULATOR=...] -DMAKE_ICON=... -DCOMMITTED=data/desktop
#              -DCOMMITTED_ICO=data/windows/quorvane.ico -DOUT=<folder> -P check_icons.cmake
# EMULATOR runs a cross-built generator (qemu-user for the ARM64 build).
set(_regenerate "run the regenerate_icons target and commit data/desktop/quorvane_*.png and "
                "${COMMITTED_ICO}")
file(REMOVE_RECURSE "${OUT}")
file(MAKE_DIRECTORY "${OUT}")
execute_process(COMMAND ${EMULATOR} "${MAKE_ICON}" "${OUT}" "${OUT}/quorvane.ico" RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "make_icon failed: ${status}")
endif()
file(GLOB drawn RELATIVE "${OUT}" "${OUT}/quorvane_*.png")
file(GLOB committed RELATIVE "${COMMITTED}" "${COMMITTED}/quorvane_*.png")
list(SORT drawn)
list(SORT committed)
if(NOT drawn STREQUAL committed)
  message(FATAL_ERROR "make_icon draws ${drawn} but ${COMMITTED} holds ${committed}: ${_regenerate}")
endif()
set(_pairs)
foreach(name IN LISTS drawn)
  list(APPEND _pairs "${OUT}/${name}|${COMMITTED}/${name}")
endforeach()
list(APPEND _pairs "${OUT}/quorvane.ico|${COMMITTED_ICO}")
foreach(pair IN LISTS _pairs)
  string(REPLACE "|" ";" pair "${pair}")
  list(GET pair 0 made)
  list(GET pair 1 kept)
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files "${made}" "${kept}"
                  RESULT_VARIABLE differs)
  if(differs)
    message(FATAL_ERROR "${kept} differs from what make_icon draws: ${_regenerate}")
  endif()
endforeach()
