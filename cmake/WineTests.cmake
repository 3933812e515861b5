# The Windows tests run through Wine: CTest starts each cross-built test program with
# scripts/wine-run, which keeps one Wine prefix, wineserver and Xvfb screen for the whole run.
# The fixture "wine" makes them before the first test and ends them after the last.
set(ZORVANE_WINE_STATE ${PROJECT_BINARY_DIR}/wine)
set(CMAKE_CROSSCOMPILING_EMULATOR ${PROJECT_SOURCE_DIR}/scripts/wine-run ${ZORVANE_WINE_STATE})

add_test(NAME Wine.Start COMMAND ${CMAKE_CROSSCOMPILING_EMULATOR} --start)
add_test(NAME Wine.Stop COMMAND ${CMAKE_CROSSCOMPILING_EMULATOR} --stop)
set_tests_properties(Wine.Start PROPERTIES FIXTURES_SETUP wine)
set_tests_properties(Wine.Stop PROPERTIES FIXTURES_CLEANUP wine)

# zorvane_wine_tests(target kind): the GoogleTest cases of a test program, each a CTest test run
# under Wine; the list is read from the program itself when CTest starts, through Wine too.
# Windows tests may open windows and take the focus, so they take the screen one at a time; a
# high cost has CTest start them first, as the longest chain of the run (see tests/CMakeLists.txt).
function(zorvane_wine_tests target kind)
    set(lock "")
    if(kind STREQUAL "win32")
        set(lock RESOURCE_LOCK wine_display COST 200)
    endif()
    gtest_discover_tests(${target} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 120
        PROPERTIES LABELS ${kind} FIXTURES_REQUIRED wine ${lock})
endfunction()
