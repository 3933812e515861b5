# The Windows build's libraries: the picture decoders cross-built by scripts/build-windows into
# ZORVANE_WINDOWS_PREFIX, under the target names the Linux build gets from pkg-config, so that
# the lists linking them read the same on both.
if(NOT ZORVANE_WINDOWS_PREFIX)
    message(FATAL_ERROR "ZORVANE_WINDOWS_PREFIX must name the cross-built libraries' prefix")
endif()
if(NOT ZORVANE_HOST_TOOLS_DIR)
    message(FATAL_ERROR "ZORVANE_HOST_TOOLS_DIR must name a host build holding tools/rarpack")
endif()

# Header-only libraries (GLM) lie in the prefix too, in place of the system's include folder.
include_directories(SYSTEM ${ZORVANE_WINDOWS_PREFIX}/include)

# zorvane_windows_library(NAME HEADER LIBRARY [DEPS...]): the imported target PkgConfig::NAME.
function(zorvane_windows_library name header library)
    find_path(${name}_INCLUDE_DIR ${header} REQUIRED)
    find_library(${name}_LIBRARY ${library} REQUIRED)
    add_library(PkgConfig::${name} INTERFACE IMPORTED GLOBAL)
    target_include_directories(PkgConfig::${name} INTERFACE ${${name}_INCLUDE_DIR})
    target_link_libraries(PkgConfig::${name} INTERFACE ${${name}_LIBRARY} ${ARGN})
endfunction()

zorvane_windows_library(JPEG jpeglib.h libjpeg.a)
zorvane_windows_library(PNG png.h libpng16.a ZLIB::ZLIB)
zorvane_windows_library(GIF gif_lib.h libgif.a)
