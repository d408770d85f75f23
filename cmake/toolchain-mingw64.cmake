# 64-bit Windows (x86_64): the Windows tests' build on machines that run no 32-bit code.
set(TARNIX_MINGW_CPU x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw.cmake)
