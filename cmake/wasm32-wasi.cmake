# clang 14 for wasm32-wasi, with Debian's wasi-libc and libc++ for that target.
set(CMAKE_SYSTEM_NAME WASI)
set(CMAKE_SYSTEM_PROCESSOR wasm32)
# CMake has no platform file for WASI: ours (cmake/Platform/WASI.cmake) is enough.
list(APPEND CMAKE_MODULE_PATH ${CMAKE_CURRENT_LIST_DIR})

set(CMAKE_CXX_COMPILER clang++-14)
set(CMAKE_CXX_COMPILER_TARGET wasm32-wasi)
# SIMD and bulk memory (every browser since 2023, Node 16 on) let the
# sentence copies run at nearly the native speed.
set(CMAKE_CXX_FLAGS_INIT "-msimd128 -mbulk-memory")
set(CMAKE_AR llvm-ar-14 CACHE FILEPATH "")
set(CMAKE_RANLIB llvm-ranlib-14 CACHE FILEPATH "")

set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
