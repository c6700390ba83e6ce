# The printer driver's portable core. It ships inside the driver's own DLLs,
# so it uses no other library of the program.
add_library(driver_core STATIC src/driver/Capabilities.cpp src/driver/DevMode.cpp src/driver/ModelData.cpp
                               src/driver/PageTexts.cpp src/driver/RasterEncoder.cpp)
target_include_directories(driver_core PUBLIC src)
project_warnings(driver_core)

if(NOT WIN32)
    add_executable(driver_core_tests tests/driver/Capabilities_test.cpp tests/driver/DevMode_test.cpp tests/driver/ModelData_test.cpp
                                     tests/driver/PageTexts_test.cpp
                                     tests/driver/RasterEncoder_test.cpp)
    target_compile_definitions(driver_core_tests PRIVATE DRIVER_STAGED="${CMAKE_BINARY_DIR}/skin-staged/driver")
    target_link_libraries(driver_core_tests PRIVATE driver_core GTest::gtest GTest::gtest_main)
    add_dependencies(driver_core_tests skin_package)
    project_warnings(driver_core_tests)
    gtest_discover_tests(driver_core_tests DISCOVERY_TIMEOUT 60)
    if(WINDOWS_BUILD_DIR)
        # Its portrait page, as the printer would print it, lands in
        # print/testpage-1.png of the Windows build.
        add_test(NAME wine.print_test COMMAND ${PROJECT_SOURCE_DIR}/tests/win32/driver/print-test ${WINDOWS_BUILD_DIR})
        set_tests_properties(wine.print_test PROPERTIES TIMEOUT 300 RESOURCE_LOCK wine)
        add_test(NAME wine.driver_interface COMMAND ${WINE_RUN} ${WINDOWS_BUILD_DIR}/driver_interface_tests.exe)
        set_tests_properties(wine.driver_interface PROPERTIES TIMEOUT 300 RESOURCE_LOCK wine)
    endif()
endif()

if(NOT WIN32)
    add_executable(encode_bench bench/encode_bench.cpp)
    target_link_libraries(encode_bench PRIVATE driver_core)
    project_warnings(encode_bench)
endif()

if(BUILD_FUZZERS)
    add_executable(model_data_fuzz fuzz/model_data_fuzz.cpp)
    target_link_libraries(model_data_fuzz PRIVATE driver_core)
    target_compile_options(model_data_fuzz PRIVATE -fsanitize=fuzzer)
    target_link_options(model_data_fuzz PRIVATE -fsanitize=fuzzer)
    add_executable(devmode_fuzz fuzz/devmode_fuzz.cpp)
    target_link_libraries(devmode_fuzz PRIVATE driver_core)
    target_compile_options(devmode_fuzz PRIVATE -fsanitize=fuzzer)
    target_link_options(devmode_fuzz PRIVATE -fsanitize=fuzzer)
    target_compile_options(driver_core PRIVATE -fsanitize=fuzzer-no-link)
endif()

if(WIN32)
    # winddi.h, with the DirectDraw headers it includes declared where this
    # toolchain lacks them.
    add_library(ddi_headers INTERFACE)
    include(CheckIncludeFileCXX)
    check_include_file_cxx(ddrawint.h HAVE_DDRAWINT_H)
    if(NOT HAVE_DDRAWINT_H)
        target_include_directories(ddi_headers INTERFACE src/driver/win32/compat)
    endif()

    # The rendering DLL; the same file serves both models.
    add_library(QuorvelA4UNI SHARED src/driver/win32/Engine.cpp src/driver/win32/Graphics.cpp
                                    src/driver/win32/ModelFile.cpp src/driver/win32/version.rc)
    set_target_properties(QuorvelA4UNI PROPERTIES PREFIX "")
    target_link_libraries(QuorvelA4UNI PRIVATE driver_core ddi_headers winspool)
    if(MSVC)
        # Undecorated names for the spooler, in an x86 build too.
        target_sources(QuorvelA4UNI PRIVATE src/driver/win32/QuorvelA4UNI.def)
    elseif(CMAKE_SIZEOF_VOID_P EQUAL 4)
        # The spooler looks the entry points up by their plain names.
        target_link_options(QuorvelA4UNI PRIVATE -Wl,--kill-at)
    endif()
    project_warnings(QuorvelA4UNI)

    # The engine's names gdi32 gives user-mode drivers, from this
    # toolchain's import library (made from gdi32's export table). A
    # driver DLL that looks up any other fails its build.
    if(NOT MSVC)
        find_package(Python3 COMPONENTS Interpreter REQUIRED)
        set(ENGINE_PYTHON ${Python3_EXECUTABLE})
        execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=libgdi32.a
                        OUTPUT_VARIABLE GDI32_IMPORT_LIBRARY OUTPUT_STRIP_TRAILING_WHITESPACE)
        set(ENGINE_NAMES ${CMAKE_BINARY_DIR}/gdi32-engine-names.txt)
        set(engine_names ${PROJECT_SOURCE_DIR}/scripts/engine-names)
        add_custom_command(OUTPUT ${ENGINE_NAMES}
            COMMAND ${ENGINE_PYTHON} ${engine_names} list ${CMAKE_NM} ${GDI32_IMPORT_LIBRARY} ${ENGINE_NAMES}
            DEPENDS ${engine_names} ${GDI32_IMPORT_LIBRARY} VERBATIM)
        add_custom_target(engine_names DEPENDS ${ENGINE_NAMES})
        add_dependencies(QuorvelA4UNI engine_names)
        add_custom_command(TARGET QuorvelA4UNI POST_BUILD
            COMMAND ${ENGINE_PYTHON} ${engine_names} check ${ENGINE_NAMES} $<TARGET_FILE:QuorvelA4UNI> VERBATIM)
    endif()

    # The interface DLL; the same file serves both models.
    add_library(QuorvelA4UI SHARED src/driver/win32/Interface.cpp src/driver/win32/ModelFile.cpp
                                   src/driver/win32/Pages.cpp src/driver/win32/pages.rc src/driver/win32/version.rc)
    set_target_properties(QuorvelA4UI PROPERTIES PREFIX "")
    target_compile_definitions(QuorvelA4UI PRIVATE INTERFACE_DLL)
    target_link_libraries(QuorvelA4UI PRIVATE driver_core winspool comctl32 user32)
    if(MSVC)
        target_sources(QuorvelA4UI PRIVATE src/driver/win32/QuorvelA4UI.def)
    elseif(CMAKE_SIZEOF_VOID_P EQUAL 4)
        target_link_options(QuorvelA4UI PRIVATE -Wl,--kill-at)
    endif()
    project_warnings(QuorvelA4UI)
    if(NOT MSVC)
        add_dependencies(QuorvelA4UI engine_names)
        add_custom_command(TARGET QuorvelA4UI POST_BUILD
            COMMAND ${ENGINE_PYTHON} ${engine_names} check ${ENGINE_NAMES} $<TARGET_FILE:QuorvelA4UI> VERBATIM)
    endif()

    if(CMAKE_SIZEOF_VOID_P EQUAL 8 AND NOT DRIVER_DLLS_ONLY)
        # The rendering DLL through the engine's sequence, with this
        # program's own engine functions (Wine's gdi32 has none), exported
        # under exactly the names gdi32 exports.
        add_executable(print_test tests/win32/driver/print_test.cpp)
        set(print_test_def ${CMAKE_BINARY_DIR}/print_test.def)
        add_custom_command(OUTPUT ${print_test_def}
            COMMAND ${ENGINE_PYTHON} ${engine_names} def ${ENGINE_NAMES}
                    ${PROJECT_SOURCE_DIR}/tests/win32/driver/print_test.cpp ${print_test_def}
            DEPENDS ${engine_names} ${ENGINE_NAMES} ${PROJECT_SOURCE_DIR}/tests/win32/driver/print_test.cpp VERBATIM)
        add_custom_target(print_test_def DEPENDS ${print_test_def})
        add_dependencies(print_test print_test_def)
        target_link_options(print_test PRIVATE ${print_test_def})
        set_target_properties(print_test PROPERTIES LINK_DEPENDS ${print_test_def})
        target_compile_definitions(print_test PRIVATE DRIVER_STAGED="Z:${CMAKE_BINARY_DIR}/skin-staged/driver")
        target_link_libraries(print_test PRIVATE driver_core ddi_headers gtest_win32 gdi32 winspool version)
        add_dependencies(print_test QuorvelA4UNI skin_package)
        project_warnings(print_test)

        # The interface DLL behind Wine's spooler.
        add_executable(driver_interface_tests tests/win32/os/main.cpp tests/win32/driver/interface_test.cpp)
        target_compile_definitions(driver_interface_tests PRIVATE
            DRIVER_STAGED="Z:${CMAKE_BINARY_DIR}/skin-staged/driver"
            DRIVER_SOURCES="Z:${PROJECT_SOURCE_DIR}/src/driver/win32")
        target_include_directories(driver_interface_tests PRIVATE src)
        target_link_libraries(driver_interface_tests PRIVATE gtest_win32 winspool compstui comctl32 gdi32 user32 version)
        add_dependencies(driver_interface_tests QuorvelA4UNI QuorvelA4UI skin_package)
        project_warnings(driver_interface_tests)
    endif()
endif()
