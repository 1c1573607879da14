# Runs the icon generator into OUT and compares what it made with the committed icons, byte for
# byte. Usage: cmake -DMAKE_ICON=... -DCOMMITTED=data/desktop -DOUT=<folder> -P check_icons.cmake
file(REMOVE_RECURSE "${OUT}")
file(MAKE_DIRECTORY "${OUT}")
execute_process(COMMAND "${MAKE_ICON}" "${OUT}" RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "make_icon failed: ${status}")
endif()
file(GLOB drawn RELATIVE "${OUT}" "${OUT}/quorvane_*.png")
file(GLOB committed RELATIVE "${COMMITTED}" "${COMMITTED}/quorvane_*.png")
list(SORT drawn)
list(SORT committed)
if(NOT drawn STREQUAL committed)
  message(FATAL_ERROR "make_icon draws ${drawn} but ${COMMITTED} holds ${committed}: run the "
                      "regenerate_icons target and commit data/desktop/quorvane_*.png")
endif()
foreach(name IN LISTS drawn)
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files "${OUT}/${name}" "${COMMITTED}/${name}"
                  RESULT_VARIABLE differs)
  if(differs)
    message(FATAL_ERROR "${name} differs from what make_icon draws: run the "
                        "regenerate_icons target and commit data/desktop/quorvane_*.png")
  endif()
endforeach()
