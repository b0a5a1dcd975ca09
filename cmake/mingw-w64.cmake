# Cross build for 64-bit Windows with MinGW-w64 (posix threads: the win32 thread model has no
# std::thread). scripts/build-windows passes LANCHUAN_WIN_SYSROOT: the only headers and libraries
# of this machine the cross compiler may see (boost/, httplib.h, GoogleTest built for Windows).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)

set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32 ${LANCHUAN_WIN_SYSROOT})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Every .exe imports system DLLs only, so it runs from the zip on any Windows.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Tests and their discovery run under Wine, at test time: the build itself needs no Wine.
set(CMAKE_CROSSCOMPILING_EMULATOR /usr/lib/wine/wine64)
set(CMAKE_GTEST_DISCOVER_TESTS_DISCOVERY_MODE PRE_TEST)

# pkg-config finds only what the sysroot offers (cpp-httplib's header for the tests).
set(ENV{PKG_CONFIG_LIBDIR} ${LANCHUAN_WIN_SYSROOT}/lib/pkgconfig)
set(ENV{PKG_CONFIG_PATH} "")
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES LANCHUAN_WIN_SYSROOT)
