# Cross build for 64-bit Windows with the mingw-w64 tool chain (Debian
# package mingw-w64), for the whole project and for the launcher alone.
# The POSIX thread model of the compilers gives the C++ library its
# threads and mutexes (GoogleTest needs them); programs and libraries link
# the compiler's runtime and winpthread statically, so they run (also
# under Wine) without extra DLLs beside them.
#
# GEAR_WINDOWS_PREFIX (optional) names a prefix with libraries built for
# Windows (tools/windows/sysroot.sh: SQLite, GoogleTest, header-only
# packages); find_package and find_library look there too.
# Tests and build steps that run a built program use Wine when installed.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(GEAR_MINGW_PREFIX x86_64-w64-mingw32)
set(_gear_threads "")
if(EXISTS /usr/bin/${GEAR_MINGW_PREFIX}-g++-posix)
  set(_gear_threads "-posix")
endif()
set(CMAKE_C_COMPILER ${GEAR_MINGW_PREFIX}-gcc${_gear_threads})
set(CMAKE_CXX_COMPILER ${GEAR_MINGW_PREFIX}-g++${_gear_threads})
set(CMAKE_RC_COMPILER ${GEAR_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${GEAR_MINGW_PREFIX})
if(GEAR_WINDOWS_PREFIX)
  list(APPEND CMAKE_FIND_ROOT_PATH ${GEAR_WINDOWS_PREFIX})
endif()
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")

find_program(GEAR_WINE NAMES wine wine64)
if(GEAR_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${GEAR_WINE})
endif()
