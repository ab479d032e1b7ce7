# Cross-builds the 64-bit Windows program with Debian's mingw-w64 (g++-mingw-w64-x86-64-win32):
#   cmake -B build-windows -DCMAKE_TOOLCHAIN_FILE=shell/win32/x86_64-w64-mingw32.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

# The win32 thread model needs no winpthread DLL beside the executable.
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-win32)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-win32)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)

