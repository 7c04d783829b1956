# WebAssembly build for the web page, with Debian's clang 14, wasi-libc and the
# wasm32 libc++ (Debian: clang, lld, wasi-libc, libc++-14-dev-wasm32,
# libc++abi-14-dev-wasm32, libclang-rt-14-dev-wasm32).
set(CMAKE_SYSTEM_NAME Generic)
set(CMAKE_SYSTEM_PROCESSOR wasm32)
set(FIT_WASM ON)

find_program(CMAKE_CXX_COMPILER NAMES clang++-14 clang++ REQUIRED)
set(CMAKE_CXX_COMPILER_TARGET wasm32-wasi)
set(CMAKE_SYSROOT /usr)
set(CMAKE_EXECUTABLE_SUFFIX .wasm)

# The C++ library for wasm32 lives beside the host's: its headers first, and no
# exceptions, which it is built without.
set(CMAKE_CXX_FLAGS_INIT "-nostdinc++ -isystem /usr/include/wasm32-wasi/c++/v1 -fno-exceptions")
# The compile flags reach the link as well, where -nostdinc++ means nothing.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-L/usr/lib/wasm32-wasi -lc++ -lc++abi -Wno-unused-command-line-argument")
set(CMAKE_TRY_COMPILE_TARGET_TYPE STATIC_LIBRARY)

set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
# Header-only libraries of the build machine (the picture library) serve the target too.
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE BOTH)
