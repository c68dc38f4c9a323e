# Shared by the mingw-w64 toolchain files, which set DRAVLEN_MINGW_TRIPLE.
#
# The win32 thread model is preferred: it needs no threading DLL at run time.
# Every runtime is linked statically so that the programs import only system
# DLLs and run from wherever they are copied.

find_program(CMAKE_C_COMPILER NAMES ${DRAVLEN_MINGW_TRIPLE}-gcc-win32 ${DRAVLEN_MINGW_TRIPLE}-gcc
             REQUIRED)
find_program(CMAKE_CXX_COMPILER NAMES ${DRAVLEN_MINGW_TRIPLE}-g++-win32 ${DRAVLEN_MINGW_TRIPLE}-g++
             REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES ${DRAVLEN_MINGW_TRIPLE}-windres REQUIRED)

set(CMAKE_FIND_ROOT_PATH /usr/${DRAVLEN_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
