# Cross-build for 64-bit Windows with MinGW-w64 (Debian: g++-mingw-w64-x86-64-posix). The posix
# thread variant provides std::thread and std::mutex; the C++ and GCC runtimes are linked
# statically so the programs run (under Wine or on Windows) without MinGW's DLLs beside them.
# ORVANTA_MINGW_DEPS names a prefix with libraries built for Windows (GoogleTest, libsndfile, the
# xxHash header): packages, pkg-config files and headers are looked for there and in MinGW's own.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(ORVANTA_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${ORVANTA_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ORVANTA_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${ORVANTA_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${ORVANTA_MINGW_PREFIX})
if(ORVANTA_MINGW_DEPS)
    list(APPEND CMAKE_FIND_ROOT_PATH ${ORVANTA_MINGW_DEPS})
    # pkg-config sees only the Windows libraries, never the build machine's.
    set(ENV{PKG_CONFIG_LIBDIR} ${ORVANTA_MINGW_DEPS}/lib/pkgconfig)
    set(ENV{PKG_CONFIG_PATH} "")
endif()
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# Test executables are started through Wine when CTest runs them.
find_program(ORVANTA_WINE NAMES wine)
if(ORVANTA_WINE)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${ORVANTA_WINE})
endif()
