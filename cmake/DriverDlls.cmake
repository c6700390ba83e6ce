# Where the package finds the driver's two DLLs (QuorvelA4UI.dll and
# QuorvelA4UNI.dll) of each Windows architecture. Every package carries
# both, whichever build packs it: a Windows build takes its own
# architecture's DLLs from its own targets; the other architecture, and
# both for the host build, come from a build of the driver alone with that
# architecture's toolchain (DRIVER_DLLS_ONLY), kept in driver-<arch>/ of
# this build folder. DRIVER_DLLS_X86 and DRIVER_DLLS_X64 name folders with
# prebuilt DLLs instead, for a compiler that cannot build the other
# architecture from here.
include(ExternalProject)
set(DRIVER_DLLS_X86 "" CACHE PATH "Folder with prebuilt i686 QuorvelA4UI.dll and QuorvelA4UNI.dll")
set(DRIVER_DLLS_X64 "" CACHE PATH "Folder with prebuilt x86_64 QuorvelA4UI.dll and QuorvelA4UNI.dll")

# Sets <folder_var> to the folder holding the DLLs of `arch` (x86 or x64)
# and <depends_var> to what a command that reads them depends on.
function(driver_dlls arch folder_var depends_var)
    string(TOUPPER ${arch} upper)
    if(arch STREQUAL "x64")
        set(pointer_size 8)
        set(toolchain mingw-x86_64)
        set(platform x64)
    else()
        set(pointer_size 4)
        set(toolchain mingw-i686)
        set(platform Win32)
    endif()

    if(DRIVER_DLLS_${upper})
        set(folder ${DRIVER_DLLS_${upper}})
        set(depends ${folder}/QuorvelA4UI.dll ${folder}/QuorvelA4UNI.dll)
    elseif(WIN32 AND CMAKE_SIZEOF_VOID_P EQUAL pointer_size)
        set(folder $<TARGET_FILE_DIR:QuorvelA4UNI>)
        set(depends QuorvelA4UI QuorvelA4UNI)
    else()
        set(folder ${CMAKE_BINARY_DIR}/driver-${arch})
        if(MSVC AND CMAKE_GENERATOR MATCHES "^Visual Studio")
            set(how CMAKE_GENERATOR_PLATFORM ${platform})
        elseif(MSVC)
            message(FATAL_ERROR "Give the ${arch} driver DLLs with -DDRIVER_DLLS_${upper}=folder "
                                "(built with -DDRIVER_DLLS_ONLY=ON for that architecture)")
        else()
            set(how CMAKE_ARGS -DCMAKE_TOOLCHAIN_FILE=${PROJECT_SOURCE_DIR}/cmake/${toolchain}.cmake)
        endif()
        if(NOT TARGET driver_dlls_${arch})
            ExternalProject_Add(driver_dlls_${arch}
                SOURCE_DIR ${PROJECT_SOURCE_DIR}
                BINARY_DIR ${folder}
                ${how}
                CMAKE_CACHE_ARGS -DDRIVER_DLLS_ONLY:BOOL=ON -DCMAKE_BUILD_TYPE:STRING=Release
                # Its own dependency scan decides what to rebuild.
                BUILD_ALWAYS ON
                INSTALL_COMMAND ""
                BUILD_BYPRODUCTS ${folder}/QuorvelA4UI.dll ${folder}/QuorvelA4UNI.dll
                LOG_CONFIGURE ON LOG_BUILD ON LOG_OUTPUT_ON_FAILURE ON)
        endif()
        set(depends driver_dlls_${arch} ${folder}/QuorvelA4UI.dll ${folder}/QuorvelA4UNI.dll)
    endif()
    set(${folder_var} ${folder} PARENT_SCOPE)
    set(${depends_var} ${depends} PARENT_SCOPE)
endfunction()
