# Warnings for every target of ours, through one interface library.
add_library(quorin_warnings INTERFACE)
target_compile_options(quorin_warnings INTERFACE -Wall -Wextra -Wshadow)
if(QUORIN_WERROR)
  target_compile_options(quorin_warnings INTERFACE -Werror)
endif()
