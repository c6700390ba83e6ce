# The printer driver's portable core. It ships inside the driver's own DLLs,
# so it uses no other library of the program.
add_library(driver_core STATIC src/driver/Capabilities.cpp src/driver/DevMode.cpp src/driver/ModelData.cpp src/driver/RasterEncoder.cpp)
target_include_directories(driver_core PUBLIC src)
project_warnings(driver_core)

if(NOT WIN32)
    add_executable(driver_core_tests tests/driver/Capabilities_test.cpp tests/driver/DevMode_test.cpp tests/driver/ModelData_test.cpp
                                     tests/driver/RasterEncoder_test.cpp)
    target_compile_definitions(driver_core_tests PRIVATE DRIVER_STAGED="${CMAKE_BINARY_DIR}/skin-staged/driver")
    target_link_libraries(driver_core_tests PRIVATE driver_core GTest::gtest GTest::gtest_main)
    add_dependencies(driver_core_tests skin_package)
    project_warnings(driver_core_tests)
    gtest_discover_tests(driver_core_tests DISCOVERY_TIMEOUT 60)
endif()

if(BUILD_FUZZERS)
    add_executable(model_data_fuzz fuzz/model_data_fuzz.cpp)
    target_link_libraries(model_data_fuzz PRIVATE driver_core)
    target_compile_options(model_data_fuzz PRIVATE -fsanitize=fuzzer)
    target_link_options(model_data_fuzz PRIVATE -fsanitize=fuzzer)
    target_compile_options(driver_core PRIVATE -fsanitize=fuzzer-no-link)
endif()
