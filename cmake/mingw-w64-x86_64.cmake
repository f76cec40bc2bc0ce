# Cross build for 64-bit Windows with Debian's MinGW-w64 (posix threads, so std::thread works).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# The runtime libraries go into each program, so the .exe files run without DLLs beside them.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
# ctest runs the programs under Wine (wine64 is not on the PATH on Debian).
find_program(VPP_WINE NAMES wine64 wine PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
if(VPP_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${VPP_WINE})
endif()
