# Packs skin/ into the encrypted resource package.
#
# skin/ is first copied into the build folder and its driver/ folder
# completed there (cmake/StageSkin.cmake): our driver's DLLs of both
# architectures (cmake/DriverDlls.cmake) and model data files, or the
# vendor's own files from -DDRIVER_PAYLOAD_DIR=folder (laid out like
# driver/a4/), the signer's certificate and the INF's catalog, with every
# file of ours signed (cmake/Signing.cmake). That copy is packed. Every entry is encrypted with traditional PKWARE encryption
# (Info-ZIP `zip -P`) and deflated where that makes it smaller; names use "/"
# and no folder entries are written. A prebuilt package may be given instead
# with -DSKIN_PACKAGE=path (for machines without Info-ZIP).
set(SKIN_PASSWORD "wqm19990707")
set(SKIN_PACKAGE "" CACHE FILEPATH "Use this prebuilt resource package instead of packing skin/")
set(DRIVER_PAYLOAD_DIR "" CACHE PATH "Pack the vendor's driver files from this folder instead of our own")
include(${CMAKE_CURRENT_LIST_DIR}/DriverDlls.cmake)
include(${CMAKE_CURRENT_LIST_DIR}/Signing.cmake)

function(add_skin_package target output)
    if(SKIN_PACKAGE)
        add_custom_command(OUTPUT ${output}
            COMMAND ${CMAKE_COMMAND} -E copy ${SKIN_PACKAGE} ${output}
            DEPENDS ${SKIN_PACKAGE} VERBATIM)
    else()
        find_program(ZIP_EXECUTABLE zip REQUIRED)
        set(PYTHON_EXECUTABLE ${Python3_EXECUTABLE})
        set(make_model_data ${PROJECT_SOURCE_DIR}/scripts/make-model-data)
        file(GLOB model_sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/src/driver/models/*.model)
        set(stage ${CMAKE_BINARY_DIR}/skin-staged)
        set(script ${PROJECT_SOURCE_DIR}/cmake/StageSkin.cmake)
        file(GLOB_RECURSE skin_files CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/skin/*)
        set(payload_files "")
        set(dll_args "")
        if(DRIVER_PAYLOAD_DIR)
            file(GLOB_RECURSE payload_files CONFIGURE_DEPENDS ${DRIVER_PAYLOAD_DIR}/*)
        else()
            driver_dlls(x86 dlls32 depends32)
            driver_dlls(x64 dlls64 depends64)
            set(dll_args -DDLLS32=${dlls32} -DDLLS64=${dlls64})
            list(APPEND payload_files ${depends32} ${depends64})
        endif()
        add_signer_command()
        # A build without a program to sign is done with the test key once
        # the driver is signed.
        if(WIN32)
            set(forget_key "")
        else()
            set(forget_key COMMAND ${PYTHON_EXECUTABLE} ${SIGN_FILES} forget --signer ${SIGNER_DIR})
        endif()
        add_custom_command(OUTPUT ${output}
            COMMAND ${CMAKE_COMMAND} -DSKIN_DIR=${PROJECT_SOURCE_DIR}/skin -DSTAGE_DIR=${stage}
                    -DPAYLOAD_DIR=${DRIVER_PAYLOAD_DIR} ${dll_args} -DPYTHON=${PYTHON_EXECUTABLE}
                    -DMAKE_MODEL_DATA=${make_model_data} -DMODELS_DIR=${PROJECT_SOURCE_DIR}/src/driver/models
                    -DSIGN_FILES=${SIGN_FILES} "-DSIGNER_ARGS=${SIGNER_ARGS}" "-DTIMESTAMP_ARGS=${TIMESTAMP_ARGS}"
                    -DSIGNER_DIR=${SIGNER_DIR} -DOSSLSIGNCODE=${OSSLSIGNCODE_EXECUTABLE} -DMAKE_CATALOG=${MAKE_CATALOG}
                    -P ${script}
            COMMAND ${CMAKE_COMMAND} -E rm -f ${output}
            COMMAND ${CMAKE_COMMAND} -E chdir ${stage} ${ZIP_EXECUTABLE} -q -r -D -X -9 -P ${SKIN_PASSWORD} ${output} .
            ${forget_key}
            DEPENDS ${skin_files} ${payload_files} ${script} ${make_model_data} ${model_sources} ${SIGNER_OUTPUTS}
                    ${SIGN_FILES} ${MAKE_CATALOG}
            COMMENT "Packing skin/ and the driver payload into ${output}" VERBATIM)
    endif()
    add_custom_target(${target} ALL DEPENDS ${output})
endfunction()
