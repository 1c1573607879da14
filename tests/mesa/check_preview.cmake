# Draws the README preview's frames twice and fails unless the two runs wrote the same files,
# byte for byte (at a quarter of the size, to be quick): `make preview` must give the same
# animation every time.
# Usage: cmake -DMAKE_PREVIEW=... -DDATA=<folder of water05t.bmp> -DOUT=<folder> -P check_preview.cmake
foreach(run IN ITEMS a b)
  file(REMOVE_RECURSE "${OUT}/${run}")
  file(MAKE_DIRECTORY "${OUT}/${run}")
  execute_process(COMMAND "${MAKE_PREVIEW}" "${OUT}/${run}" 320 240 WORKING_DIRECTORY "${DATA}"
                  RESULT_VARIABLE status OUTPUT_QUIET)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "make_preview failed: ${status}")
  endif()
  file(GLOB frames_${run} RELATIVE "${OUT}/${run}" "${OUT}/${run}/frame_*.png")
  list(SORT frames_${run})
endforeach()
if(NOT frames_a OR NOT frames_a STREQUAL frames_b)
  message(FATAL_ERROR "the runs wrote different frames: [${frames_a}] and [${frames_b}]")
endif()
foreach(name IN LISTS frames_a)
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files "${OUT}/a/${name}" "${OUT}/b/${name}"
                  RESULT_VARIABLE differs)
  if(differs)
    message(FATAL_ERROR "${name} differs between two runs of make_preview")
  endif()
endforeach()
file(REMOVE_RECURSE "${OUT}")
