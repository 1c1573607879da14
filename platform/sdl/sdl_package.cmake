# Installing the demo as a desktop program (`cmake --install`) and its Debian package
# (`make package`, CPack): the program, its texture, a menu entry, icons, AppStream metadata, a
# manual page, the changelog and the licence, in the folders GNUInstallDirs and Debian expect.
include(GNUInstallDirs)

# Debian's policy puts games in <prefix>/games and their data in <prefix>/share/games.
set(QUORVANE_INSTALL_GAMESDIR "games" CACHE STRING "Folder of the program, under the prefix")
set(QUORVANE_INSTALL_GAMEDATADIR "${CMAKE_INSTALL_DATADIR}/games/quorvane" CACHE STRING
    "Folder of the texture, under the prefix; the menu entry starts the program there")
# The project's web page, named by the package and the AppStream metadata; the metadata must
# also point at a screenshot on the web, where the project publishes docs/screenshot.png.
set(QUORVANE_HOMEPAGE_URL "https://quorvane.example/" CACHE STRING
    "Web address of the project's page, for the package and the AppStream metadata")
set(QUORVANE_SCREENSHOT_URL "https://quorvane.example/screenshot.png" CACHE STRING
    "Web address of the published docs/screenshot.png, for the AppStream metadata")

# The component name software centres know the demo by, reverse-DNS as AppStream asks; the menu
# entry and the metadata are installed under it.
set(QUORVANE_APP_ID "org.quorvane.Quorvane")
set(QUORVANE_DEVELOPER_ID "org.quorvane")  # the developer's reverse-DNS name, in the metadata
set(CPACK_PACKAGE_VENDOR "The Quorvane authors")

set(_desktop "${PROJECT_SOURCE_DIR}/data/desktop")
set(_made "${PROJECT_BINARY_DIR}/install-files")
set(_docdir "${CMAKE_INSTALL_DATAROOTDIR}/doc/quorvane")  # Debian's name, not the project's

# The changelog's newest entry is the release: it must name this version, and its trailer gives
# the release date and the maintainer to the metadata, the manual page and the package.
file(STRINGS "${_desktop}/changelog" _changelog)
list(GET _changelog 0 _newest)
if(NOT _newest MATCHES "^quorvane \\(([^)]+)\\)" OR NOT CMAKE_MATCH_1 STREQUAL PROJECT_VERSION)
  message(FATAL_ERROR "data/desktop/changelog begins with \"${_newest}\", not with an entry for "
                      "version ${PROJECT_VERSION}: add one")
endif()
foreach(_line IN LISTS _changelog)
  if(_line MATCHES "^ -- (.+ <.+>)  [A-Z][a-z][a-z], ([0-9]+) ([A-Z][a-z][a-z]) ([0-9][0-9][0-9][0-9]) ")
    set(QUORVANE_MAINTAINER "${CMAKE_MATCH_1}")
    set(_day "${CMAKE_MATCH_2}")
    set(_month_name "${CMAKE_MATCH_3}")
    set(_year "${CMAKE_MATCH_4}")
    break()
  endif()
endforeach()
set(_months Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)
list(FIND _months "${_month_name}" _month)
if(NOT QUORVANE_MAINTAINER OR _month LESS 0)
  message(FATAL_ERROR "data/desktop/changelog: the newest entry has no \" -- name <mail>  date\" line")
endif()
math(EXPR _month "${_month} + 1")
string(LENGTH "${_day}" _length)
if(_length EQUAL 1)
  set(_day "0${_day}")
endif()
if(_month LESS 10)
  set(_month "0${_month}")
endif()
set(QUORVANE_RELEASE_DATE "${_year}-${_month}-${_day}")

# Files that do not depend on where the package lands are made now.
configure_file("${_desktop}/quorvane.metainfo.xml.in" "${_made}/${QUORVANE_APP_ID}.metainfo.xml" @ONLY)
# Debian's machine-readable copyright file, around the licence text of LICENSE.
file(READ "${PROJECT_SOURCE_DIR}/LICENSE" _licence)
if(NOT _licence MATCHES "^MIT License\n\nCopyright \\([cC]\\) ([^\n]+)\n\n(.+[^\n])\n*$")
  message(FATAL_ERROR "LICENSE does not read \"MIT License\", a copyright line, the text")
endif()
set(_copyright_line "${CMAKE_MATCH_1}")
string(REPLACE "\n\n" "\n.\n" _licence_body "${CMAKE_MATCH_2}")
string(REPLACE "\n" "\n " _licence_body "${_licence_body}")
file(WRITE "${_made}/copyright"
  "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/\n"
  "Upstream-Name: quorvane\n\n"
  "Files: *\nCopyright: ${_copyright_line}\nLicense: MIT\n ${_licence_body}\n")

# The menu entry and the manual page name the installed program and the texture's folder, so
# they are made when installing, for the prefix of that install (/usr in the package).
install(CODE "
  set(QUORVANE_SOURCE \"${_desktop}\")
  set(QUORVANE_MADE \"${_made}\")
  set(QUORVANE_GAMESDIR \"${QUORVANE_INSTALL_GAMESDIR}\")
  set(QUORVANE_GAMEDATADIR \"${QUORVANE_INSTALL_GAMEDATADIR}\")
  set(PROJECT_VERSION \"${PROJECT_VERSION}\")
  set(QUORVANE_RELEASE_DATE \"${QUORVANE_RELEASE_DATE}\")
  include(\"${CMAKE_CURRENT_LIST_DIR}/install_desktop_files.cmake\")")

install(TARGETS quorvane RUNTIME DESTINATION "${QUORVANE_INSTALL_GAMESDIR}")
install(FILES "${PROJECT_SOURCE_DIR}/data/water05t.bmp" DESTINATION "${QUORVANE_INSTALL_GAMEDATADIR}")
install(FILES "${_made}/quorvane.desktop" RENAME "${QUORVANE_APP_ID}.desktop"
        DESTINATION "${CMAKE_INSTALL_DATADIR}/applications")
foreach(_size IN ITEMS 16 32 48 128 192 256 512)
  install(FILES "${_desktop}/quorvane_${_size}.png" RENAME quorvane.png
          DESTINATION "${CMAKE_INSTALL_DATADIR}/icons/hicolor/${_size}x${_size}/apps")
endforeach()
install(FILES "${_made}/${QUORVANE_APP_ID}.metainfo.xml" DESTINATION "${CMAKE_INSTALL_DATADIR}/metainfo")
install(FILES "${_made}/quorvane.6.gz" DESTINATION "${CMAKE_INSTALL_MANDIR}/man6")
install(FILES "${_made}/copyright" "${_made}/changelog.gz" DESTINATION "${_docdir}")

# The Debian package: build/quorvane_<version>_amd64.deb, its dependencies read off the
# program's shared libraries by dpkg-shlibdeps.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quorvane)
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "water lit vertex by vertex from a movable point light")
# Lines kept under 80 columns: CPack indents them but does not wrap them.
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
  "A small real-time OpenGL demonstration: a flat square of water, a grid of"
  "64 x 64 textured quads, is lit vertex by vertex on the processor from a point"
  "light. The water shows bright just below the light and fades to black farther"
  "out; a small orange sphere marks the light."
  ""
  "W, A, S, D, Q and E move the light, the cursor and page keys the viewpoint, F1"
  "switches between a window and full screen. The demo appears in the desktop's"
  "application menu.")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${QUORVANE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${QUORVANE_HOMEPAGE_URL}")
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
include(CPack)
set(QUORVANE_DEBIAN_PACKAGE ON)  # tests/package builds and checks it
