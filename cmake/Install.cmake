# What `cmake --install` lays out, and the Debian package CPack makes from it: the program, the
# same program as an xscreensaver hack, the hack's descriptor, desktop entries, an icon, the man
# page, AppStream metadata and the licence. Nothing else (tools, tests, benchmarks) is installed.
include(GNUInstallDirs)

# The reverse-DNS name of the maker's web address, shared by the desktop entries, the icon and
# the AppStream metadata.
set(ZORVANE_APP_ID example.maravek_studio.Zorvane)
# The day this version was released: the man page's date and the AppStream release.
set(ZORVANE_RELEASE_DATE 2026-12-08)
# Debian's xscreensaver 6 runs hacks from /usr/libexec/xscreensaver and reads their descriptors
# from /usr/share/xscreensaver/config.
set(ZORVANE_HACK_DIR ${CMAKE_INSTALL_LIBEXECDIR}/xscreensaver
    CACHE STRING "where the xscreensaver hack goes, below the prefix")
set(ZORVANE_HACK_CONFIG_DIR ${CMAKE_INSTALL_DATADIR}/xscreensaver/config
    CACHE STRING "where the xscreensaver hack's descriptor goes, below the prefix")
foreach(dir ZORVANE_HACK_DIR ZORVANE_HACK_CONFIG_DIR CMAKE_INSTALL_BINDIR)
    if(IS_ABSOLUTE "${${dir}}")
        message(FATAL_ERROR "${dir} must be relative to the prefix, not ${${dir}}")
    endif()
endforeach()

set(packaging_source ${PROJECT_SOURCE_DIR}/packaging/linux)
set(packaging_binary ${PROJECT_BINARY_DIR}/packaging)
set(ZORVANE_MAN_DATE ${ZORVANE_RELEASE_DATE})
configure_file(${packaging_source}/zorvane.6.in ${packaging_binary}/zorvane.6 @ONLY)
configure_file(${packaging_source}/${ZORVANE_APP_ID}.metainfo.xml.in
               ${packaging_binary}/${ZORVANE_APP_ID}.metainfo.xml @ONLY)
# Manual pages are kept compressed, without a name or time in the header, as Debian wants them.
execute_process(COMMAND gzip -9nc ${packaging_binary}/zorvane.6
                OUTPUT_FILE ${packaging_binary}/zorvane.6.gz RESULT_VARIABLE gzip_result)
if(NOT gzip_result EQUAL 0)
    message(FATAL_ERROR "gzip could not compress the man page")
endif()
# The hack is a link to the program, relative so that it holds under any prefix and DESTDIR.
file(RELATIVE_PATH hack_target /prefix/${ZORVANE_HACK_DIR} /prefix/${CMAKE_INSTALL_BINDIR}/zorvane)
file(MAKE_DIRECTORY ${packaging_binary}/hack)
file(CREATE_LINK ${hack_target} ${packaging_binary}/hack/zorvane SYMBOLIC)
if(NOT CMAKE_STRIP)
    message(FATAL_ERROR "no strip program: the installed program would keep its debug information")
endif()

install(TARGETS zorvane RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# The build keeps its debug information; the installed program carries none, however it is
# installed (`cmake --install` with or without --strip, or CPack).
install(CODE "
    set(program \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/zorvane\")
    execute_process(COMMAND \"${CMAKE_STRIP}\" --strip-all --remove-section=.comment
                            \"\${program}\" RESULT_VARIABLE result)
    if(NOT result EQUAL 0)
        message(FATAL_ERROR \"could not strip \${program}\")
    endif()
")
install(FILES ${packaging_binary}/hack/zorvane DESTINATION ${ZORVANE_HACK_DIR})
install(FILES ${packaging_source}/zorvane.xml DESTINATION ${ZORVANE_HACK_CONFIG_DIR})
install(FILES ${packaging_source}/${ZORVANE_APP_ID}.desktop
              ${packaging_source}/${ZORVANE_APP_ID}.Settings.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${packaging_source}/zorvane.png RENAME ${ZORVANE_APP_ID}.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/128x128/apps)
install(FILES ${packaging_binary}/zorvane.6.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)
install(FILES ${packaging_binary}/${ZORVANE_APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${PROJECT_SOURCE_DIR}/LICENSE ${packaging_source}/copyright
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/zorvane)

# The Debian package: `cpack -G DEB` in the build folder.
set(CPACK_PACKAGE_NAME zorvane)
set(CPACK_PACKAGE_VENDOR "Maravek Studio")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "pendulum clock in a dim room on a stormy night, a screensaver")
# dpkg shows the long description as it stands, so its lines are kept short here.
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
    "Zorvane is a 3D screensaver: a tall pendulum clock in a dim study at night."
    "Its hands show the real local time, its pendulum swings and the camera"
    "glides along recorded paths through the room, while a thunderstorm rages"
    "outside the window with lightning, thunder, rain and a flickering room"
    "light, and music and the clock's ticking play."
    ""
    "It runs full screen on its own and as a hack of the xscreensaver daemon.")
set(CPACK_PACKAGE_CONTACT "Maravek Studio <zorvane@maravek-studio.example>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION x11)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://www.maravek-studio.example/")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The program opens libGL at run time (through SDL and libepoxy), which no link records; Mesa
# draws where no other driver does.
set(CPACK_DEBIAN_PACKAGE_DEPENDS libgl1)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS libgl1-mesa-dri)
set(CPACK_DEBIAN_PACKAGE_SUGGESTS xscreensaver)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# The sound module travels inside the program, where dpkg-shlibdeps can't see it: this file adds
# what the module needs beyond the program's own libraries when the package is made.
set(CPACK_PROJECT_CONFIG_FILE ${PROJECT_SOURCE_DIR}/packaging/linux/deb_depends.cmake)
get_target_property(program_dir zorvane RUNTIME_OUTPUT_DIRECTORY)
get_target_property(module_dir zorvane_audio LIBRARY_OUTPUT_DIRECTORY)
get_target_property(module_name zorvane_audio OUTPUT_NAME)
set(CPACK_ZORVANE_PROGRAM ${program_dir}/zorvane)
set(CPACK_ZORVANE_SOUND_MODULE ${module_dir}/lib${module_name}${CMAKE_SHARED_MODULE_SUFFIX})
include(CPack)
