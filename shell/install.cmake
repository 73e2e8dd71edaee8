# Installing: the game and the data it only reads side by side in <libdir>/vextorium2 (it finds
# them beside its own executable), a link to it in <bindir>, the score server, a desktop entry
# and the icon in every size. Files the game writes go to the user's data directory when the
# installed directory is not writable.
include(GNUInstallDirs)
set(V2_GAME_DIR ${CMAKE_INSTALL_LIBDIR}/vextorium2)

install(TARGETS vextorium2 RUNTIME DESTINATION ${V2_GAME_DIR})
install(FILES ${V2_BIN_DIR}/BrickMap.dat ${V2_BIN_DIR}/blast.wav ${V2_BIN_DIR}/hit.wav
              ${V2_BIN_DIR}/music.wav ${V2_BIN_DIR}/menudown.wav ${V2_BIN_DIR}/menuup.wav
              ${V2_BIN_DIR}/Action.wav
        DESTINATION ${V2_GAME_DIR})
install(CODE "
    file(MAKE_DIRECTORY \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}\")
    file(CREATE_LINK \"../${V2_GAME_DIR}/vextorium2\"
         \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/vextorium2\" SYMBOLIC)
")
install(TARGETS scoreserver RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

set(V2_DESKTOP_EXEC ${CMAKE_INSTALL_FULL_BINDIR}/vextorium2)
configure_file(${CMAKE_CURRENT_LIST_DIR}/desktop/vextorium2.desktop.in
               ${CMAKE_BINARY_DIR}/vextorium2.desktop @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/vextorium2.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
foreach(size 16 32 48 64 128 256)
    install(FILES ${CMAKE_BINARY_DIR}/assets/bitmaps/icons/vextorium2-${size}.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
            RENAME vextorium2.png)
endforeach()
