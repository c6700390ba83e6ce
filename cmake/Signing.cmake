# Authenticode (SHA-256, by osslsigncode) for what the user runs and what
# the driver installs: the setup program, the driver's DLLs and the catalog
# of its INF (scripts/sign-files, scripts/make-catalog).
#
# The signer is the vendor's with -DSIGNING_PFX=file.pfx; its password is
# read at build time from the environment variable named by
# -DSIGNING_PASSWORD_ENV, so it is never written into the cache, a command
# line or a log. Without a PFX a self-signed test certificate is made; its
# key lives only from the packing of the driver to the signing of the
# program and is deleted then, so the next build makes a new one and signs
# everything again. The package's kvtp.cer is always the signer's
# certificate.
set(SIGNING_PFX "" CACHE FILEPATH "Sign with the code-signing certificate and key of this PFX (PKCS #12) file")
set(SIGNING_PASSWORD_ENV "" CACHE STRING "Name of the environment variable holding the PFX's password")
set(SIGNING_TIMESTAMP_URL "" CACHE STRING "RFC 3161 time-stamp server for every signature")
find_program(OSSLSIGNCODE_EXECUTABLE osslsigncode)
if(NOT SKIN_PACKAGE)
    # Found by CMake's own module: python.org's installs have no python3.
    find_package(Python3 COMPONENTS Interpreter REQUIRED)
endif()
find_program(OPENSSL_EXECUTABLE openssl)
set(SIGNER_DIR ${CMAKE_BINARY_DIR}/signer)
set(SIGN_FILES ${PROJECT_SOURCE_DIR}/scripts/sign-files)
set(MAKE_CATALOG ${PROJECT_SOURCE_DIR}/scripts/make-catalog)

if(SIGNING_PFX AND NOT EXISTS ${SIGNING_PFX})
    message(FATAL_ERROR "SIGNING_PFX ${SIGNING_PFX} does not exist")
endif()
if(SIGNING_PASSWORD_ENV MATCHES "[^A-Za-z0-9_]")
    message(FATAL_ERROR "SIGNING_PASSWORD_ENV names an environment variable, not a password")
endif()

# The options of scripts/sign-files that name the signer.
set(SIGNER_ARGS --signer ${SIGNER_DIR})
if(SIGNING_PFX)
    list(APPEND SIGNER_ARGS --pfx ${SIGNING_PFX})
    if(SIGNING_PASSWORD_ENV)
        list(APPEND SIGNER_ARGS --password-env ${SIGNING_PASSWORD_ENV})
    endif()
    set(SIGNER_OUTPUTS ${SIGNER_DIR}/kvtp.cer)
    set(SIGNER_DEPENDS ${SIGNING_PFX})
else()
    set(SIGNER_OUTPUTS ${SIGNER_DIR}/kvtp.cer ${SIGNER_DIR}/test.key)
    set(SIGNER_DEPENDS "")
endif()
if(SIGNING_TIMESTAMP_URL)
    set(TIMESTAMP_ARGS --timestamp ${SIGNING_TIMESTAMP_URL})
else()
    set(TIMESTAMP_ARGS "")
endif()

# The signer's certificate (and the test key), which the packing of the
# driver depends on: when the test key has been forgotten, this makes a new
# one and the driver is packed and signed again.
function(add_signer_command)
    if(NOT OPENSSL_EXECUTABLE)
        message(FATAL_ERROR "openssl is needed for the signing certificate")
    endif()
    if(NOT OSSLSIGNCODE_EXECUTABLE)
        message(FATAL_ERROR "osslsigncode is needed to sign the driver and the program "
                            "(Debian: apt-get install osslsigncode)")
    endif()
    add_custom_command(OUTPUT ${SIGNER_OUTPUTS}
        COMMAND ${Python3_EXECUTABLE} ${SIGN_FILES} certificate ${SIGNER_ARGS} --openssl ${OPENSSL_EXECUTABLE}
        DEPENDS ${SIGN_FILES} ${SIGNER_DEPENDS}
        COMMENT "Making the signing certificate" VERBATIM)
endfunction()

# Signs a program after each link; the last signature of a build, so the
# test key is forgotten here.
function(sign_program target)
    add_custom_command(TARGET ${target} POST_BUILD
        COMMAND ${Python3_EXECUTABLE} ${SIGN_FILES} sign ${SIGNER_ARGS} --osslsigncode ${OSSLSIGNCODE_EXECUTABLE}
                ${TIMESTAMP_ARGS} $<TARGET_FILE:${target}>
        COMMAND ${Python3_EXECUTABLE} ${SIGN_FILES} forget --signer ${SIGNER_DIR}
        COMMENT "Signing ${target}" VERBATIM)
endfunction()
