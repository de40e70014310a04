# Signs release files with the certificate the environment names, when the
# package step runs: VELTAR_SIGN_PFX (a PKCS#12 file with the key and its
# certificates), VELTAR_SIGN_PASSWORD and, optionally, VELTAR_SIGN_TIMESTAMP_URL.
# They are read here only, never kept in the CMake cache. Each file is signed
# with SHA-256, the product's name and address, and verified before it takes
# the unsigned file's place; a certificate that cannot be used, or a signature
# that does not verify, fails the step. CPACK_VELTAR_HOMEPAGE is the address.

function(veltar_signing_wanted result)
  if("$ENV{VELTAR_SIGN_PFX}" STREQUAL "")
    set(${result} FALSE PARENT_SCOPE)
  else()
    set(${result} TRUE PARENT_SCOPE)
  endif()
endfunction()

# Signs <file> in place; MSI adds the MSI's extended signature (MsiDigitalSignatureEx).
function(veltar_sign file)
  cmake_parse_arguments(PARSE_ARGV 1 SIGN "MSI" "" "")
  find_program(osslsigncode osslsigncode REQUIRED)
  find_program(openssl openssl REQUIRED)
  set(pfx "$ENV{VELTAR_SIGN_PFX}")
  if(NOT EXISTS "${pfx}")
    message(FATAL_ERROR "VELTAR_SIGN_PFX names ${pfx}, which cannot be read: nothing was signed.")
  endif()
  # The password goes to the tools in a file only this user may read, never on a command line.
  string(RANDOM LENGTH 12 tag)
  set(secret "${file}.${tag}.pass")
  set(chain "${file}.${tag}.pem")
  file(WRITE "${secret}" "")
  file(CHMOD "${secret}" PERMISSIONS OWNER_READ OWNER_WRITE)
  file(APPEND "${secret}" "$ENV{VELTAR_SIGN_PASSWORD}")
  # What the signature is checked against: the system's roots and the certificates the file carries.
  execute_process(COMMAND ${openssl} pkcs12 -in "${pfx}" -nokeys -passin "file:${secret}" -out "${chain}"
                  RESULT_VARIABLE read OUTPUT_VARIABLE output ERROR_VARIABLE output)
  if(NOT read EQUAL 0)
    file(REMOVE "${secret}" "${chain}")
    message(FATAL_ERROR "The certificate in ${pfx} cannot be used (a wrong password?): nothing was signed.\n${output}")
  endif()
  if(EXISTS /etc/ssl/certs/ca-certificates.crt)
    file(READ /etc/ssl/certs/ca-certificates.crt roots)
    file(APPEND "${chain}" "${roots}")
  endif()
  set(options -h sha256 -n "Veltar" -i "${CPACK_VELTAR_HOMEPAGE}")
  if(NOT "$ENV{VELTAR_SIGN_TIMESTAMP_URL}" STREQUAL "")
    list(APPEND options -ts "$ENV{VELTAR_SIGN_TIMESTAMP_URL}")
  endif()
  if(SIGN_MSI)
    list(APPEND options -add-msi-dse)
  endif()
  file(REMOVE "${file}.signed")
  execute_process(COMMAND ${osslsigncode} sign -pkcs12 "${pfx}" -readpass "${secret}" ${options}
                          -in "${file}" -out "${file}.signed"
                  RESULT_VARIABLE signed OUTPUT_VARIABLE output ERROR_VARIABLE output)
  file(REMOVE "${secret}")
  if(NOT signed EQUAL 0)
    file(REMOVE "${file}.signed" "${chain}")
    message(FATAL_ERROR "${file} could not be signed with ${pfx}:\n${output}")
  endif()
  execute_process(COMMAND ${osslsigncode} verify -CAfile "${chain}" -in "${file}.signed"
                  RESULT_VARIABLE verified OUTPUT_VARIABLE output ERROR_VARIABLE output)
  file(REMOVE "${chain}")
  if(NOT verified EQUAL 0)
    file(REMOVE "${file}.signed")
    message(FATAL_ERROR "The signature of ${file} does not verify:\n${output}")
  endif()
  file(RENAME "${file}.signed" "${file}")
endfunction()
