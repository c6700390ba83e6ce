# The Bluetooth operations on the real os/win32 boundary: a test program of
# the x86_64 Windows build that the host build's ctest runs under Wine.

if(WIN32)
    add_executable(bluetooth_wine_tests
        ${PROJECT_SOURCE_DIR}/tests/win32/os/main.cpp
        ${PROJECT_SOURCE_DIR}/tests/win32/bluetooth/bluetooth_wine_test.cpp
    )
    target_link_libraries(bluetooth_wine_tests PRIVATE bluetooth gtest_win32)
    project_warnings(bluetooth_wine_tests)
elseif(WINDOWS_BUILD_DIR)
    add_test(NAME wine.bluetooth COMMAND ${WINE_RUN} ${WINDOWS_BUILD_DIR}/bluetooth_wine_tests.exe)
    set_tests_properties(wine.bluetooth PROPERTIES TIMEOUT 300 RESOURCE_LOCK wine)
endif()
