# Run by CPack after the archive is made: builds the installer from the files
# the archive was made of, and writes its checksum beside it as for the archive.
set(msi ${CPACK_PACKAGE_DIRECTORY}/${CPACK_PACKAGE_FILE_NAME}.msi)
set(staged ${CPACK_TEMPORARY_DIRECTORY})
get_filename_component(CPACK_VELTAR_WINGET_DIR ${CPACK_PACKAGE_DIRECTORY}/../winget ABSOLUTE)
if(NOT IS_DIRECTORY ${staged})
  message(FATAL_ERROR "The archive's staged files are not in ${staged}.")
endif()
set(arch_option)
if(CPACK_VELTAR_ARCHITECTURE STREQUAL "win64")
  set(arch_option -a x64)
endif()
# wixl takes its sources by relative path only.
file(RELATIVE_PATH icon ${staged} ${CPACK_VELTAR_ICON})
file(REMOVE ${msi})
execute_process(
  COMMAND ${CPACK_VELTAR_WIXL} ${arch_option} -D Version=${CPACK_VELTAR_MSI_VERSION}
          -D Arch=${CPACK_VELTAR_ARCHITECTURE} -D SourceDir=. -D IconFile=${icon} -o ${msi} ${CPACK_VELTAR_WXS}
  WORKING_DIRECTORY ${staged}
  RESULT_VARIABLE result
  OUTPUT_VARIABLE output
  ERROR_VARIABLE output)
if(NOT result EQUAL 0 OR NOT EXISTS ${msi})
  file(REMOVE ${msi})
  message(FATAL_ERROR "wixl could not make ${msi}:\n${output}")
endif()
# wixl schedules the removal of an older Veltar before this one is installed and
# takes no other place for it. Removed after this one is in place, the older one
# finds this version recorded and leaves the tasks this one keeps alone, where
# Windows Installer does not say that it is being upgraded (Wine's does not).
find_program(msibuild msibuild REQUIRED)
execute_process(
  COMMAND ${msibuild} ${msi} -q "UPDATE InstallExecuteSequence SET Sequence = 6650 WHERE Action = 'RemoveExistingProducts'"
  RESULT_VARIABLE result
  OUTPUT_VARIABLE output
  ERROR_VARIABLE output)
if(NOT result EQUAL 0)
  file(REMOVE ${msi})
  message(FATAL_ERROR "msibuild could not schedule the removal of an older version in ${msi}:\n${output}")
endif()
include(${CMAKE_CURRENT_LIST_DIR}/sign_files.cmake)
veltar_signing_wanted(wanted)
if(wanted)
  veltar_sign(${msi} MSI)
  message(STATUS "Signed and verified ${msi}.")
endif()
file(SHA256 ${msi} checksum)
get_filename_component(name ${msi} NAME)
file(WRITE ${msi}.sha256 "${checksum}  ${name}\n")
message(STATUS "Installer ${msi} generated.")
include(${CMAKE_CURRENT_LIST_DIR}/winget_manifest.cmake)
