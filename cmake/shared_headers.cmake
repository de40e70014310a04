# Most of our files include the same standard headers, and on Windows
# <windows.h>: they are parsed once a build, into the precompiled header of
# veltar_base, and every C++ target of the programs reuses it. A file may still
# include them itself; the precompiled copy only saves the parsing. The tests
# share one of their own (tests/CMakeLists.txt).
set(VELTAR_SHARED_HEADERS <algorithm> <cstdint> <optional> <span> <string> <string_view> <vector>)
if(WIN32)
  list(APPEND VELTAR_SHARED_HEADERS <windows.h>)
endif()
target_precompile_headers(veltar_base PRIVATE ${VELTAR_SHARED_HEADERS})

# Every C++ target defined in a folder and the folders below it reuses
# veltar_base's header; the stand-in drivers (C, built for the kernel) do not.
function(veltar_share_headers folder)
  get_property(targets DIRECTORY ${folder} PROPERTY BUILDSYSTEM_TARGETS)
  foreach(target ${targets})
    get_target_property(type ${target} TYPE)
    get_target_property(sources ${target} SOURCES)
    list(FILTER sources INCLUDE REGEX "\\.cpp$")
    if(NOT target STREQUAL "veltar_base" AND sources AND NOT type STREQUAL "UTILITY")
      target_precompile_headers(${target} REUSE_FROM veltar_base)
    endif()
  endforeach()
  get_property(subfolders DIRECTORY ${folder} PROPERTY SUBDIRECTORIES)
  foreach(subfolder ${subfolders})
    veltar_share_headers(${subfolder})
  endforeach()
endfunction()
