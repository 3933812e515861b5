# The DLLs a Windows program imports, against those every Windows has:
#   cmake -DOBJDUMP=... -DPROGRAM=... -P check_imports.cmake
# Direct3D 9 and DirectInput 8 must not be among them: they are loaded while running, so a
# machine without them gets the version notice instead of a loader error.
execute_process(COMMAND ${OBJDUMP} -p ${PROGRAM} OUTPUT_VARIABLE dump RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "${OBJDUMP} could not read ${PROGRAM}")
endif()
string(REGEX MATCHALL "DLL Name: [^\n]+" lines "${dump}")
if(NOT lines)
    message(FATAL_ERROR "${PROGRAM} imports no DLL at all: not a Windows program?")
endif()
set(allowed kernel32 user32 gdi32 advapi32 shell32 comctl32 comdlg32 ole32 oleaut32 winmm version
    msvcrt ucrtbase)
set(bad "")
foreach(line ${lines})
    string(REGEX REPLACE "DLL Name: *" "" dll "${line}")
    string(STRIP "${dll}" dll)
    string(TOLOWER "${dll}" lower)
    string(REGEX REPLACE "\\.dll$" "" base "${lower}")
    if(base IN_LIST allowed OR base MATCHES "^api-ms-win-crt-")
        message(STATUS "imports ${dll}")
    else()
        list(APPEND bad ${dll})
    endif()
endforeach()
if(bad)
    message(FATAL_ERROR "${PROGRAM} imports DLLs not every Windows has: ${bad}")
endif()
