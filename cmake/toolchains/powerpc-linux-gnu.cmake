# Cross build for 32-bit big-endian PowerPC, glibc: not a device target, but
# the cheapest way to run the suite on a big-endian CPU. Executables run under
# user-mode QEMU, so CTest needs no binfmt registration.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR ppc)
set(CMAKE_LIBRARY_ARCHITECTURE powerpc-linux-gnu)

set(KX_TARGET_TRIPLET powerpc-linux-gnu)
set(KX_TARGET_SYSROOT /usr/${KX_TARGET_TRIPLET})

set(CMAKE_C_COMPILER ${KX_TARGET_TRIPLET}-gcc)
set(CMAKE_CXX_COMPILER ${KX_TARGET_TRIPLET}-g++)

set(CMAKE_CROSSCOMPILING_EMULATOR qemu-ppc;-L;${KX_TARGET_SYSROOT})

# Appended, so that a consumer configured with -DCMAKE_FIND_ROOT_PATH=<staging
# prefix> finds an installed tree there as well.
list(APPEND CMAKE_FIND_ROOT_PATH ${KX_TARGET_SYSROOT})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE powerpc)
