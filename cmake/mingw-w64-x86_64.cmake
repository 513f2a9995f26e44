# Cross toolchain: 64-bit Windows programs built on Debian with MinGW-w64 (the tests and the
# release use the 32-bit one, mingw-w64-i686.cmake).
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(VORNA_MINGW_TRIPLET x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
