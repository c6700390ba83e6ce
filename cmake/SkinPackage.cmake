# Packs skin/ into the encrypted resource package.
#
# Every entry is encrypted with traditional PKWARE encryption (Info-ZIP
# `zip -P`) and deflated where that makes it smaller; names use "/" and no
# folder entries are written. A prebuilt package may be given instead with
# -DSKIN_PACKAGE=path (for machines without Info-ZIP).
set(SKIN_PASSWORD "wqm19990707")
set(SKIN_PACKAGE "" CACHE FILEPATH "Use this prebuilt resource package instead of packing skin/")

function(add_skin_package target output)
    if(SKIN_PACKAGE)
        add_custom_command(OUTPUT ${output}
            COMMAND ${CMAKE_COMMAND} -E copy ${SKIN_PACKAGE} ${output}
            DEPENDS ${SKIN_PACKAGE} VERBATIM)
    else()
        find_program(ZIP_EXECUTABLE zip REQUIRED)
        file(GLOB_RECURSE skin_files CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/skin/*)
        add_custom_command(OUTPUT ${output}
            COMMAND ${CMAKE_COMMAND} -E rm -f ${output}
            COMMAND ${ZIP_EXECUTABLE} -q -r -D -X -9 -P ${SKIN_PASSWORD} ${output} .
            WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}/skin
            DEPENDS ${skin_files}
            COMMENT "Packing skin/ into ${output}" VERBATIM)
    endif()
    add_custom_target(${target} ALL DEPENDS ${output})
endfunction()
