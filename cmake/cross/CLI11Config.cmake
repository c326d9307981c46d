# CLI11 for a cross-build. Debian's own config points at /usr/include, which would put the build
# machine's C library headers in front of the target's; a directory holding only the CLI11
# headers does not.
if(NOT TARGET CLI11::CLI11)
  set(_skylark_cross_headers ${CMAKE_BINARY_DIR}/cross-headers/CLI11)
  file(MAKE_DIRECTORY ${_skylark_cross_headers})
  file(CREATE_LINK /usr/include/CLI ${_skylark_cross_headers}/CLI SYMBOLIC)
  add_library(CLI11::CLI11 INTERFACE IMPORTED)
  set_target_properties(CLI11::CLI11 PROPERTIES INTERFACE_INCLUDE_DIRECTORIES ${_skylark_cross_headers})
endif()
set(CLI11_FOUND TRUE)
