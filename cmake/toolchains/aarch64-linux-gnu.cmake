# Cross build for 64-bit Arm Linux with Debian's cross compiler
# (crossbuild-essential-arm64) against multiarch arm64 packages
# (libjsoncpp-dev:arm64, libgtest-dev:arm64, ...). Executables run on the
# build machine through qemu-user, so ctest and gtest_discover_tests work
# unchanged.
#
#   cmake -S . -B build/arm64 -G Ninja \
#         -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/aarch64-linux-gnu.cmake
#
# An Android build uses the NDK's own toolchain file instead.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)

set(OLVA_CROSS_TRIPLE aarch64-linux-gnu)
set(CMAKE_C_COMPILER ${OLVA_CROSS_TRIPLE}-gcc)
set(CMAKE_CXX_COMPILER ${OLVA_CROSS_TRIPLE}-g++)

# Multiarch layout: the arm64 packages live in the host's own tree under
# lib/aarch64-linux-gnu, so the root stays "/" and the library architecture
# steers find_package and find_library to the arm64 files.
set(CMAKE_LIBRARY_ARCHITECTURE ${OLVA_CROSS_TRIPLE})

# Programs (code generators, cmake itself) come from the build machine;
# libraries, headers and package files only from the arm64 locations.
set(CMAKE_FIND_ROOT_PATH /usr/${OLVA_CROSS_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY BOTH)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE BOTH)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE BOTH)

# qemu-user runs the arm64 programs; it finds the arm64 dynamic loader
# (/lib/ld-linux-aarch64.so.1) and libraries of libc6:arm64, libstdc++6:arm64
# and libjsoncpp25:arm64 in the multiarch tree, so no prefix is needed.
find_program(OLVA_QEMU_AARCH64 qemu-aarch64 REQUIRED)
set(CMAKE_CROSSCOMPILING_EMULATOR ${OLVA_QEMU_AARCH64})
