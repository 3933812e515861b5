cmake_minimum_required(VERSION 3.25)
# The sound module must go when the program unloads it: its clean-up (voices, the mixer's thread,
# the device) then runs while OpenAL is still there. A module holding a unique symbol, or marked
# never to be deleted, stays to the process's exit, whose clean-up order leaves it none of that.
#   cmake -DREADELF=... -DMODULE=... -P check_unloadable.cmake
execute_process(COMMAND ${READELF} -W --dyn-syms --dynamic ${MODULE}
                OUTPUT_VARIABLE dump RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "${READELF} could not read ${MODULE}")
endif()
string(REGEX MATCHALL "UNIQUE[^\n]+" unique "${dump}")
if(unique)
    message(FATAL_ERROR "${MODULE} holds unique symbols and can never be unloaded: ${unique}")
endif()
if(dump MATCHES "NODELETE")
    message(FATAL_ERROR "${MODULE} is marked never to be unloaded")
endif()
