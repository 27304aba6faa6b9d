# Warning and code-generation flags shared by every target of the project.
add_library(kx_compile_options INTERFACE)
target_compile_options(kx_compile_options INTERFACE
  -Wall -Wextra
  # Makes __FILE__ (and with it assertion diagnostics) name sources relative
  # to the project root, e.g. "utility/aes/aes_algo.cpp".
  -fmacro-prefix-map=${PROJECT_SOURCE_DIR}/=)
