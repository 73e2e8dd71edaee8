# Installing: the game and the data it only reads side by side in <libdir>/vextorium2 (it finds
# them beside its own executable), a link to it in <bindir> (/usr/games under /usr), a desktop
# entry, the icon in every size and the manual page (component "game"); the score server, its
# verifier and its manual page (component "scoreserver"). Files the game writes go to the user's data
# directory when the installed directory is not writable.
include(GNUInstallDirs)
set(V2_GAME_DIR ${CMAKE_INSTALL_LIBDIR}/vextorium2)

install(TARGETS vextorium2 RUNTIME DESTINATION ${V2_GAME_DIR} COMPONENT game)
install(FILES ${V2_BIN_DIR}/BrickMap.dat ${V2_BIN_DIR}/blast.wav ${V2_BIN_DIR}/hit.wav
              ${V2_BIN_DIR}/music.wav ${V2_BIN_DIR}/menudown.wav ${V2_BIN_DIR}/menuup.wav
              ${V2_BIN_DIR}/Action.wav
        DESTINATION ${V2_GAME_DIR} COMPONENT game)
# The link and the desktop entry are made when installing, for the prefix given then.
install(CODE "
    set(V2_GAME_DIR \"${V2_GAME_DIR}\")
    set(V2_BINDIR \"${CMAKE_INSTALL_BINDIR}\")
    set(V2_DATADIR \"${CMAKE_INSTALL_DATADIR}\")
    set(V2_DESKTOP_TEMPLATE \"${CMAKE_CURRENT_LIST_DIR}/desktop/vextorium2.desktop.in\")
    set(V2_DESKTOP_OUT \"${CMAKE_BINARY_DIR}/install-desktop/vextorium2.desktop\")
    include(\"${CMAKE_CURRENT_LIST_DIR}/install_launchers.cmake\")
" COMPONENT game)
foreach(size 16 32 48 64 128 256)
    install(FILES ${CMAKE_BINARY_DIR}/assets/bitmaps/icons/vextorium2-${size}.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
            RENAME vextorium2.png COMPONENT game)
endforeach()

install(TARGETS scoreserver RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT scoreserver)
# The verifier the server runs to prove a score: the replay runner with the level file records
# are checked against, found by the server under <bindir>/../libexec.
install(TARGETS vextorium2-replay RUNTIME DESTINATION libexec/vextorium2-scoreserver
        COMPONENT scoreserver)
install(FILES ${V2_BIN_DIR}/BrickMap.dat DESTINATION libexec/vextorium2-scoreserver
        COMPONENT scoreserver)
# The web game, built with the web toolchain, where the score server looks for it
# (<datadir>/vextorium2/web) when its directory is named: -DVEXTORIUM2_WEB_DIR=build-web/bin/web
set(VEXTORIUM2_WEB_DIR "" CACHE PATH "The built web game to install for the score server")
if(VEXTORIUM2_WEB_DIR)
    install(DIRECTORY ${VEXTORIUM2_WEB_DIR}/ DESTINATION ${CMAKE_INSTALL_DATADIR}/vextorium2/web
            COMPONENT scoreserver)
endif()

# Manual pages, compressed as Debian installs them (gzip -n: no name or time stamp inside, so
# the same page gives the same bytes).
find_program(V2_GZIP gzip REQUIRED)
foreach(page vextorium2.6:game scoreserver.8:scoreserver)
    string(REPLACE ":" ";" page ${page})
    list(GET page 0 name)
    list(GET page 1 component)
    string(REGEX REPLACE ".*\\." "" section ${name})
    add_custom_command(
        OUTPUT ${CMAKE_BINARY_DIR}/man/${name}.gz
        COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man
        COMMAND ${V2_GZIP} -9n -c ${CMAKE_SOURCE_DIR}/man/${name} > ${CMAKE_BINARY_DIR}/man/${name}.gz
        DEPENDS ${CMAKE_SOURCE_DIR}/man/${name}
        COMMENT "Compressing the manual page ${name}")
    list(APPEND V2_MAN_PAGES ${CMAKE_BINARY_DIR}/man/${name}.gz)
    install(FILES ${CMAKE_BINARY_DIR}/man/${name}.gz
            DESTINATION ${CMAKE_INSTALL_MANDIR}/man${section} COMPONENT ${component})
endforeach()
add_custom_target(vextorium2_man ALL DEPENDS ${V2_MAN_PAGES})
