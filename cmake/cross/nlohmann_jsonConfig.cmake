# nlohmann-json for a cross-build, for the same reason as CLI11Config.cmake here.
if(NOT TARGET nlohmann_json::nlohmann_json)
  set(_skylark_cross_headers ${CMAKE_BINARY_DIR}/cross-headers/nlohmann_json)
  file(MAKE_DIRECTORY ${_skylark_cross_headers})
  file(CREATE_LINK /usr/include/nlohmann ${_skylark_cross_headers}/nlohmann SYMBOLIC)
  add_library(nlohmann_json::nlohmann_json INTERFACE IMPORTED)
  set_target_properties(nlohmann_json::nlohmann_json PROPERTIES INTERFACE_INCLUDE_DIRECTORIES
                                                                 ${_skylark_cross_headers})
endif()
set(nlohmann_json_FOUND TRUE)
