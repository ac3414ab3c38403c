# The Debian package kvistra_VERSION_amd64.deb, made by cpack from the build
# tree (scripts/package.sh). Its files are the install component "deb", which
# a plain `cmake --install` leaves out: the show in /usr/lib/games/kvistra
# (the program beside its screen mode watchdog), its library and music in
# /usr/share/games/kvistra, a launcher /usr/games/kvistra that starts it
# there, the tools in /usr/bin, the manual pages, the desktop entry and icon.
if(NOT TARGET kvistra)
  return()
endif()

set(KVISTRA_MAINTAINER "kvistra maintainers <maintainers@users.noreply.c-seed-b6c2cc37.example>")
set(deb COMPONENT deb EXCLUDE_FROM_ALL)
set(staged ${CMAKE_BINARY_DIR}/package)

install(TARGETS kvistra kvistra-mode-watchdog RUNTIME DESTINATION lib/games/kvistra ${deb})
install(FILES ${KVISTRA_RUN_DIR}/ant ${KVISTRA_RUN_DIR}/music.mp3 DESTINATION share/games/kvistra ${deb})
install(PROGRAMS ${CMAKE_SOURCE_DIR}/packaging/kvistra DESTINATION games ${deb})
install(TARGETS kvistra-ant kvistra-capture kvistra-bake RUNTIME DESTINATION bin ${deb})
install(FILES ${CMAKE_SOURCE_DIR}/packaging/kvistra.desktop DESTINATION share/applications ${deb})

# Files Debian keeps gzipped (without a time stamp, so that the same tree
# makes the same package): the changelog and the manual pages.
configure_file(${CMAKE_SOURCE_DIR}/packaging/changelog ${staged}/changelog @ONLY)
set(gzipped ${staged}/changelog.gz)
add_custom_command(OUTPUT ${staged}/changelog.gz
  COMMAND gzip -9nkf ${staged}/changelog
  DEPENDS ${staged}/changelog
  VERBATIM)
install(FILES ${staged}/changelog.gz ${CMAKE_SOURCE_DIR}/packaging/copyright
  DESTINATION share/doc/kvistra ${deb})
file(GLOB man_pages CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/man/*.[0-9])
foreach(page ${man_pages})
  get_filename_component(name ${page} NAME)
  string(REGEX MATCH "[0-9]$" section ${name})
  add_custom_command(OUTPUT ${staged}/${name}.gz
    COMMAND ${CMAKE_COMMAND} -E copy ${page} ${staged}/${name}
    COMMAND gzip -9nf ${staged}/${name}
    DEPENDS ${page}
    VERBATIM)
  list(APPEND gzipped ${staged}/${name}.gz)
  install(FILES ${staged}/${name}.gz DESTINATION share/man/man${section} ${deb})
endforeach()

# The icon: the baker's chrome picture.
add_custom_command(OUTPUT ${staged}/kvistra.png
  COMMAND kvistra-bake --icon ${staged}/kvistra.png
  DEPENDS kvistra-bake
  VERBATIM)
add_custom_target(kvistra-package-files ALL DEPENDS ${gzipped} ${staged}/kvistra.png)
install(FILES ${staged}/kvistra.png DESTINATION share/icons/hicolor/256x256/apps ${deb})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kvistra)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${KVISTRA_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "self-running real-time audiovisual demo")
set(CPACK_PACKAGE_DESCRIPTION_FILE ${CMAKE_SOURCE_DIR}/packaging/description)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_INSTALL_CMAKE_PROJECTS "${CMAKE_BINARY_DIR};kvistra;deb;/")
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Depends: what the programs link with, found by dpkg-shlibdeps.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# kvistra-bake letters the title pictures with DejaVu; kvistra-capture --mp4
# runs ffmpeg.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS fonts-dejavu-core)
set(CPACK_DEBIAN_PACKAGE_SUGGESTS ffmpeg)
include(CPack)
