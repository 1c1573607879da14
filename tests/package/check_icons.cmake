# Runs the icon generator into OUT and compares what it made with the committed icons, byte for
# byte. Usage: cmake [-DEMULATOR=...] -DMAKE_ICON=... -DCOMMITTED=data/desktop -DOUT=<folder>
# -P check_icons.cmake. EMULATOR runs a cross-built generator (qemu-user for the ARM64 build).
file(REMOVE_RECURSE "${OUT}")
file(MAKE_DIRECTORY "${OUT}")
execute_process(COMMAND ${EMULATOR} "${MAKE_ICON}" "${OUT}" RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "make_icon failed: ${status}")
endif()
foreach(size IN ITEMS 48 128 256)
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files
                          "${OUT}/quorvane_${size}.png" "${COMMITTED}/quorvane_${size}.png"
                  RESULT_VARIABLE differs)
  if(differs)
    message(FATAL_ERROR "quorvane_${size}.png differs from what make_icon draws: run the "
                        "regenerate_icons target and commit data/desktop/quorvane_*.png")
  endif()
endforeach()
