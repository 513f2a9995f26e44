# Cross toolchain: 32-bit x86 Windows programs, the shipped ones, built on Debian with MinGW-w64.
set(CMAKE_SYSTEM_PROCESSOR x86)
set(VORNA_MINGW_TRIPLET i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
