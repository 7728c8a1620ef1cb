# Warnings for every target of ours; errors in CI builds.
add_library(kvx_warnings INTERFACE)
target_compile_options(kvx_warnings INTERFACE -Wall -Wextra -Wpedantic -Wshadow -Wconversion
                                              -Wno-sign-conversion)
if(KVX_WERROR)
  target_compile_options(kvx_warnings INTERFACE -Werror)
endif()

if(KVX_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer
                      -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()
