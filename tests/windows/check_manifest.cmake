cmake_minimum_required(VERSION 3.25)
# The application manifest a Windows program carries, read back from the program's resources:
#   cmake -DWINDRES=... -DPROGRAM=... -P check_manifest.cmake
# It must be resource 1 of type RT_MANIFEST, ask for per-monitor DPI awareness (v2, with the older
# setting for systems before it), common controls 6, and name the systems up to Windows 10/11.
execute_process(COMMAND ${WINDRES} ${PROGRAM} -O rc OUTPUT_VARIABLE rc RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "${WINDRES} could not read the resources of ${PROGRAM}")
endif()
string(FIND "${rc}" "1 24 /* RT_MANIFEST */" start)
if(start EQUAL -1)
    message(FATAL_ERROR "${PROGRAM} carries no application manifest as resource 1")
endif()
string(SUBSTRING "${rc}" ${start} -1 rest)
string(FIND "${rest}" "\nEND" end)
string(SUBSTRING "${rest}" 0 ${end} manifest)
foreach(wanted
        "<dpiAwareness xmlns=\"\"http://schemas.microsoft.com/SMI/2016/WindowsSettings\"\">PerMonitorV2"
        "<dpiAware xmlns=\"\"http://schemas.microsoft.com/SMI/2005/WindowsSettings\"\">true/pm"
        "name=\"\"Microsoft.Windows.Common-Controls\"\" version=\"\"6.0.0.0\"\""
        "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}"
        "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}")
    string(FIND "${manifest}" "${wanted}" at)
    if(at EQUAL -1)
        message(FATAL_ERROR "the manifest of ${PROGRAM} lacks ${wanted}")
    endif()
endforeach()
message(STATUS "the manifest of ${PROGRAM} asks for all it should")
