// The yardstick of the install benchmark: the platform calls an install
// makes, on the same files, with nothing around them. Each run writes the
// four driver files into the spooler's driver folder, adds the driver and
// then the printer, and is timed up to there; it then removes both so that
// the next run starts from the same state. Prints one "ELAPSED ms" line per
// run. With "keep" the printer and driver stay; with "remove" it only
// removes them, for runs made by others.
//   minimal_install.exe <folder of the driver payload> <runs> [keep]
//   minimal_install.exe remove
#include <windows.h>
#include <winspool.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

struct File {
    std::wstring name;
    std::vector<char> bytes;
};

bool Load(const std::wstring& payload, const wchar_t* relative, std::vector<File>& files) {
    std::ifstream in(std::filesystem::path(payload + L"\\" + relative), std::ios::binary);
    if (!in) return false;
    const std::wstring path = relative;
    files.push_back({path.substr(path.rfind(L'\\') + 1),
                     {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()}});
    return true;
}

wchar_t* W(const wchar_t* text) { return const_cast<wchar_t*>(text); }

void RemovePrinter(const wchar_t* name) {
    PRINTER_DEFAULTSW access{nullptr, nullptr, PRINTER_ALL_ACCESS};
    HANDLE printer = nullptr;
    if (OpenPrinterW(W(name), &printer, &access)) {
        DeletePrinter(printer);
        ClosePrinter(printer);
        return;
    }
    // Wine lists the printer but cannot open it; its registry entries go.
    const std::wstring key = std::wstring(L"System\\CurrentControlSet\\Control\\Print\\Printers\\") + name;
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, key.c_str());
    RegDeleteKeyValueW(HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows NT\\CurrentVersion\\Devices", name);
    RegDeleteKeyValueW(HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows NT\\CurrentVersion\\PrinterPorts", name);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc == 2 && std::wstring(argv[1]) == L"remove") {
        RemovePrinter(L"A4 Printer(300dpi)");
        DeletePrinterDriverExW(nullptr, W(L"Windows x64"), W(L"A4 Printer(300dpi)"), 0, 0);
        return 0;
    }
    if (argc < 3) return 2;
    const std::wstring payload = argv[1];
    const int runs = _wtoi(argv[2]);
    const bool keep = argc > 3 && std::wstring(argv[3]) == L"keep";
    std::vector<File> files;
    if (!Load(payload, L"Driver64\\QuorvelA4UI300.dll", files) ||
        !Load(payload, L"Driver64\\QuorvelA4UNI300.dll", files) || !Load(payload, L"QuorvelA4300.pcd", files) ||
        !Load(payload, L"plotuia4.hlp", files)) {
        std::fprintf(stderr, "cannot read the driver files\n");
        return 2;
    }
    const wchar_t* driverName = L"A4 Printer(300dpi)";
    const wchar_t* printerName = L"A4 Printer(300dpi)";
    const wchar_t* environment = L"Windows x64";
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    for (int run = 0; run < runs; ++run) {
        LARGE_INTEGER start, end;
        QueryPerformanceCounter(&start);
        wchar_t folder[MAX_PATH] = {};
        DWORD needed = 0;
        if (!GetPrinterDriverDirectoryW(nullptr, W(environment), 1, reinterpret_cast<BYTE*>(folder), sizeof folder,
                                        &needed))
            return 1;
        std::wstring dependent;
        for (const File& file : files) {
            const std::wstring path = std::wstring(folder) + L"\\" + file.name;
            HANDLE out = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                     nullptr);
            if (out == INVALID_HANDLE_VALUE) return 1;
            DWORD written = 0;
            WriteFile(out, file.bytes.data(), static_cast<DWORD>(file.bytes.size()), &written, nullptr);
            CloseHandle(out);
            dependent += file.name + L'\0';
        }
        dependent += L'\0';
        DRIVER_INFO_6W driver{};
        driver.cVersion = 3;
        driver.pName = W(driverName);
        driver.pEnvironment = W(environment);
        driver.pDriverPath = W(L"QuorvelA4UNI300.DLL");
        driver.pDataFile = W(L"QuorvelA4300.pcd");
        driver.pConfigFile = W(L"QuorvelA4UI300.DLL");
        driver.pHelpFile = W(L"plotuia4.hlp");
        driver.pDependentFiles = &dependent[0];
        GetSystemTimeAsFileTime(&driver.ftDriverDate);
        driver.dwlDriverVersion = 11;
        driver.pszMfgName = W(L"NV");
        driver.pszProvider = W(L"NV");
        if (!AddPrinterDriverExW(nullptr, 6, reinterpret_cast<BYTE*>(&driver), APD_COPY_ALL_FILES)) return 1;
        PRINTER_INFO_2W printer{};
        printer.pPrinterName = W(printerName);
        printer.pPortName = W(L"COM1:");
        printer.pDriverName = W(driverName);
        printer.pPrintProcessor = W(L"WinPrint");
        printer.pDatatype = W(L"RAW");  // as the program adds it
        printer.Attributes = PRINTER_ATTRIBUTE_LOCAL;
        HANDLE added = AddPrinterW(nullptr, 2, reinterpret_cast<BYTE*>(&printer));
        if (added) ClosePrinter(added);
        QueryPerformanceCounter(&end);
        std::printf("ELAPSED %.3f\n", 1000.0 * static_cast<double>(end.QuadPart - start.QuadPart) /
                                          static_cast<double>(frequency.QuadPart));
        std::fflush(stdout);
        if (keep) continue;
        RemovePrinter(printerName);
        DeletePrinterDriverExW(nullptr, W(environment), W(driverName), 0, 0);
    }
    return 0;
}
