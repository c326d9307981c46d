# Cross-builds the Windows programs on Debian with mingw-w64 (package g++-mingw-w64-x86-64-posix).
# The posix-threads variant is needed for std::thread and std::mutex; -static leaves no DLLs to
# carry along, so the executables run under Wine as they are.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(SKYLARK_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${SKYLARK_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${SKYLARK_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${SKYLARK_MINGW_PREFIX}-windres)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

set(CMAKE_FIND_ROOT_PATH /usr/${SKYLARK_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# CLI11 and nlohmann-json are header-only: the build machine's Debian packages serve, through
# configs that expose only their own headers.
set(CLI11_DIR ${CMAKE_CURRENT_LIST_DIR}/cross CACHE PATH "")
set(nlohmann_json_DIR ${CMAKE_CURRENT_LIST_DIR}/cross CACHE PATH "")
