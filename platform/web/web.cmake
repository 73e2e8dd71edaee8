# Web toolchain settings: the game for the browser (bin/web: the page, its script, the program
# and the data package) and the replay runner as a Node program with the real file system.
set(VEXTORIUM2_HOST_BUILD "" CACHE PATH
    "Native build directory whose generated artwork and data files the web build uses")
if(NOT VEXTORIUM2_HOST_BUILD)
    message(FATAL_ERROR "The web build needs -DVEXTORIUM2_HOST_BUILD=<native build directory>")
endif()
get_filename_component(V2_HOST_BUILD ${VEXTORIUM2_HOST_BUILD} ABSOLUTE BASE_DIR ${CMAKE_BINARY_DIR})
set(V2_HOST_RESOURCES ${V2_HOST_BUILD}/assets/embedded_resources.cpp)
if(NOT EXISTS ${V2_HOST_RESOURCES})
    message(FATAL_ERROR "${V2_HOST_RESOURCES} is missing: build the native tree first")
endif()

set(V2_DATA_FILES music.wav blast.wav hit.wav menudown.wav menuup.wav Action.wav BrickMap.dat)

# The embedded artwork compiled from the native build's source, the data files copied beside
# the runner.
function(v2_web_assets)
    add_library(vextorium2_resources STATIC ${V2_HOST_RESOURCES})
    set(outputs "")
    foreach(name ${V2_DATA_FILES})
        add_custom_command(
            OUTPUT ${V2_BIN_DIR}/${name}
            COMMAND ${CMAKE_COMMAND} -E make_directory ${V2_BIN_DIR}
            COMMAND ${CMAKE_COMMAND} -E copy ${V2_HOST_BUILD}/bin/${name} ${V2_BIN_DIR}/${name}
            DEPENDS ${V2_HOST_BUILD}/bin/${name}
            VERBATIM)
        list(APPEND outputs ${V2_BIN_DIR}/${name})
    endforeach()
    add_custom_target(vextorium2_data ALL DEPENDS ${outputs})
endfunction()

function(v2_web_programs)
    # The replay runner: Node only, the host's files as they are, the exit status passed on,
    # memory as needed; the module compiled synchronously (Node's fetch cannot load a file path).
    target_link_libraries(vextorium2-replay PRIVATE platform_http_offline)
    set(replay_pre ${CMAKE_SOURCE_DIR}/platform/web/offline/environment.js)
    target_link_options(vextorium2-replay PRIVATE -sENVIRONMENT=node -sNODERAWFS=1
                        -sEXIT_RUNTIME=1 -sALLOW_MEMORY_GROWTH=1 -sWASM_ASYNC_COMPILATION=0
                        --pre-js ${replay_pre})
    set_property(TARGET vextorium2-replay APPEND PROPERTY LINK_DEPENDS ${replay_pre})

    # The game in the browser: the desktop's program over the browser back end, started by a
    # main of its own that first renders the sounds from their note lists. Its loop sleeps
    # between passes through Asyncify (whose saved stack must hold the deepest wait: the score
    # exchange and the file writes, called from the screens); the level file and the note lists
    # ride in a package under /game.
    set(page ${CMAKE_SOURCE_DIR}/platform/web/page)
    set(pre ${CMAKE_SOURCE_DIR}/platform/web/browser/pre.js)
    set(out ${V2_BIN_DIR}/web)
    add_executable(vextorium2 ${CMAKE_SOURCE_DIR}/tools/webgame/main.cpp
                          ${CMAKE_SOURCE_DIR}/tools/webgame/watch_mode.cpp)
    target_link_libraries(vextorium2 PRIVATE shell platform_web v2_version v2_soundsynth)
    v2_expose(vextorium2 tools/webgame)
    add_dependencies(vextorium2 vextorium2_data)
    set_target_properties(vextorium2 PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${out} SUFFIX ".js")
    set(package "--preload-file=${V2_BIN_DIR}/BrickMap.dat@/game/BrickMap.dat")
    set(packed ${V2_BIN_DIR}/BrickMap.dat ${V2_SOUND_SOURCES} ${pre})
    foreach(source ${V2_SOUND_SOURCES})
        get_filename_component(name ${source} NAME)
        list(APPEND package "--preload-file=${source}@/game/sounds/${name}")
    endforeach()
    target_link_options(vextorium2 PRIVATE
        -sENVIRONMENT=web -sASYNCIFY=1 -sASYNCIFY_STACK_SIZE=65536 -sALLOW_MEMORY_GROWTH=1
        -sEXIT_RUNTIME=0
        -sEXPORTED_FUNCTIONS=_main,_malloc,_free,_v2_touchKey,_v2_pageCovered -lidbfs.js
        "SHELL:--pre-js ${pre}" ${package})

    # The page, its manifest and icons (drawn by the native build from the game's own icon).
    set(pages "")
    set(icons ${V2_HOST_BUILD}/assets/bitmaps/icons)
    set(sheets ${V2_HOST_BUILD}/assets/bitmaps/web)
    foreach(file index.html page.css page.js offline.js manifest.webmanifest watch.html watch.js
            edit.html edit.css edit.js ${sheets}/bricks.png ${sheets}/backdrop.png
            ${icons}/vextorium2-192.png ${icons}/vextorium2-512.png ${icons}/favicon.ico)
        if(NOT IS_ABSOLUTE ${file})
            set(file ${page}/${file})
        endif()
        get_filename_component(name ${file} NAME)
        add_custom_command(
            OUTPUT ${out}/${name}
            COMMAND ${CMAKE_COMMAND} -E copy ${file} ${out}/${name}
            DEPENDS ${file}
            VERBATIM)
        list(APPEND pages ${out}/${name})
        list(APPEND packed ${file})
    endforeach()
    add_custom_target(vextorium2_page DEPENDS ${pages})
    add_dependencies(vextorium2 vextorium2_page)
    # The service worker lists every file with its digest: written after each link, which any
    # change of the page's files brings about too.
    list(APPEND packed ${page}/sw.js.in ${CMAKE_SOURCE_DIR}/platform/web/service_worker.cmake)
    set_target_properties(vextorium2 PROPERTIES LINK_DEPENDS "${packed}")
    add_custom_command(TARGET vextorium2 POST_BUILD
        COMMAND ${CMAKE_COMMAND} -DWEB_DIR=${out} -DTEMPLATE=${page}/sw.js.in
                -P ${CMAKE_SOURCE_DIR}/platform/web/service_worker.cmake
        VERBATIM)
endfunction()
