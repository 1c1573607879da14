# Run by `cmake --install` (and so by CPack): writes the menu entry and the manual page for the
# prefix being installed to, and compresses the manual page and the changelog as Debian wants
# (gzip -9n: no name or time stamp, so the bytes depend only on the text).
foreach(_dir IN ITEMS GAMESDIR GAMEDATADIR)
  if(IS_ABSOLUTE "${QUORVANE_${_dir}}")
    set(_full_${_dir} "${QUORVANE_${_dir}}")
  else()
    set(_full_${_dir} "${CMAKE_INSTALL_PREFIX}/${QUORVANE_${_dir}}")
  endif()
endforeach()
set(QUORVANE_EXEC "${_full_GAMESDIR}/quorvane")
set(QUORVANE_PATH "${_full_GAMEDATADIR}")
configure_file("${QUORVANE_SOURCE}/quorvane.desktop.in" "${QUORVANE_MADE}/quorvane.desktop" @ONLY)
configure_file("${QUORVANE_SOURCE}/quorvane.6.in" "${QUORVANE_MADE}/quorvane.6" @ONLY)

foreach(_pair IN ITEMS "${QUORVANE_MADE}/quorvane.6|quorvane.6.gz" "${QUORVANE_SOURCE}/changelog|changelog.gz")
  string(REPLACE "|" ";" _pair "${_pair}")
  list(GET _pair 0 _from)
  list(GET _pair 1 _to)
  execute_process(COMMAND gzip -9nc "${_from}" OUTPUT_FILE "${QUORVANE_MADE}/${_to}"
                  RESULT_VARIABLE _status)
  if(NOT _status EQUAL 0)
    message(FATAL_ERROR "gzip ${_from} failed: ${_status}")
  endif()
endforeach()
