# Warning and code-generation flags shared by every target of the project.
add_library(kx_compile_options INTERFACE)
# KX_WERROR turns every warning of the project's own code into an error. It is
# off in a plain build, so that a user's newer compiler that warns where ours
# does not still builds the library, and on in every preset of the project
# (the hidden base preset sets it), the device and big-endian builds included:
# one warning set, one rule, in all of them.
option(KX_WERROR "Treat warnings in the project's code as errors" OFF)
target_compile_options(kx_compile_options INTERFACE
  -Wall -Wextra
  -Wshadow -Wconversion -Wsign-conversion -Wmissing-declarations
  -Wnon-virtual-dtor -Woverloaded-virtual -Wcast-qual -Wformat=2 -Wimplicit-fallthrough
  $<$<BOOL:${KX_WERROR}>:-Werror>
  # Makes __FILE__ (and with it assertion diagnostics) name sources relative
  # to the project root, e.g. "utility/aes/aes_algo.cpp".
  -fmacro-prefix-map=${PROJECT_SOURCE_DIR}/=)

# 64-bit file offsets and file-system block counts on 32-bit targets too:
# without them statvfs fails with EOVERFLOW on a file system of more than
# 2^32 blocks. No public header uses off_t or fsblkcnt_t, so the library's
# ABI does not depend on it.
target_compile_definitions(kx_compile_options INTERFACE _FILE_OFFSET_BITS=64)

# Shared libraries must resolve every symbol at link time, except where clang
# instruments them with sanitizers: it links the sanitizer runtimes into the
# executables only.
set(KX_NO_UNDEFINED -Wl,--no-undefined)
if(CMAKE_CXX_COMPILER_ID MATCHES "Clang" AND CMAKE_CXX_FLAGS MATCHES "-fsanitize")
  set(KX_NO_UNDEFINED "")
endif()
