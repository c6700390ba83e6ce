// A printer of our driver (both DLLs of this build and the 300 dpi model's
// data file) on FILE:, installed through Wine's spooler for the driver's
// Wine tests, and removed again.
#pragma once

#include <windows.h>
#include <winspool.h>

#include <gtest/gtest.h>

#include <string>

namespace testing_support {

inline std::wstring ProgramFolder() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder = path;
    return folder.substr(0, folder.rfind(L'\\') + 1);
}

inline constexpr wchar_t kTestEnvironment[] = L"Windows x64";

// `stagedDriver` is the staged driver payload's folder (DRIVER_STAGED).
inline void InstallTestPrinter(const wchar_t* driverName, const wchar_t* printerName, const std::string& stagedDriver) {
    wchar_t directory[MAX_PATH] = {};
    DWORD needed = 0;
    ASSERT_TRUE(GetPrinterDriverDirectoryW(nullptr, const_cast<LPWSTR>(kTestEnvironment), 1,
                                           reinterpret_cast<BYTE*>(directory), sizeof directory, &needed));
    const std::wstring target = std::wstring(directory) + L"\\";
    const std::wstring folder = ProgramFolder();
    ASSERT_TRUE(CopyFileW((folder + L"QuorvelA4UNI.dll").c_str(), (target + L"QuorvelA4UNI300.dll").c_str(), FALSE));
    ASSERT_TRUE(CopyFileW((folder + L"QuorvelA4UI.dll").c_str(), (target + L"QuorvelA4UI300.dll").c_str(), FALSE));
    const std::wstring staged(stagedDriver.begin(), stagedDriver.end());
    ASSERT_TRUE(CopyFileW((staged + L"\\a4\\QuorvelA4300.pcd").c_str(), (target + L"QuorvelA4300.pcd").c_str(), FALSE));
    ASSERT_TRUE(CopyFileW((staged + L"\\a4\\plotuia4.hlp").c_str(), (target + L"plotuia4.hlp").c_str(), FALSE));
    DRIVER_INFO_3W driver{};
    driver.cVersion = 3;
    driver.pName = const_cast<LPWSTR>(driverName);
    driver.pEnvironment = const_cast<LPWSTR>(kTestEnvironment);
    driver.pDriverPath = const_cast<LPWSTR>(L"QuorvelA4UNI300.dll");
    driver.pDataFile = const_cast<LPWSTR>(L"QuorvelA4300.pcd");
    driver.pConfigFile = const_cast<LPWSTR>(L"QuorvelA4UI300.dll");
    driver.pHelpFile = const_cast<LPWSTR>(L"plotuia4.hlp");
    ASSERT_TRUE(AddPrinterDriverExW(nullptr, 3, reinterpret_cast<BYTE*>(&driver), APD_COPY_NEW_FILES))
        << GetLastError();
    PRINTER_INFO_2W info{};
    info.pPrinterName = const_cast<LPWSTR>(printerName);
    info.pPortName = const_cast<LPWSTR>(L"FILE:");
    info.pDriverName = const_cast<LPWSTR>(driverName);
    info.pPrintProcessor = const_cast<LPWSTR>(L"WinPrint");
    info.pDatatype = const_cast<LPWSTR>(L"RAW");
    info.Attributes = PRINTER_ATTRIBUTE_LOCAL;
    const HANDLE added = AddPrinterW(nullptr, 2, reinterpret_cast<BYTE*>(&info));
    ASSERT_NE(added, nullptr) << GetLastError();
    ClosePrinter(added);
}

inline void RemoveTestPrinter(const wchar_t* driverName, const wchar_t* printerName) {
    HANDLE printer = nullptr;
    PRINTER_DEFAULTSW rights{nullptr, nullptr, PRINTER_ALL_ACCESS};
    if (OpenPrinterW(const_cast<LPWSTR>(printerName), &printer, &rights)) {
        DeletePrinter(printer);
        ClosePrinter(printer);
    }
    DeletePrinterDriverExW(nullptr, const_cast<LPWSTR>(kTestEnvironment), const_cast<LPWSTR>(driverName), 0, 0);
}

}  // namespace testing_support
