# Cross build for 64-bit Windows with the mingw-w64 tool chain (Debian
# package mingw-w64). Programs and libraries link the compiler's runtime
# statically, so they run (also under Wine) without extra DLLs beside them.
# Tests run under Wine when it is installed.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(GEAR_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${GEAR_MINGW_PREFIX}-gcc)
set(CMAKE_CXX_COMPILER ${GEAR_MINGW_PREFIX}-g++)
set(CMAKE_RC_COMPILER ${GEAR_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${GEAR_MINGW_PREFIX})
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
