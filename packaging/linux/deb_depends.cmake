# Read by cpack before it makes a package. The sound module is embedded in the program as data,
# so dpkg-shlibdeps, which reads the program's own links, misses OpenAL Soft and libvorbisfile.
# This adds to the package's Depends what dpkg-shlibdeps finds for the program and the module
# together beyond what it finds for the program alone.
if(NOT CPACK_GENERATOR STREQUAL "DEB")
    return()
endif()

# The dependencies dpkg-shlibdeps finds for `files`, one list entry each.
function(zorvane_shlibdeps out)
    get_filename_component(build ${CPACK_OUTPUT_CONFIG_FILE} DIRECTORY)
    set(work ${build}/_CPack_Packages/zorvane-shlibdeps)
    # dpkg-shlibdeps wants to stand in a Debian source tree.
    file(MAKE_DIRECTORY ${work}/debian)
    file(WRITE ${work}/debian/control "")
    execute_process(COMMAND dpkg-shlibdeps -O ${ARGN}
                    WORKING_DIRECTORY ${work}
                    OUTPUT_VARIABLE found ERROR_VARIABLE error RESULT_VARIABLE result
                    OUTPUT_STRIP_TRAILING_WHITESPACE)
    file(REMOVE_RECURSE ${work})
    if(NOT result EQUAL 0 OR NOT found MATCHES "^shlibs:Depends=")
        message(FATAL_ERROR "dpkg-shlibdeps failed on ${ARGN}: ${error}")
    endif()
    string(REGEX REPLACE "^shlibs:Depends=" "" found "${found}")
    string(REPLACE ", " ";" found "${found}")
    set(${out} ${found} PARENT_SCOPE)
endfunction()

foreach(file CPACK_ZORVANE_PROGRAM CPACK_ZORVANE_SOUND_MODULE)
    if(NOT EXISTS "${${file}}")
        message(FATAL_ERROR "${${file}} is missing: build the project before making the package")
    endif()
endforeach()
zorvane_shlibdeps(program_depends ${CPACK_ZORVANE_PROGRAM})
zorvane_shlibdeps(all_depends ${CPACK_ZORVANE_PROGRAM} ${CPACK_ZORVANE_SOUND_MODULE})
list(REMOVE_ITEM all_depends ${program_depends})
list(APPEND CPACK_DEBIAN_PACKAGE_DEPENDS ${all_depends})
list(JOIN CPACK_DEBIAN_PACKAGE_DEPENDS ", " CPACK_DEBIAN_PACKAGE_DEPENDS)
