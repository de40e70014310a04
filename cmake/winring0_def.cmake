# Writes the .def file of WinRing0.dll's three exports to the given path: in an
# x86 build the stdcall names carry the size of their arguments ("@0", "@12"),
# in an x64 build they carry none. With WITH_STATUS it also exports our own
# library's VeltarHardwareStatus, and with WITH_BOARD VeltarBoardTemperature,
# each by its plain name.
function(configure_winring0_def output)
  cmake_parse_arguments(PARSE_ARGV 1 DEF "WITH_STATUS;WITH_BOARD" "" "")
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(STDCALL_0 "@0")
    set(STDCALL_4 "@4")
    set(STDCALL_12 "@12")
  else()
    set(STDCALL_0 "")
    set(STDCALL_4 "")
    set(STDCALL_12 "")
  endif()
  set(STATUS_EXPORT "")
  if(DEF_WITH_STATUS)
    set(STATUS_EXPORT "VeltarHardwareStatus=VeltarHardwareStatus${STDCALL_0}")
  endif()
  set(BOARD_EXPORT "")
  if(DEF_WITH_BOARD)
    set(BOARD_EXPORT "VeltarBoardTemperature=VeltarBoardTemperature${STDCALL_4}")
  endif()
  configure_file(${CMAKE_SOURCE_DIR}/sensors/platform/winring0.def.in ${output} @ONLY)
endfunction()
