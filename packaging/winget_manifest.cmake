# Included by make_msi.cmake once an installer is made (and signed): records
# this architecture's installer, with the values read back from the MSI itself,
# and writes winget's three manifests for the version from every architecture
# recorded so far. Packaging win32 and then win64 (or the other way round)
# completes the manifest. VELTAR_RELEASE_URL, read here, is where the MSIs will
# be downloaded from.
#
# In:  msi (the file as released), CPACK_VELTAR_ARCHITECTURE, CPACK_VELTAR_WINGET_DIR,
#      CPACK_VELTAR_LICENSE, CPACK_VELTAR_HOMEPAGE
find_program(msiinfo msiinfo REQUIRED)

function(veltar_msi_property msi name result)
  execute_process(COMMAND ${msiinfo} export "${msi}" Property RESULT_VARIABLE read OUTPUT_VARIABLE table
                  ERROR_VARIABLE error)
  if(NOT read EQUAL 0)
    message(FATAL_ERROR "msiinfo could not read the Property table of ${msi}:\n${error}")
  endif()
  string(REGEX MATCH "\n${name}\t([^\r\n]*)" found "${table}")
  if(NOT found)
    message(FATAL_ERROR "${msi} has no ${name}.")
  endif()
  set(${result} "${CMAKE_MATCH_1}" PARENT_SCOPE)
endfunction()

veltar_msi_property(${msi} ProductVersion version)
veltar_msi_property(${msi} ProductCode product_code)
veltar_msi_property(${msi} UpgradeCode upgrade_code)
file(SHA256 ${msi} installer_sha256)
string(TOUPPER "${installer_sha256}" installer_sha256)
get_filename_component(msi_name ${msi} NAME)
set(release_url "$ENV{VELTAR_RELEASE_URL}")
if(release_url STREQUAL "")
  set(release_url "https://example.invalid/veltar/${version}")
  message(WARNING "VELTAR_RELEASE_URL is not set: the winget manifest points at ${release_url}/${msi_name}.")
endif()
string(REGEX REPLACE "/+$" "" release_url "${release_url}")
if(CPACK_VELTAR_ARCHITECTURE STREQUAL "win64")
  set(winget_architecture x64)
else()
  set(winget_architecture x86)
endif()

# This architecture's entry, kept beside the manifests until the other's is there.
set(recorded ${CPACK_VELTAR_WINGET_DIR}/installers/${version})
file(WRITE ${recorded}/${winget_architecture}.yaml
"- Architecture: ${winget_architecture}
  InstallerType: msi
  Scope: machine
  InstallerUrl: ${release_url}/${msi_name}
  InstallerSha256: ${installer_sha256}
  ProductCode: '${product_code}'
  UpgradeBehavior: install
  ElevationRequirement: elevatesSelf
  AppsAndFeaturesEntries:
  - UpgradeCode: '${upgrade_code}'
")
set(installers "")
foreach(architecture x86 x64)
  if(EXISTS ${recorded}/${architecture}.yaml)
    file(READ ${recorded}/${architecture}.yaml entry)
    string(APPEND installers "${entry}")
  endif()
endforeach()

set(identifier Veltar.Veltar)
set(manifests ${CPACK_VELTAR_WINGET_DIR}/manifests/v/Veltar/Veltar/${version})
set(schema "# yaml-language-server: $schema=https://aka.ms/winget-manifest")
file(WRITE ${manifests}/${identifier}.yaml
"${schema}.version.1.12.0.schema.json
PackageIdentifier: ${identifier}
PackageVersion: ${version}
DefaultLocale: en-US
ManifestType: version
ManifestVersion: 1.12.0
")
file(WRITE ${manifests}/${identifier}.locale.en-US.yaml
"${schema}.defaultLocale.1.12.0.schema.json
PackageIdentifier: ${identifier}
PackageVersion: ${version}
PackageLocale: en-US
Publisher: Veltar
PackageName: Veltar
PackageUrl: ${CPACK_VELTAR_HOMEPAGE}
License: ${CPACK_VELTAR_LICENSE}
ShortDescription: Shows this computer's temperatures in a small window that stays on top of the others.
Description: The mainboard, every disk and NVMe drive, every processor, every graphics card and the memory modules, read every 0.75 seconds, recorded, and judged against each part's own limits; with a console tool for Prometheus, Nagios and Icinga, and CSV.
Tags:
- temperature
- hardware-monitor
- sensors
- prometheus
- nagios
ManifestType: defaultLocale
ManifestVersion: 1.12.0
")
file(WRITE ${manifests}/${identifier}.installer.yaml
"${schema}.installer.1.12.0.schema.json
PackageIdentifier: ${identifier}
PackageVersion: ${version}
Installers:
${installers}ManifestType: installer
ManifestVersion: 1.12.0
")
message(STATUS "winget manifest for ${version} in ${manifests}, with the ${winget_architecture} installer.")
