# Build step (cmake -P): copies skin/ into STAGE_DIR and completes its
# driver/ folder, which the packer then packs instead of skin/.
#
#   SKIN_DIR     the skin/ folder (it holds our INF and help file in
#                driver/a4/)
#   STAGE_DIR    emptied and filled here
#   PAYLOAD_DIR  optional: a folder laid out like driver/ with the vendor's
#                own files; without it, the model data files are made from
#                MODELS_DIR with MAKE_MODEL_DATA (run by PYTHON), and the
#                driver's DLLs come from DLLS32 and DLLS64 (QuorvelA4UI.dll
#                and QuorvelA4UNI.dll; both models share them, the data
#                file tells them apart)
#   SIGN_FILES, SIGNER_ARGS, TIMESTAMP_ARGS, SIGNER_DIR, OSSLSIGNCODE
#                scripts/sign-files and its signer (cmake/Signing.cmake)
#   MAKE_CATALOG scripts/make-catalog
#
# Our DLLs are signed; a vendor's payload is packed as given. Without a
# QuorvelA4.cat of the vendor's, the catalog of the INF is made over every
# file the INF installs, both architectures, and signed, and kvtp.cer is
# the signer's certificate.
#
# Fails when a file of the driver layout is missing or any driver file is
# larger than the 4 MiB the program extracts. The driver is built for x64
# and x86 only; there is no IA64 toolchain, and it needs no Unidrv files.

set(layout
    a4/QuorvelA4.inf a4/QuorvelA4.cat a4/kvtp.cer a4/QuorvelA4203.pcd a4/QuorvelA4300.pcd a4/plotuia4.hlp)
foreach(arch Driver32 Driver64)
    foreach(file QuorvelA4UI203.dll QuorvelA4UI300.dll QuorvelA4UNI203.dll QuorvelA4UNI300.dll)
        list(APPEND layout a4/${arch}/${file})
    endforeach()
endforeach()

set(max_size 4194304)
set(driver ${STAGE_DIR}/driver)

file(REMOVE_RECURSE ${STAGE_DIR})
file(MAKE_DIRECTORY ${STAGE_DIR})
file(COPY ${SKIN_DIR}/ DESTINATION ${STAGE_DIR})

if(PAYLOAD_DIR)
    if(NOT IS_DIRECTORY ${PAYLOAD_DIR})
        message(FATAL_ERROR "DRIVER_PAYLOAD_DIR ${PAYLOAD_DIR} is not a folder")
    endif()
    file(COPY ${PAYLOAD_DIR}/ DESTINATION ${driver})
else()
    foreach(model 203 300)
        execute_process(
            COMMAND ${PYTHON} ${MAKE_MODEL_DATA} ${MODELS_DIR}/QuorvelA4${model}.model
                    ${driver}/a4/QuorvelA4${model}.pcd
            RESULT_VARIABLE result ERROR_VARIABLE errors)
        if(NOT result EQUAL 0)
            message(FATAL_ERROR "The data file of the ${model} dpi model could not be made:\n${errors}")
        endif()
        foreach(arch 32 64)
            foreach(kind UI UNI)
                set(built ${DLLS${arch}}/QuorvelA4${kind}.dll)
                if(NOT EXISTS ${built})
                    message(FATAL_ERROR "The driver DLL ${built} has not been built")
                endif()
                configure_file(${built} ${driver}/a4/Driver${arch}/QuorvelA4${kind}${model}.dll COPYONLY)
            endforeach()
        endforeach()
    endforeach()
endif()

set(missing "")
foreach(entry IN LISTS layout)
    if(NOT EXISTS ${driver}/a4/QuorvelA4.cat AND entry MATCHES "QuorvelA4.cat|kvtp.cer")
        continue()  # made below
    endif()
    if(NOT EXISTS ${driver}/${entry})
        string(APPEND missing "\n  driver/${entry}")
    endif()
endforeach()
if(missing)
    message(FATAL_ERROR "The driver payload lacks:${missing}")
endif()

function(sign_files)
    execute_process(
        COMMAND ${PYTHON} ${SIGN_FILES} sign ${SIGNER_ARGS} --osslsigncode ${OSSLSIGNCODE} ${TIMESTAMP_ARGS} ${ARGN}
        RESULT_VARIABLE result ERROR_VARIABLE errors)
    if(NOT result EQUAL 0)
        message(FATAL_ERROR "Signing failed:\n${errors}")
    endif()
endfunction()

if(NOT PAYLOAD_DIR)
    file(GLOB dlls ${driver}/a4/Driver32/*.dll ${driver}/a4/Driver64/*.dll)
    sign_files(${dlls})
endif()

if(NOT EXISTS ${driver}/a4/QuorvelA4.cat)
    configure_file(${SIGNER_DIR}/kvtp.cer ${driver}/a4/kvtp.cer COPYONLY)
    set(members a4/QuorvelA4.inf a4/QuorvelA4203.pcd a4/QuorvelA4300.pcd a4/plotuia4.hlp)
    foreach(entry IN LISTS layout)
        if(entry MATCHES "\\.dll$")
            list(APPEND members ${entry})
        endif()
    endforeach()
    list(TRANSFORM members PREPEND ${driver}/)
    execute_process(
        COMMAND ${PYTHON} ${MAKE_CATALOG} ${driver}/a4/QuorvelA4.cat ${members}
        RESULT_VARIABLE result ERROR_VARIABLE errors)
    if(NOT result EQUAL 0)
        message(FATAL_ERROR "The catalog of the driver could not be made:\n${errors}")
    endif()
    sign_files(${driver}/a4/QuorvelA4.cat)
endif()

file(GLOB_RECURSE driver_files ${driver}/*)
set(too_large "")
foreach(file IN LISTS driver_files)
    file(SIZE ${file} size)
    if(size GREATER max_size)
        file(RELATIVE_PATH name ${STAGE_DIR} ${file})
        string(APPEND too_large "\n  ${name}: ${size} bytes")
    endif()
endforeach()
if(too_large)
    message(FATAL_ERROR "Driver files over 4 MiB (${max_size} bytes) cannot be extracted by the program:${too_large}")
endif()
