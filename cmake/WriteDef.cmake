# cmake -DNM=<nm> -DIMPORT=<import library> -DDLL=<dll> -DDEF=<out> -P WriteDef.cmake
# Writes a .def file of the functions an import library exports. On i686 the
# names keep their stdcall "@n", which dlltool -k removes from the DLL side.
execute_process(COMMAND ${NM} ${IMPORT} OUTPUT_VARIABLE symbols RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "${NM} ${IMPORT} failed")
endif()
string(REGEX MATCHALL "[0-9a-fA-F]+ T [^\n]+" lines "${symbols}")
set(exports "")
foreach(line IN LISTS lines)
    string(REGEX REPLACE "^[0-9a-fA-F]+ T " "" name "${line}")
    # i686 decorates C names with a leading underscore.
    string(REGEX REPLACE "^_" "" name "${name}")
    if(NOT name MATCHES "^(_|\\.)")
        list(APPEND exports "${name}")
    endif()
endforeach()
list(REMOVE_DUPLICATES exports)
list(JOIN exports "\n    " body)
get_filename_component(dir ${DEF} DIRECTORY)
file(MAKE_DIRECTORY ${dir})
file(WRITE ${DEF} "LIBRARY ${DLL}\nEXPORTS\n    ${body}\n")
