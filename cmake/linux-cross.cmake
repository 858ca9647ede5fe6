# Cross build for Linux on another processor with Debian's cross compilers
# (package g++-TRIPLE); the tests run under qemu-user (qemu-user-static).
# BLATERIX_LINUX_TRIPLE picks the target: aarch64-linux-gnu (64-bit Arm,
# binary128 long double), arm-linux-gnueabihf (32-bit Arm, long double is
# binary64) or s390x-linux-gnu (big-endian, binary128 long double).
set(BLATERIX_LINUX_TRIPLE "aarch64-linux-gnu" CACHE STRING
    "Linux target: aarch64-linux-gnu, arm-linux-gnueabihf or s390x-linux-gnu")
set(triple ${BLATERIX_LINUX_TRIPLE})
if(triple STREQUAL "aarch64-linux-gnu")
    set(CMAKE_SYSTEM_PROCESSOR aarch64)
    set(qemu qemu-aarch64-static)
    set(debian_arch arm64)
elseif(triple STREQUAL "arm-linux-gnueabihf")
    set(CMAKE_SYSTEM_PROCESSOR armv7l)
    set(qemu qemu-arm-static)
    set(debian_arch armhf)
elseif(triple STREQUAL "s390x-linux-gnu")
    set(CMAKE_SYSTEM_PROCESSOR s390x)
    set(qemu qemu-s390x-static)
    set(debian_arch s390x)
else()
    message(FATAL_ERROR "BLATERIX_LINUX_TRIPLE must be aarch64-linux-gnu, arm-linux-gnueabihf "
                        "or s390x-linux-gnu, not '${triple}'")
endif()

set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_C_COMPILER ${triple}-gcc)
set(CMAKE_CXX_COMPILER ${triple}-g++)
set(CMAKE_FIND_ROOT_PATH /usr/${triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# ctest runs every test binary through the emulator. The executables are
# linked statically (CMakeLists.txt), so it needs none of the target's
# libraries; BLATERIX_SYSROOT holds them for the one that links the C library
# dynamically, the Debian package's.
find_program(BLATERIX_QEMU ${qemu} REQUIRED)
set(CMAKE_CROSSCOMPILING_EMULATOR ${BLATERIX_QEMU})
set(BLATERIX_SYSROOT /usr/${triple} CACHE PATH "The target's C library, for qemu's -L")
set(BLATERIX_DEBIAN_ARCH ${debian_arch} CACHE STRING "The Debian architecture of the target")
