# Cross toolchain: 32-bit Windows through MinGW-w64 (posix thread model), run under Wine.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(MINGW_PREFIX i686-w64-mingw32)
find_program(WINE_EXECUTABLE wine REQUIRED)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
