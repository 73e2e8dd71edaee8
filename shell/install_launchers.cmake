# Run when installing, for the prefix given then (which `cmake --install --prefix` may have
# changed since configuring): the game's link and the desktop entry naming it.
# In: V2_GAME_DIR, V2_BINDIR, V2_DATADIR (relative to the prefix), V2_DESKTOP_TEMPLATE and
# V2_DESKTOP_OUT (a scratch file).
#
# Installed under /usr, as the Debian package is, the link goes to /usr/games, where Debian
# keeps games and which every user's PATH holds; elsewhere to the prefix's bin directory.
if(CMAKE_INSTALL_PREFIX STREQUAL "/usr")
    set(link_dir games)
else()
    set(link_dir "${V2_BINDIR}")
endif()
set(link "${CMAKE_INSTALL_PREFIX}/${link_dir}/vextorium2")
file(MAKE_DIRECTORY "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}/${link_dir}")
file(CREATE_LINK "../${V2_GAME_DIR}/vextorium2" "$ENV{DESTDIR}${link}" SYMBOLIC)

# A path holding a character the entry format reserves is quoted, with ", `, $ and \ escaped
# inside the quotes and every \ of the value escaped once more, as the format asks.
set(exec "${link}")
if(NOT exec MATCHES "^[A-Za-z0-9/._+,:@=-]+$")
    string(REGEX REPLACE "([\"`$\\\\])" "\\\\\\1" exec "${exec}")
    string(REPLACE "\\" "\\\\" exec "${exec}")
    set(exec "\"${exec}\"")
endif()
set(V2_DESKTOP_EXEC "${exec}")
configure_file("${V2_DESKTOP_TEMPLATE}" "${V2_DESKTOP_OUT}" @ONLY)
file(INSTALL "${V2_DESKTOP_OUT}" DESTINATION "${CMAKE_INSTALL_PREFIX}/${V2_DATADIR}/applications")
