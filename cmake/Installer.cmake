# zorvane-setup.exe, the Windows installer, made by NSIS from packaging/windows/zorvane.nsi: the
# screen saver into the system folder, an optional "current screen saver" choice and an uninstaller.
find_program(ZORVANE_MAKENSIS makensis REQUIRED)
find_program(ZORVANE_CONVERT convert REQUIRED)

set(ZORVANE_SETUP ${PROJECT_BINARY_DIR}/zorvane-setup.exe)
set(installer_icon ${PROJECT_BINARY_DIR}/packaging/zorvane.ico)
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
add_custom_command(OUTPUT ${ZORVANE_SETUP}
    COMMAND ${ZORVANE_MAKENSIS} -V2 -WX -DVERSION=${PROJECT_VERSION} -DFILE_VERSION=${file_version}
            -DPROGRAM=$<TARGET_FILE:zorvane> -DLICENSE=${PROJECT_SOURCE_DIR}/LICENSE
            -DICON=${installer_icon} -DOUTFILE=${ZORVANE_SETUP} ${installer_script}
    DEPENDS ${installer_script} zorvane $<TARGET_FILE:zorvane> ${installer_icon}
            ${PROJECT_SOURCE_DIR}/LICENSE
    COMMENT "Making zorvane-setup.exe"
    VERBATIM)
add_custom_target(zorvane_setup ALL DEPENDS ${ZORVANE_SETUP})
