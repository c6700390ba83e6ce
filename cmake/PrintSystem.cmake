# The OS boundary (os/win32 for the program, os/sim for host tests) and the
# print-system services built on it. Which side of the boundary printsys
# sees is decided here, at link time.

set(PRINTSYS_SOURCES
    ${PROJECT_SOURCE_DIR}/src/printsys/NetworkCheck.cpp
    ${PROJECT_SOURCE_DIR}/src/printsys/PortManagement.cpp
    ${PROJECT_SOURCE_DIR}/src/printsys/ShellCommands.cpp
    ${PROJECT_SOURCE_DIR}/src/printsys/SpoolerInventory.cpp
    ${PROJECT_SOURCE_DIR}/src/printsys/SpoolerService.cpp
    ${PROJECT_SOURCE_DIR}/src/printsys/UsbDiscovery.cpp
    ${PROJECT_SOURCE_DIR}/src/printsys/WindowsVersion.cpp
)

if(WIN32)
    add_library(os_win32 STATIC
        ${PROJECT_SOURCE_DIR}/src/os/win32/Bluetooth.cpp
        ${PROJECT_SOURCE_DIR}/src/os/win32/Devices.cpp
        ${PROJECT_SOURCE_DIR}/src/os/win32/Files.cpp
        ${PROJECT_SOURCE_DIR}/src/os/win32/Network.cpp
        ${PROJECT_SOURCE_DIR}/src/os/win32/Services.cpp
        ${PROJECT_SOURCE_DIR}/src/os/win32/Spooler.cpp
        ${PROJECT_SOURCE_DIR}/src/os/win32/System.cpp
    )
    target_include_directories(os_win32 PUBLIC ${PROJECT_SOURCE_DIR}/src)
    # DeletePrinterDriverPackageW is looked up at run time, never imported;
    # so is every Bluetooth call: bthprops.cpl is not on every Windows.
    # The spooler, device, shell and socket DLLs wait for their first call.
    delay_import(delay_winspool winspool WINSPOOL.DRV)
    delay_import(delay_setupapi setupapi SETUPAPI.dll)
    delay_import(delay_shell32 shell32 SHELL32.dll)
    delay_import(delay_ws2_32 ws2_32 WS2_32.dll)
    delay_import(delay_crypt32 crypt32 CRYPT32.dll)
    target_link_libraries(os_win32 PUBLIC delay_winspool delay_setupapi delay_shell32 delay_ws2_32 delay_crypt32
                                          advapi32 ole32)
    project_warnings(os_win32)
    set(PRINTSYS_OS os_win32)
else()
    add_library(os_sim STATIC
        ${PROJECT_SOURCE_DIR}/src/os/sim/Machine.cpp
        ${PROJECT_SOURCE_DIR}/src/os/sim/PeImage.cpp
        ${PROJECT_SOURCE_DIR}/src/os/sim/SimBluetooth.cpp
        ${PROJECT_SOURCE_DIR}/src/os/sim/SimDevices.cpp
        ${PROJECT_SOURCE_DIR}/src/os/sim/SimNetwork.cpp
        ${PROJECT_SOURCE_DIR}/src/os/sim/SimServices.cpp
        ${PROJECT_SOURCE_DIR}/src/os/sim/SimSpooler.cpp
        ${PROJECT_SOURCE_DIR}/src/os/sim/SimSystem.cpp
    )
    target_include_directories(os_sim PUBLIC ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(os_sim PUBLIC base)
    project_warnings(os_sim)
    set(PRINTSYS_OS os_sim)
endif()

# Portable helpers on the boundary that printsys and Bluetooth share: the
# error text of a failed call and the device-interface walk.
add_library(os_common STATIC
    ${PROJECT_SOURCE_DIR}/src/os/DeviceWalk.cpp
    ${PROJECT_SOURCE_DIR}/src/os/ErrorText.cpp
)
target_include_directories(os_common PUBLIC ${PROJECT_SOURCE_DIR}/src)
target_link_libraries(os_common PUBLIC ${PRINTSYS_OS})
project_warnings(os_common)

add_library(printsys STATIC ${PRINTSYS_SOURCES})
target_include_directories(printsys PUBLIC ${PROJECT_SOURCE_DIR}/src)
target_link_libraries(printsys PUBLIC os_common base)
project_warnings(printsys)

if(WIN32)
    # GoogleTest built from Debian's sources with this toolchain.
    set(GTEST_SOURCE_DIR /usr/src/googletest/googletest)
    add_library(gtest_win32 STATIC ${GTEST_SOURCE_DIR}/src/gtest-all.cc)
    target_include_directories(gtest_win32 SYSTEM PUBLIC ${GTEST_SOURCE_DIR}/include)
    target_include_directories(gtest_win32 PRIVATE ${GTEST_SOURCE_DIR})

    add_executable(os_win32_tests
        ${PROJECT_SOURCE_DIR}/tests/win32/os/main.cpp
        ${PROJECT_SOURCE_DIR}/tests/win32/os/os_win32_test.cpp
    )
    target_link_libraries(os_win32_tests PRIVATE printsys gtest_win32)
    project_warnings(os_win32_tests)
else()
    add_executable(printsys_tests
        ${PROJECT_SOURCE_DIR}/tests/os/ErrorText_test.cpp
        ${PROJECT_SOURCE_DIR}/tests/os/Machine_test.cpp
        ${PROJECT_SOURCE_DIR}/tests/printsys/NetworkCheck_test.cpp
        ${PROJECT_SOURCE_DIR}/tests/printsys/PortManagement_test.cpp
        ${PROJECT_SOURCE_DIR}/tests/printsys/ShellCommands_test.cpp
        ${PROJECT_SOURCE_DIR}/tests/printsys/SpoolerInventory_test.cpp
        ${PROJECT_SOURCE_DIR}/tests/printsys/SpoolerService_test.cpp
        ${PROJECT_SOURCE_DIR}/tests/printsys/UsbDiscovery_test.cpp
    )
    target_include_directories(printsys_tests PRIVATE ${PROJECT_SOURCE_DIR}/tests)
    target_link_libraries(printsys_tests PRIVATE printsys GTest::gtest GTest::gtest_main)
    project_warnings(printsys_tests)
    gtest_discover_tests(printsys_tests DISCOVERY_TIMEOUT 60)

    if(WINDOWS_BUILD_DIR)
        add_test(NAME wine.os_win32 COMMAND ${WINE_RUN} ${WINDOWS_BUILD_DIR}/os_win32_tests.exe)
        set_tests_properties(wine.os_win32 PROPERTIES TIMEOUT 600 RESOURCE_LOCK wine)
        # A half-made Wine prefix is made again, never reused.
        add_test(NAME wine.prefix_repair COMMAND ${PROJECT_SOURCE_DIR}/tests/scripts/wine-prefix-repair)
        set_tests_properties(wine.prefix_repair PROPERTIES TIMEOUT 600 RESOURCE_LOCK wine)
    endif()
endif()
