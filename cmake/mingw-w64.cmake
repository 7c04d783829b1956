# Cross build for 64-bit Windows with mingw-w64 (Debian: g++-mingw-w64-x86-64).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(FIT_MINGW_PREFIX x86_64-w64-mingw32)
# The POSIX thread model's compiler when both are installed; either serves.
find_program(CMAKE_CXX_COMPILER NAMES ${FIT_MINGW_PREFIX}-g++-posix ${FIT_MINGW_PREFIX}-g++ REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES ${FIT_MINGW_PREFIX}-windres)
find_program(CMAKE_STRIP NAMES ${FIT_MINGW_PREFIX}-strip)

set(CMAKE_FIND_ROOT_PATH /usr/${FIT_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# Header-only libraries of the build machine (the picture library) serve the target too.
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE BOTH)
list(APPEND CMAKE_INCLUDE_PATH /usr/include)

# The programs run on a bare Windows: the C++ and GCC run-time libraries linked in,
# and no DLL needed beyond the system's.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
