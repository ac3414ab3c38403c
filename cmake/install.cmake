# What `cmake --install` puts in place, for a user's prefix and for the
# Debian package (debian/rules) alike:
#   <launcher dir>/kvistra           a launcher that starts the show from its files
#   lib/games/kvistra/               the program kvistra and its screen mode watchdog
#                                    kvistra-mode-watchdog (it starts it from there)
#   share/games/kvistra/             the library "ant" and the music "music.mp3"
#                                    (the program opens both by relative name)
#   bin/                             the tools kvistra-ant, kvistra-capture, kvistra-bake
#   share/man/man1, man6             the manual pages
#   share/applications, share/icons/hicolor/256x256/apps, share/metainfo
#                                    the desktop entry, its icon and the AppStream metadata
# The launcher dir is bin/ unless KVISTRA_LAUNCHER_DIR says otherwise (the
# package: games, so /usr/games).
include(GNUInstallDirs)

if(NOT TARGET kvistra)
  message(STATUS "kvistra: no program kvistra, nothing to install")
  return()
endif()

set(KVISTRA_LAUNCHER_DIR ${CMAKE_INSTALL_BINDIR} CACHE STRING
  "Where the launcher kvistra is installed, relative to the prefix")
set(program_dir lib/games/kvistra)
# kvistra-capture looks for the show in ../share/games/kvistra beside its own folder.
set(data_dir share/games/kvistra)
set(staged ${CMAKE_BINARY_DIR}/install)

install(TARGETS kvistra kvistra-mode-watchdog RUNTIME DESTINATION ${program_dir})
install(FILES ${KVISTRA_RUN_DIR}/ant ${KVISTRA_RUN_DIR}/music.mp3 DESTINATION ${data_dir})
install(TARGETS kvistra-ant kvistra-capture kvistra-bake RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# The launcher finds the show relative to itself, so the installed tree can
# be moved as a whole.
file(RELATIVE_PATH KVISTRA_LAUNCHER_TO_PROGRAM /${KVISTRA_LAUNCHER_DIR} /${program_dir})
file(RELATIVE_PATH KVISTRA_LAUNCHER_TO_DATA /${KVISTRA_LAUNCHER_DIR} /${data_dir})
configure_file(${CMAKE_SOURCE_DIR}/packaging/kvistra.in ${staged}/kvistra @ONLY)
install(PROGRAMS ${staged}/kvistra DESTINATION ${KVISTRA_LAUNCHER_DIR})

file(GLOB man_pages CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/man/*.[0-9])
foreach(page ${man_pages})
  string(REGEX MATCH "[0-9]$" section ${page})
  install(FILES ${page} DESTINATION ${CMAKE_INSTALL_MANDIR}/man${section})
endforeach()

# The desktop entry starts the installed launcher; the icon is the baker's
# chrome picture.
set(KVISTRA_LAUNCHER ${CMAKE_INSTALL_PREFIX}/${KVISTRA_LAUNCHER_DIR}/kvistra)
configure_file(${CMAKE_SOURCE_DIR}/packaging/kvistra.desktop.in ${staged}/kvistra.desktop @ONLY)
install(FILES ${staged}/kvistra.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
add_custom_command(OUTPUT ${staged}/kvistra.png
  COMMAND kvistra-bake --icon ${staged}/kvistra.png
  DEPENDS kvistra-bake
  VERBATIM)
add_custom_target(kvistra-icon ALL DEPENDS ${staged}/kvistra.png)
install(FILES ${staged}/kvistra.png DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/256x256/apps)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/example.c_seed_b6c2cc37.kvistra.metainfo.xml
  DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
