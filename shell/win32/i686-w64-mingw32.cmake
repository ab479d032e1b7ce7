# Cross-builds the 32-bit Windows program with Debian's mingw-w64 (g++-mingw-w64-i686):
#   cmake -B build-windows -DCMAKE_TOOLCHAIN_FILE=shell/win32/i686-w64-mingw32.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)

# The win32 thread model needs no winpthread DLL beside the executable.
set(CMAKE_C_COMPILER i686-w64-mingw32-gcc-win32)
set(CMAKE_CXX_COMPILER i686-w64-mingw32-g++-win32)
set(CMAKE_RC_COMPILER i686-w64-mingw32-windres)

set(CMAKE_FIND_ROOT_PATH /usr/i686-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Programs built for Windows run here under Wine.
set(CMAKE_CROSSCOMPILING_EMULATOR wine)

# Every processor that runs Windows 8 or later has SSE2; without it the cipher's vector kernel
# would get one-lane vectors.
set(CMAKE_CXX_FLAGS_INIT -msse2)
