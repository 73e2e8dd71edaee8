# Web toolchain settings: the replay runner as a Node program with the real file system.
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

# Node only, the host's files as they are, the exit status passed on, memory as needed; the
# module compiled synchronously (Node's fetch cannot load a file path).
add_link_options(-sENVIRONMENT=node -sNODERAWFS=1 -sEXIT_RUNTIME=1 -sALLOW_MEMORY_GROWTH=1
                 -sWASM_ASYNC_COMPILATION=0)

# The embedded artwork compiled from the native build's source, the data files copied beside
# the runner.
function(v2_web_assets)
    add_library(vextorium2_resources STATIC ${V2_HOST_RESOURCES})
    set(names music.wav blast.wav hit.wav menudown.wav menuup.wav Action.wav BrickMap.dat)
    set(outputs "")
    foreach(name ${names})
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
