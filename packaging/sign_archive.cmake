# Run by CPack once the archive's files are staged and stripped, before they
# are zipped: signs every program and library among them where a certificate
# is given, and says once that nothing is signed where none is.
include(${CMAKE_CURRENT_LIST_DIR}/sign_files.cmake)
veltar_signing_wanted(wanted)
if(NOT wanted)
  message(STATUS "not signed: VELTAR_SIGN_PFX is not set")
  return()
endif()
file(GLOB_RECURSE binaries "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*.exe" "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*.dll")
if(NOT binaries)
  message(FATAL_ERROR "No program or library to sign in ${CPACK_TEMPORARY_INSTALL_DIRECTORY}.")
endif()
foreach(binary IN LISTS binaries)
  veltar_sign("${binary}")
endforeach()
list(LENGTH binaries count)
message(STATUS "Signed and verified ${count} programs and libraries.")
