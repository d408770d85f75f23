# 32-bit Windows (i686), the program's own target.
set(TARNIX_MINGW_CPU i686)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw.cmake)
