# Debian packages, made in a build directory with `cpack -G DEB`:
#   vextorium2              the game, its data, desktop entry, icons and manual page
#   vextorium2-scoreserver  the score server as a system service: a unit running it as the
#                           system user vextorium2 with its database in /var/lib/vextorium2
# The files only a package needs (copyright, changelog, lintian overrides, the unit) are left
# out of a plain `cmake --install`, which installs each component's programs, data and manual
# pages.
set(V2_PACKAGING ${CMAKE_CURRENT_LIST_DIR})
set(V2_MAINTAINER "Vextorium2 developers <packages@vextorium2.invalid>")

set(V2_VERSION ${PROJECT_VERSION})
configure_file(${V2_PACKAGING}/changelog ${CMAKE_BINARY_DIR}/packaging/changelog @ONLY)
add_custom_command(
    OUTPUT ${CMAKE_BINARY_DIR}/packaging/changelog.gz
    COMMAND ${V2_GZIP} -9n -c ${CMAKE_BINARY_DIR}/packaging/changelog
            > ${CMAKE_BINARY_DIR}/packaging/changelog.gz
    DEPENDS ${CMAKE_BINARY_DIR}/packaging/changelog)
add_custom_target(vextorium2_changelog ALL DEPENDS ${CMAKE_BINARY_DIR}/packaging/changelog.gz)

foreach(package vextorium2:game vextorium2-scoreserver:scoreserver)
    string(REPLACE ":" ";" package ${package})
    list(GET package 0 name)
    list(GET package 1 component)
    install(FILES ${V2_PACKAGING}/copyright ${CMAKE_BINARY_DIR}/packaging/changelog.gz
            DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${name}
            COMPONENT ${component} EXCLUDE_FROM_ALL)
endforeach()
install(FILES ${V2_PACKAGING}/lintian-overrides
        DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME vextorium2
        COMPONENT game EXCLUDE_FROM_ALL)
# Debian 12 keeps system units in /lib/systemd/system.
install(FILES ${V2_PACKAGING}/vextorium2-scoreserver.service DESTINATION /lib/systemd/system
        COMPONENT scoreserver EXCLUDE_FROM_ALL)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vextorium2)
set(CPACK_PACKAGE_VENDOR "The Vextorium2 developers")
set(CPACK_PACKAGE_CONTACT "${V2_MAINTAINER}")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_INSTALL_PREFIX /usr)
# Installed with DESTDIR, so that CMAKE_INSTALL_PREFIX is /usr while installing (the desktop
# entry is written with it) and the unit's absolute destination lands inside the package.
set(CPACK_SET_DESTDIR ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_COMPONENTS_ALL game scoreserver)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

set(CPACK_DEBIAN_GAME_PACKAGE_NAME vextorium2)
set(CPACK_DEBIAN_GAME_PACKAGE_SECTION games)
set(CPACK_COMPONENT_GAME_DESCRIPTION
    "brick-breaker with paddle, balls and falling items
Steer the paddle, keep the balls in play and break every brick of three
levels. Seven kinds of brick (some take several hits, one never breaks, fire
bricks explode into their neighbours), fourteen falling items, a 100-entry
high-score table with an online exchange, and a saved game.")

set(CPACK_DEBIAN_SCORESERVER_PACKAGE_NAME vextorium2-scoreserver)
set(CPACK_DEBIAN_SCORESERVER_PACKAGE_SECTION net)
set(CPACK_DEBIAN_SCORESERVER_PACKAGE_DEPENDS "adduser")
set(CPACK_DEBIAN_SCORESERVER_PACKAGE_CONTROL_EXTRA
    ${V2_PACKAGING}/scoreserver/postinst ${V2_PACKAGING}/scoreserver/prerm
    ${V2_PACKAGING}/scoreserver/postrm)
set(CPACK_COMPONENT_SCORESERVER_DESCRIPTION
    "high-score server for the Vextorium2 game
Records the scores the game uploads over HTTP and answers the best 100,
keeping them in a SQLite database. Installed as the system service
vextorium2-scoreserver, run as the system user vextorium2 with its database
in /var/lib/vextorium2, listening on 127.0.0.1:8642.")

include(CPack)
