# Reads the include lines of every source file under SOURCE_DIR and fails when a folder includes
# a folder of a higher layer (LAYERS lists them from the bottom up), or when a file outside the
# platform layer and the audio module includes a system library the platform layer wraps.
#   cmake -DSOURCE_DIR=src -DLAYERS="core;platform;..." -P check_layers.cmake
if(NOT SOURCE_DIR OR NOT LAYERS)
    message(FATAL_ERROR "usage: cmake -DSOURCE_DIR=DIR -DLAYERS=a;b;c -P check_layers.cmake")
endif()

get_filename_component(SOURCE_DIR "${SOURCE_DIR}" ABSOLUTE)
set(wrapped "SDL[0-9]*/|SDL[._]|GL/|epoxy/|gtk/|gdk/|glib|X11/|dlfcn\\.h|AL/|vorbis/|ogg/")
file(GLOB_RECURSE files RELATIVE ${SOURCE_DIR} ${SOURCE_DIR}/*.h ${SOURCE_DIR}/*.cpp
     ${SOURCE_DIR}/*.c)
set(faults 0)
set(checked 0)
foreach(file ${files})
    string(REGEX MATCH "^[^/]+" folder "${file}")
    list(FIND LAYERS "${folder}" own)
    if(own EQUAL -1)
        message("${file}: the folder ${folder} is in no layer")
        math(EXPR faults "${faults} + 1")
        continue()
    endif()
    file(STRINGS ${SOURCE_DIR}/${file} includes REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"]")
    foreach(line ${includes})
        math(EXPR checked "${checked} + 1")
        if(line MATCHES "#[ \t]*include[ \t]*\"([^/\"]+)/")
            list(FIND LAYERS "${CMAKE_MATCH_1}" used)
            if(used GREATER own)
                message("${file}: ${folder} includes the higher layer "
                        "${CMAKE_MATCH_1}: ${line}")
                math(EXPR faults "${faults} + 1")
            endif()
        elseif(line MATCHES "#[ \t]*include[ \t]*<(${wrapped})"
               AND NOT file MATCHES "^platform/" AND NOT file MATCHES "^audio/backend/")
            message("${file}: only the platform layer and the audio module include "
                    "the system's libraries: ${line}")
            math(EXPR faults "${faults} + 1")
        endif()
    endforeach()
endforeach()
list(LENGTH files count)
if(faults GREATER 0)
    message(FATAL_ERROR "${faults} include lines break the layering")
endif()
message(STATUS "${count} files, ${checked} include lines, each within its layer")
