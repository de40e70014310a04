# x64 Windows: on Windows, MSYS2's MINGW64 shell.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
