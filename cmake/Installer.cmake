# zorvane-setup.exe, the Windows installer, made by NSIS from packaging/windows/zorvane.nsi: the
# screen saver into the system folder, an optional "current screen saver" choice and an uninstaller.
find_program(ZORVANE_MAKENSIS makensis REQUIRED)
find_program(ZORVANE_CONVERT convert REQUIRED)

set(ZORVANE_SETUP ${PROJECT_BINARY_DIR}/zorvane-setup.exe)
set(installer_icon ${PROJECT_BINARY_DIR}/packaging/zorvane.ico)
set(installer_picture ${PROJECT_BINARY_DIR}/packaging/wizard.bmp)
set(installer_picture_source ${PROJECT_SOURCE_DIR}/docs/shots/c4_end.png)
set(installer_script ${PROJECT_SOURCE_DIR}/packaging/windows/zorvane.nsi)
# Windows' version resources want four numbers.
set(file_version ${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR})
foreach(part PATCH TWEAK)
    if("${PROJECT_VERSION_${part}}" STREQUAL "")
        string(APPEND file_version .0)
    else()
        string(APPEND file_version .${PROJECT_VERSION_${part}})
    endif()
endforeach()

# The installer, the uninstaller and their entry in Add/Remove Programs show the Linux icon.
add_custom_command(OUTPUT ${installer_icon}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/packaging
    COMMAND ${ZORVANE_CONVERT} ${PROJECT_SOURCE_DIR}/packaging/linux/zorvane.png
            -define icon:auto-resize=48,32,16 ${installer_icon}
    DEPENDS ${PROJECT_SOURCE_DIR}/packaging/linux/zorvane.png
    VERBATIM)
# The first and last pages show the clock's hood from our own screenshot, in the 164 x 314
# uncompressed bitmap those pages take.
add_custom_command(OUTPUT ${installer_picture}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/packaging
    COMMAND ${ZORVANE_CONVERT} ${installer_picture_source} -gravity center -crop 376x720+0+0
            +repage -resize 164x314! BMP3:${installer_picture}
    DEPENDS ${installer_picture_source}
    VERBATIM)
add_custom_command(OUTPUT ${ZORVANE_SETUP}
    COMMAND ${ZORVANE_MAKENSIS} -V2 -WX -DVERSION=${PROJECT_VERSION} -DFILE_VERSION=${file_version}
            -DPROGRAM=$<TARGET_FILE:zorvane> -DLICENSE=${PROJECT_SOURCE_DIR}/LICENSE
            -DICON=${installer_icon} -DPICTURE=${installer_picture} -DOUTFILE=${ZORVANE_SETUP}
            ${installer_script}
    DEPENDS ${installer_script} zorvane $<TARGET_FILE:zorvane> ${installer_icon}
            ${installer_picture}
            ${PROJECT_SOURCE_DIR}/LICENSE
    COMMENT "Making zorvane-setup.exe"
    VERBATIM)
add_custom_target(zorvane_setup ALL DEPENDS ${ZORVANE_SETUP})
