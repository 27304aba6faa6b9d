# Cross build for the device: 32-bit ARMv6 (ARM1176), soft-float EABI, glibc,
# against Debian's armel userland (armhf is ARMv7 and does not run on ARMv6).
# Executables run under user-mode QEMU with an ARM1176 CPU model, so CTest
# needs no binfmt registration.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR armv6l)
set(CMAKE_LIBRARY_ARCHITECTURE arm-linux-gnueabi)

set(KX_TARGET_TRIPLET arm-linux-gnueabi)
set(KX_TARGET_SYSROOT /usr/${KX_TARGET_TRIPLET})

set(CMAKE_C_COMPILER ${KX_TARGET_TRIPLET}-gcc)
set(CMAKE_CXX_COMPILER ${KX_TARGET_TRIPLET}-g++)

# -funwind-tables: backtrace() walks ARM frames through the unwind tables
# (.ARM.exidx); a frame of code without them (C, or C++ built with
# -fno-exceptions) ends the listing there.
set(CMAKE_CXX_FLAGS_INIT "-march=armv6 -marm -funwind-tables")
set(CMAKE_C_FLAGS_INIT "-march=armv6 -marm -funwind-tables")

set(CMAKE_CROSSCOMPILING_EMULATOR qemu-arm;-cpu;arm1176;-L;${KX_TARGET_SYSROOT})

# Appended, so that a consumer configured with -DCMAKE_FIND_ROOT_PATH=<staging
# prefix> finds an installed tree there as well.
list(APPEND CMAKE_FIND_ROOT_PATH ${KX_TARGET_SYSROOT})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The committed libabigail baseline release/abi/libKXAPI_Utility.armv6.abi is the
# ABI of this build.
set(KX_ABI_NAME armv6)
# What `readelf -A` must show as Tag_CPU_arch for every binary of the build.
set(KX_TARGET_CPU_ARCH v6)

# Debian package architecture of the .deb files made by CPack.
set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE armel)
