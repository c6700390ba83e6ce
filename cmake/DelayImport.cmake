# Delay-loaded imports for the Windows programs: a DLL the program needs only
# for an install or a removal is loaded on its first call, not before the
# window shows (under Wine each DLL loaded at start-up costs milliseconds).
# The import library is made from the toolchain's own: its exported names
# become a .def file, and dlltool turns that into a delay-import library.

# delay_import(<target> <library> <dll file name>): a library named
# <target> that links <library> (e.g. "winspool") delay-loaded.
if(MSVC)
    # Visual C++'s linker does it itself.
    function(delay_import target library dll)
        add_library(${target} INTERFACE)
        target_link_libraries(${target} INTERFACE ${library} delayimp)
        target_link_options(${target} INTERFACE /DELAYLOAD:${dll})
    endfunction()
    return()
endif()

find_program(MINGW_NM NAMES ${TOOLCHAIN_PREFIX}-nm REQUIRED)
find_program(MINGW_DLLTOOL NAMES ${TOOLCHAIN_PREFIX}-dlltool REQUIRED)

function(delay_import target library dll)
    find_library(${target}_IMPORT lib${library}.a REQUIRED)
    set(def ${CMAKE_BINARY_DIR}/delay/${library}.def)
    set(lib ${CMAKE_BINARY_DIR}/delay/lib${library}_delay.a)
    add_custom_command(OUTPUT ${lib}
        COMMAND ${CMAKE_COMMAND} -DNM=${MINGW_NM} -DIMPORT=${${target}_IMPORT} -DDLL=${dll} -DDEF=${def}
                -P ${PROJECT_SOURCE_DIR}/cmake/WriteDef.cmake
        COMMAND ${MINGW_DLLTOOL} -k -d ${def} -y ${lib} -D ${dll}
        DEPENDS ${PROJECT_SOURCE_DIR}/cmake/WriteDef.cmake
        COMMENT "Delay-import library for ${dll}")
    add_custom_target(${target}_lib DEPENDS ${lib})
    add_library(${target} INTERFACE)
    add_dependencies(${target} ${target}_lib)
    target_link_libraries(${target} INTERFACE ${lib} delayimp)
endfunction()
