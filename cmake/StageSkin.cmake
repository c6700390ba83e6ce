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
#   OPENSSL      openssl, for the signing certificate when none is given
#   CERT_DIR     where the build keeps its certificate between packings
#
# Fails when a file of the driver layout is missing or any driver file is
# larger than the 4 MiB the program extracts. The driver is built for x64
# and x86 only; there is no IA64 toolchain, and it needs no Unidrv files.

set(layout
    a4/QuorvelA4.inf a4/kvtp.cer a4/QuorvelA4203.pcd a4/QuorvelA4300.pcd a4/plotuia4.hlp)
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

if(NOT EXISTS ${driver}/a4/kvtp.cer)
    # A self-signed code-signing certificate, DER-encoded, made once per
    # build folder; its private key is not kept.
    if(NOT EXISTS ${CERT_DIR}/kvtp.cer)
        if(NOT OPENSSL)
            message(FATAL_ERROR "openssl is needed to make driver/a4/kvtp.cer (or give one in DRIVER_PAYLOAD_DIR)")
        endif()
        file(MAKE_DIRECTORY ${CERT_DIR})
        execute_process(
            COMMAND ${OPENSSL} req -x509 -newkey rsa:2048 -nodes -sha256 -days 3650
                    -subj "/CN=Quorvel A4 Printer Driver/O=Quorvel"
                    -addext "basicConstraints=critical,CA:FALSE"
                    -addext "keyUsage=critical,digitalSignature"
                    -addext "extendedKeyUsage=codeSigning"
                    -keyout ${CERT_DIR}/kvtp.key -outform DER -out ${CERT_DIR}/kvtp.cer
            RESULT_VARIABLE result OUTPUT_QUIET ERROR_VARIABLE errors)
        file(REMOVE ${CERT_DIR}/kvtp.key)
        if(NOT result EQUAL 0)
            file(REMOVE ${CERT_DIR}/kvtp.cer)
            message(FATAL_ERROR "openssl could not make the certificate:\n${errors}")
        endif()
    endif()
    file(COPY ${CERT_DIR}/kvtp.cer DESTINATION ${driver}/a4)
endif()

set(missing "")
foreach(entry IN LISTS layout)
    if(NOT EXISTS ${driver}/${entry})
        string(APPEND missing "\n  driver/${entry}")
    endif()
endforeach()
if(missing)
    message(FATAL_ERROR "The driver payload lacks:${missing}")
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
