# The driver package: the model table, extraction from the resource package
# and the staging folder (part of the wizard library), the OS calls they add to both
# sides of the boundary, and their tests. Included at the end of the
# top-level CMakeLists.txt, once the wizard library exists.

target_sources(wizard PRIVATE ${PROJECT_SOURCE_DIR}/src/wizard/DriverPackage.cpp)

if(WIN32)
    # The x86_64 program's own package, extracted into Wine's real driver
    # directory and compared with the files that were packed.
    add_executable(driver_package_tests
        ${PROJECT_SOURCE_DIR}/tests/win32/os/main.cpp
        ${PROJECT_SOURCE_DIR}/tests/win32/driver/DriverPackage_wine_test.cpp
        ${PROJECT_SOURCE_DIR}/tests/win32/driver/Signing_wine_test.cpp
        ${PROJECT_SOURCE_DIR}/tests/win32/supported_os.rc
        ${CMAKE_BINARY_DIR}/package_only.rc
    )
    target_compile_definitions(driver_package_tests PRIVATE
        DRIVER_PAYLOAD_STAGED="Z:${CMAKE_BINARY_DIR}/skin-staged/driver"
        SETUP_PROGRAM="Z:$<TARGET_FILE:PrinterDriverSetup>"
        UNSIGNED_PROGRAM="Z:$<TARGET_FILE:PrinterDriverSetupTest>")
    target_link_libraries(driver_package_tests PRIVATE wizard ui_win32_installed gtest_win32 wintrust crypt32)
    add_dependencies(driver_package_tests skin_package PrinterDriverSetup)
    project_warnings(driver_package_tests)
else()
    target_sources(os_sim PRIVATE ${PROJECT_SOURCE_DIR}/src/os/sim/SimFiles.cpp)

    add_executable(driver_tests
        ${PROJECT_SOURCE_DIR}/tests/support/ZipWriter.cpp
        ${PROJECT_SOURCE_DIR}/tests/wizard/DriverPackage_test.cpp
    )
    target_include_directories(driver_tests PRIVATE ${PROJECT_SOURCE_DIR}/tests)
    target_compile_definitions(driver_tests PRIVATE SKIN_PACKAGE_PATH="${SKIN_PACKAGE_PATH}")
    target_link_libraries(driver_tests PRIVATE wizard ui_headless_installed GTest::gtest GTest::gtest_main)
    add_dependencies(driver_tests skin_package)
    project_warnings(driver_tests)
    gtest_discover_tests(driver_tests DISCOVERY_TIMEOUT 60)

    if(WINDOWS_BUILD_DIR)
        add_test(NAME wine.driver_package COMMAND ${WINE_RUN} ${WINDOWS_BUILD_DIR}/driver_package_tests.exe)
        set_tests_properties(wine.driver_package PROPERTIES TIMEOUT 300 RESOURCE_LOCK wine)
    endif()
endif()
