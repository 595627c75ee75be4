# Cross-builds for 64-bit Windows with Debian's MinGW-w64 (the POSIX threads flavour,
# which std::thread needs). TESSORY_WINDOWS_DEPS names the prefix that the libraries
# built by scripts/windows were installed into.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)

set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
if(DEFINED ENV{TESSORY_WINDOWS_DEPS})
  set(TESSORY_WINDOWS_DEPS "$ENV{TESSORY_WINDOWS_DEPS}" CACHE PATH "")
endif()
if(TESSORY_WINDOWS_DEPS)
  list(APPEND CMAKE_FIND_ROOT_PATH "${TESSORY_WINDOWS_DEPS}")
endif()
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Tests of the cross-built programs run under Wine.
set(CMAKE_CROSSCOMPILING_EMULATOR /usr/lib/wine/wine64)
