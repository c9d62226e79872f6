# Cross-compiles for Windows with MinGW-w64 (posix thread model); tests run under Wine.
# The product is the 32-bit (i686) build. DRAVIX_TARGET_TRIPLE=x86_64-w64-mingw32 builds the
# same code for 64-bit Windows, which tools/setup.sh selects on machines that cannot execute
# 32-bit code (and so cannot run 32-bit Wine).
if(NOT DRAVIX_TARGET_TRIPLE)
  if(DEFINED ENV{DRAVIX_TARGET_TRIPLE} AND NOT "$ENV{DRAVIX_TARGET_TRIPLE}" STREQUAL "")
    set(DRAVIX_TARGET_TRIPLE "$ENV{DRAVIX_TARGET_TRIPLE}")
  else()
    # The same choice as tools/setup.sh, so that a plain configure matches what the scripts build.
    execute_process(COMMAND /lib/ld-linux.so.2 --version RESULT_VARIABLE runs32 OUTPUT_QUIET ERROR_QUIET)
    if(runs32 EQUAL 0)
      set(DRAVIX_TARGET_TRIPLE i686-w64-mingw32)
    else()
      set(DRAVIX_TARGET_TRIPLE x86_64-w64-mingw32)
    endif()
  endif()
endif()
set(DRAVIX_TARGET_TRIPLE "${DRAVIX_TARGET_TRIPLE}" CACHE STRING "MinGW-w64 target triple")
set(CMAKE_SYSTEM_NAME Windows)
string(REGEX REPLACE "-.*" "" CMAKE_SYSTEM_PROCESSOR "${DRAVIX_TARGET_TRIPLE}")
set(TOOLCHAIN_TRIPLE ${DRAVIX_TARGET_TRIPLE})

set(CMAKE_C_COMPILER ${TOOLCHAIN_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TOOLCHAIN_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${TOOLCHAIN_TRIPLE}-windres)
set(CMAKE_AR ${TOOLCHAIN_TRIPLE}-ar CACHE FILEPATH "")
set(CMAKE_RANLIB ${TOOLCHAIN_TRIPLE}-ranlib CACHE FILEPATH "")

set(CMAKE_FIND_ROOT_PATH /usr/${TOOLCHAIN_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
