# Warnings are errors for our own code on every compiler we build with.
add_library(ot_warnings INTERFACE)
target_compile_options(ot_warnings INTERFACE -Wall -Wextra -Werror -Wpedantic)
