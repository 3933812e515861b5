# Resources are embedded into the executable: on Linux as read-only data with the assembler's
# .incbin, on Windows as the module's own resources, compiled from a .rc file by windres.
# Each one is registered with zorvane_resource(); zorvane_generate_resources() then writes the
# assembler file and the look-up table, or the .rc file, and builds the library zorvane_resources.
# A resource made by a target that this build leaves out is left out too.

set_property(GLOBAL PROPERTY ZORVANE_RESOURCES "")

# zorvane_resource(TYPE ID FILE [TARGET generating_target])
function(zorvane_resource type id file)
    cmake_parse_arguments(ARG "" "TARGET" "" ${ARGN})
    get_property(list GLOBAL PROPERTY ZORVANE_RESOURCES)
    foreach(entry ${list})
        string(REPLACE "|" ";" parts "${entry}")
        list(GET parts 0 other_type)
        list(GET parts 1 other_id)
        string(TOLOWER "${other_type}" other_lower)
        string(TOLOWER "${type}" lower)
        if(other_lower STREQUAL lower AND other_id EQUAL id)
            message(FATAL_ERROR "resource ${type} ${id} is registered twice")
        endif()
    endforeach()
    set(entry "${type}|${id}|${file}")
    if(ARG_TARGET)
        string(APPEND entry "|${ARG_TARGET}")
    endif()
    set_property(GLOBAL APPEND PROPERTY ZORVANE_RESOURCES "${entry}")
endfunction()

# Reads a manifest: one resource a line, "TYPE ID FILE [TARGET]", '#' starts a comment.
# FILE is relative to the manifest's folder; "@" at its start means the build tree instead.
function(zorvane_resource_manifest manifest)
    get_filename_component(base ${manifest} DIRECTORY)
    file(STRINGS ${manifest} lines)
    foreach(line ${lines})
        string(REGEX REPLACE "#.*$" "" line "${line}")
        string(STRIP "${line}" line)
        if(line STREQUAL "")
            continue()
        endif()
        string(REGEX REPLACE "[ \t]+" ";" fields "${line}")
        list(LENGTH fields count)
        if(count LESS 3)
            message(FATAL_ERROR "bad manifest line: ${line}")
        endif()
        list(GET fields 0 type)
        list(GET fields 1 id)
        list(GET fields 2 file)
        if(file MATCHES "^@(.*)$")
            set(file ${PROJECT_BINARY_DIR}/${CMAKE_MATCH_1})
        else()
            set(file ${base}/${file})
        endif()
        if(count GREATER 3)
            list(GET fields 3 target)
            zorvane_resource(${type} ${id} ${file} TARGET ${target})
        else()
            zorvane_resource(${type} ${id} ${file})
        endif()
    endforeach()
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${manifest})
endfunction()

# The registered resources whose generating target (if any) is part of this build, and those
# targets, into the caller's `entries` and `targets`.
function(zorvane_built_resources)
    get_property(list GLOBAL PROPERTY ZORVANE_RESOURCES)
    set(entries "")
    set(targets "")
    foreach(entry ${list})
        string(REPLACE "|" ";" parts "${entry}")
        list(LENGTH parts count)
        if(count GREATER 3)
            list(GET parts 3 target)
            if(NOT TARGET ${target})
                continue()
            endif()
            list(APPEND targets ${target})
        endif()
        list(APPEND entries "${entry}")
    endforeach()
    set(entries "${entries}" PARENT_SCOPE)
    set(targets "${targets}" PARENT_SCOPE)
endfunction()

function(zorvane_generate_resources)
    if(WIN32)
        zorvane_generate_windows_resources()
        return()
    endif()
    zorvane_built_resources()
    set(list "${entries}")
    set(asm ".section .rodata.zorvane_resources,\"a\",@progbits\n")
    set(decls "")
    set(rows "")
    set(files "")
    set(index 0)
    foreach(entry ${list})
        string(REPLACE "|" ";" parts "${entry}")
        list(GET parts 0 type)
        list(GET parts 1 id)
        list(GET parts 2 file)
        string(APPEND asm ".balign 16\n.global zorvane_res_${index}_begin\nzorvane_res_${index}_begin:\n"
               ".incbin \"${file}\"\n.global zorvane_res_${index}_end\nzorvane_res_${index}_end:\n")
        string(APPEND decls "extern const unsigned char zorvane_res_${index}_begin[];\n"
               "extern const unsigned char zorvane_res_${index}_end[];\n")
        string(APPEND rows "    {\"${type}\", ${id}, zorvane_res_${index}_begin, zorvane_res_${index}_end},\n")
        list(APPEND files ${file})
        math(EXPR index "${index} + 1")
    endforeach()
    string(APPEND asm ".section .note.GNU-stack,\"\",@progbits\n")
    set(out ${PROJECT_BINARY_DIR}/generated)
    file(CONFIGURE OUTPUT ${out}/resources.S CONTENT "${asm}")
    file(CONFIGURE OUTPUT ${out}/resource_table.cpp CONTENT
"// Generated from the resource manifest; do not edit.
#include \"platform/linux/embedded_resource_table.h\"

extern \"C\" {
${decls}}

namespace platform::linux_impl {

const EmbeddedResourceEntry kEmbeddedResources[] = {
${rows}    {nullptr, 0, nullptr, nullptr},
};

}  // namespace platform::linux_impl
")
    set_source_files_properties(${out}/resources.S PROPERTIES OBJECT_DEPENDS "${files}")
    add_library(zorvane_resources STATIC ${out}/resources.S ${out}/resource_table.cpp)
    target_include_directories(zorvane_resources PRIVATE ${PROJECT_SOURCE_DIR}/src)
    if(targets)
        add_dependencies(zorvane_resources ${targets})
    endif()
endfunction()

# Windows: one .rc line a resource, `ID Type "file"`. windres takes the all-capital BITMAP and
# DIALOG for its own statements, so the type is written capitalised (Bitmap, Dialog): a name of
# our own, which windres stores in capitals, as Windows finds any resource type name. The .rc also
# carries the application manifest.
function(zorvane_generate_windows_resources)
    zorvane_built_resources()
    set(rc "#include <winuser.h>\n")
    string(APPEND rc "CREATEPROCESS_MANIFEST_RESOURCE_ID RT_MANIFEST \"${PROJECT_SOURCE_DIR}/cmake/windows/zorvane.manifest\"\n")
    set(files ${PROJECT_SOURCE_DIR}/cmake/windows/zorvane.manifest)
    foreach(entry ${entries})
        string(REPLACE "|" ";" parts "${entry}")
        list(GET parts 0 type)
        list(GET parts 1 id)
        list(GET parts 2 file)
        string(SUBSTRING "${type}" 0 1 first)
        string(SUBSTRING "${type}" 1 -1 rest)
        string(TOUPPER "${first}" first)
        string(TOLOWER "${rest}" rest)
        string(APPEND rc "${id} ${first}${rest} \"${file}\"\n")
        list(APPEND files ${file})
    endforeach()
    set(out ${PROJECT_BINARY_DIR}/generated)
    file(CONFIGURE OUTPUT ${out}/resources.rc CONTENT "${rc}")
    set_source_files_properties(${out}/resources.rc PROPERTIES OBJECT_DEPENDS "${files}")
    # A resource object defines no symbol anything asks for, so out of a static library the linker
    # would leave it behind: every program that links the library gets the object itself.
    add_library(zorvane_resource_objects OBJECT ${out}/resources.rc)
    if(targets)
        add_dependencies(zorvane_resource_objects ${targets})
    endif()
    add_library(zorvane_resources INTERFACE)
    target_link_libraries(zorvane_resources INTERFACE $<TARGET_OBJECTS:zorvane_resource_objects>)
    add_dependencies(zorvane_resources zorvane_resource_objects)
endfunction()
