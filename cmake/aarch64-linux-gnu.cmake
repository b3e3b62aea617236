# Cross build for 64-bit ARM phones on a Debian multiarch host (x86_64 with the arm64
# architecture added, crossbuild-essential-arm64 and the :arm64 -dev packages installed):
#   cmake -S . -B build-arm64 -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/aarch64-linux-gnu.cmake
# Programs the build runs itself (the artwork tool, test discovery) and ctest's tests run through
# qemu-aarch64.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(CMAKE_LIBRARY_ARCHITECTURE aarch64-linux-gnu)

set(CMAKE_C_COMPILER aarch64-linux-gnu-gcc)
set(CMAKE_CXX_COMPILER aarch64-linux-gnu-g++)

# The arm64 libraries live in the host's own folders (multiarch): pkg-config reads only their
# .pc files, and the headers and libraries are found in / without a sysroot.
set(ENV{PKG_CONFIG_LIBDIR} "/usr/lib/aarch64-linux-gnu/pkgconfig:/usr/share/pkgconfig")
set(ENV{PKG_CONFIG_PATH} "")

find_program(MV_QEMU_AARCH64 NAMES qemu-aarch64 qemu-aarch64-static)
if(MV_QEMU_AARCH64)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${MV_QEMU_AARCH64})
endif()

# Host tools (pkg-config, python3, bash) from the host; libraries and packages of the target.
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
