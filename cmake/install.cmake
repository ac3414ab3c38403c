# What `cmake --install` puts in place: the program kvistra beside its
# library "ant", its music "music.mp3" (it opens both by relative name) and
# its screen mode watchdog kvistra-mode-watchdog (it starts it from there) in
# <prefix>/lib/kvistra, and a launcher <prefix>/bin/kvistra that starts it
# from there.
include(GNUInstallDirs)

if(NOT TARGET kvistra)
  message(STATUS "kvistra: no program kvistra, nothing to install")
  return()
endif()

set(KVISTRA_INSTALL_DIR ${CMAKE_INSTALL_LIBDIR}/kvistra)
install(TARGETS kvistra kvistra-mode-watchdog RUNTIME DESTINATION ${KVISTRA_INSTALL_DIR})
install(FILES ${KVISTRA_RUN_DIR}/ant ${KVISTRA_RUN_DIR}/music.mp3 DESTINATION ${KVISTRA_INSTALL_DIR})

# The launcher finds the show relative to itself, so the installed tree can
# be moved as a whole.
file(RELATIVE_PATH KVISTRA_LAUNCHER_TO_SHOW
  /${CMAKE_INSTALL_BINDIR} /${KVISTRA_INSTALL_DIR})
file(CONFIGURE OUTPUT ${CMAKE_BINARY_DIR}/launcher/kvistra CONTENT [=[
#!/bin/sh
# Plays the kvistra show from the directory holding its library and music.
here=$(dirname "$(readlink -f "$0")")
cd "$here/@KVISTRA_LAUNCHER_TO_SHOW@" || exit 1
exec ./kvistra "$@"
]=] @ONLY)
install(PROGRAMS ${CMAKE_BINARY_DIR}/launcher/kvistra DESTINATION ${CMAKE_INSTALL_BINDIR})
