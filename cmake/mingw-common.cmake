# Shared by both mingw toolchain files: TOOLCHAIN_PREFIX names the target.
#
# Thread model. What ships (the DLL and the reference host) is built with the win32
# model: the posix one brings winpthread, whose waits import GetTickCount64, which
# Windows XP lacks. The test programs need the posix model, because GoogleTest needs
# std::mutex, which GCC 12 offers only there. A Windows build therefore builds the
# shipped programs in a nested build of their own (see the top-level CMakeLists.txt).
set(CMAKE_SYSTEM_NAME Windows)
if(NOT TEVPNG_MINGW_THREADS)
    set(TEVPNG_MINGW_THREADS posix)
endif()
# try_compile projects read the toolchain file again and must pick the same compiler.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES TEVPNG_MINGW_THREADS)

set(CMAKE_C_COMPILER   ${TOOLCHAIN_PREFIX}-gcc-${TEVPNG_MINGW_THREADS})
set(CMAKE_CXX_COMPILER ${TOOLCHAIN_PREFIX}-g++-${TEVPNG_MINGW_THREADS})
set(CMAKE_RC_COMPILER  ${TOOLCHAIN_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${TOOLCHAIN_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
