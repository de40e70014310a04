# x86 Windows: on Windows, MSYS2's MINGW32 shell.
set(CMAKE_SYSTEM_PROCESSOR i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
