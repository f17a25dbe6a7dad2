# Warnings for every target of the project; errors when QUILLORN_WERROR is on (CI).
add_library(quillorn_warnings INTERFACE)
target_compile_options(quillorn_warnings INTERFACE
  -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wsign-conversion
  -Wnon-virtual-dtor -Wold-style-cast -Woverloaded-virtual -Wnull-dereference
  $<$<BOOL:${QUILLORN_WERROR}>:-Werror>)

# g++ 12, Debian 12's compiler, warns -Wrestrict about "text" + std::string
# once it inlines at -O2 and above, where nothing overlaps (GCC bug 105329,
# fixed in g++ 13). Off there, for the project's code and its tests alike.
set(QUILLORN_NO_FALSE_RESTRICT
  $<$<AND:$<CXX_COMPILER_ID:GNU>,$<VERSION_LESS:$<CXX_COMPILER_VERSION>,13>>:-Wno-restrict>)
target_compile_options(quillorn_warnings INTERFACE ${QUILLORN_NO_FALSE_RESTRICT})
