# Warnings for every target of the project; errors when QUILLORN_WERROR is on (CI).
add_library(quillorn_warnings INTERFACE)
target_compile_options(quillorn_warnings INTERFACE
  -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wsign-conversion
  -Wnon-virtual-dtor -Wold-style-cast -Woverloaded-virtual -Wnull-dereference
  $<$<BOOL:${QUILLORN_WERROR}>:-Werror>)
