# Cross-building the Windows program on Debian with MinGW-w64 (the posix thread model, which
# std::thread needs). The C and C++ runtimes are linked statically, so the program imports only
# DLLs every Windows has.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(ZORVANE_MINGW_TRIPLET x86_64-w64-mingw32)

set(CMAKE_C_COMPILER ${ZORVANE_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ZORVANE_MINGW_TRIPLET}-g++-posix)
set(CMAKE_ASM_COMPILER ${ZORVANE_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_RC_COMPILER ${ZORVANE_MINGW_TRIPLET}-windres)
set(CMAKE_OBJDUMP ${ZORVANE_MINGW_TRIPLET}-objdump)

# The cross-built libraries' prefix (ZORVANE_WINDOWS_PREFIX) is searched before MinGW's own root.
set(CMAKE_FIND_ROOT_PATH ${ZORVANE_WINDOWS_PREFIX} /usr/${ZORVANE_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES ZORVANE_WINDOWS_PREFIX)

# zlib too, from libz-mingw-w64-dev's static library rather than its DLL.
set(ZLIB_USE_STATIC_LIBS ON)
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static-libgcc -static-libstdc++ -static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static-libgcc -static-libstdc++ -static")
