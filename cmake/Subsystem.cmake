# One static library per subsystem folder; every .cpp in the folder (not below it) belongs to it,
# so adding a file needs no edit here. DIRS names the folders instead (default: this one).
function(zorvane_subsystem name)
    cmake_parse_arguments(ARG "" "" "DEPS;DIRS" ${ARGN})
    set(sources)
    if(NOT ARG_DIRS)
        set(ARG_DIRS .)
    endif()
    foreach(dir ${ARG_DIRS})
        file(GLOB found CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/*.cpp
             ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/*.c)
        list(APPEND sources ${found})
    endforeach()
    if(NOT sources)
        # Headers only (so far).
        add_library(${name} INTERFACE)
        target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR}/src)
        target_link_libraries(${name} INTERFACE ${ARG_DEPS})
        return()
    endif()
    add_library(${name} STATIC ${sources})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${name} PUBLIC ${ARG_DEPS})
endfunction()
