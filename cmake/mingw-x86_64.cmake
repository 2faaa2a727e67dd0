# Cross toolchain: 64-bit Windows through MinGW-w64 (posix thread model), run
# under 64-bit Wine, for machines that run no 32-bit programs (see
# scripts/wine-arch.sh).
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(MINGW_PREFIX x86_64-w64-mingw32)
find_program(WINE_EXECUTABLE wine64 PATHS /usr/lib/wine NO_DEFAULT_PATH REQUIRED)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
