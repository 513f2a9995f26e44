# The part of the cross toolchains that both share; included by mingw-w64-i686.cmake (the
# shipped 32-bit x86 programs) and mingw-w64-x86_64.cmake, which set VORNA_MINGW_TRIPLET and
# CMAKE_SYSTEM_PROCESSOR first.
# The posix thread-model compilers are required: GoogleTest needs std::mutex.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER   ${VORNA_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VORNA_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER  ${VORNA_MINGW_TRIPLET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${VORNA_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# ctest runs the Windows test programs through Wine.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../tools/wine-run.sh)
