# The libraries form a line of layers, each using only those before it in
# `layers`. Two checks keep it so:
# - at configure time, no layer may name a later one among its link
#   libraries (a declared cycle);
# - at build time, each layer links on its own into a small program with
#   all of its objects and only what it declares: a call up the line that
#   nobody declared fails that link.
function(check_layers)
    set(layers ${ARGN})
    list(LENGTH layers count)
    math(EXPR last "${count} - 1")
    foreach(index RANGE ${last})
        list(GET layers ${index} layer)
        get_target_property(deps ${layer} LINK_LIBRARIES)
        if(NOT deps)
            set(deps "")
        endif()
        foreach(dep IN LISTS deps)
            list(FIND layers "${dep}" depIndex)
            if(depIndex GREATER_EQUAL ${index})
                message(FATAL_ERROR "Layer ${layer} links ${dep}, which is not below it")
            endif()
        endforeach()
        add_executable(${layer}_layer_check ${PROJECT_SOURCE_DIR}/cmake/layer_check.cpp)
        target_link_libraries(${layer}_layer_check PRIVATE "$<LINK_LIBRARY:WHOLE_ARCHIVE,${layer}>")
    endforeach()
endfunction()
