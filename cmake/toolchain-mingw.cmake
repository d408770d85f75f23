# Cross build for Windows with MinGW-w64 (posix threads: std::thread needs them). Included by
# toolchain-mingw32.cmake and toolchain-mingw64.cmake, which set TARNIX_MINGW_CPU.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${TARNIX_MINGW_CPU})
set(_triple ${TARNIX_MINGW_CPU}-w64-mingw32)
set(CMAKE_C_COMPILER ${_triple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${_triple}-g++-posix)
set(CMAKE_RC_COMPILER ${_triple}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${_triple})
# The cross-built dependencies of this target (tools/build-deps.sh): the preset passes them.
if(TARNIX_DEPS)
    list(APPEND CMAKE_FIND_ROOT_PATH ${TARNIX_DEPS})
elseif(DEFINED ENV{TARNIX_DEPS})
    list(APPEND CMAKE_FIND_ROOT_PATH $ENV{TARNIX_DEPS})
endif()
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
