// The steps that ask the spooler itself rather than the program, so that a
// scenario starts from a known state and checks the effect.
#include "SpoolerSteps.h"

#include <windows.h>
#include <winspool.h>

#include "printsys/WindowsVersion.h"
#include "ui/Toolkit.h"
#include "ui/Utf.h"
#include "ui/ZipArchive.h"
#include "wizard/AppState.h"
#include "wizard/DriverPackage.h"

#include <filesystem>
#include <fstream>
#include <iterator>

namespace testdriver {

namespace {

std::wstring Rest(std::istringstream& in) {
    std::string text;
    std::getline(in >> std::ws, text);
    return ui::Utf8ToWide(text);
}

std::vector<PRINTER_INFO_2W> Printers(std::vector<BYTE>& buffer) {
    DWORD needed = 0, count = 0;
    EnumPrintersW(PRINTER_ENUM_LOCAL, nullptr, 2, nullptr, 0, &needed, &count);
    buffer.assign(needed + sizeof(PRINTER_INFO_2W), 0);
    if (!EnumPrintersW(PRINTER_ENUM_LOCAL, nullptr, 2, buffer.data(), static_cast<DWORD>(buffer.size()), &needed,
                       &count))
        return {};
    const auto* printers = reinterpret_cast<const PRINTER_INFO_2W*>(buffer.data());
    return {printers, printers + count};
}

std::vector<std::wstring> PrintersOf(const std::wstring& driver) {
    std::vector<BYTE> buffer;
    std::vector<std::wstring> names;
    for (const PRINTER_INFO_2W& printer : Printers(buffer))
        if (printer.pPrinterName && printer.pDriverName && driver == printer.pDriverName)
            names.push_back(printer.pPrinterName);
    return names;
}

// The port of the printer of that name, or empty when none is listed.
std::wstring FindPrinter(const std::wstring& name) {
    std::vector<BYTE> buffer;
    for (const PRINTER_INFO_2W& printer : Printers(buffer))
        if (printer.pPrinterName && name == printer.pPrinterName)
            return printer.pPortName ? printer.pPortName : L"?";
    return {};
}

bool DriverListed(const std::wstring& environment, const std::wstring& name) {
    DWORD needed = 0, count = 0;
    auto* env = const_cast<wchar_t*>(environment.c_str());
    EnumPrinterDriversW(nullptr, env, 1, nullptr, 0, &needed, &count);
    std::vector<BYTE> buffer(needed + sizeof(DRIVER_INFO_1W));
    if (!EnumPrinterDriversW(nullptr, env, 1, buffer.data(), static_cast<DWORD>(buffer.size()), &needed, &count))
        return false;
    const auto* drivers = reinterpret_cast<const DRIVER_INFO_1W*>(buffer.data());
    for (DWORD i = 0; i < count; ++i)
        if (drivers[i].pName && name == drivers[i].pName) return true;
    return false;
}

bool RemovePrinter(const std::wstring& name, const StatusFn& status) {
    PRINTER_DEFAULTSW access{nullptr, nullptr, PRINTER_ALL_ACCESS};
    HANDLE printer = nullptr;
    if (OpenPrinterW(const_cast<wchar_t*>(name.c_str()), &printer, &access)) {
        if (!DeletePrinter(printer)) status("DeletePrinter: " + std::to_string(GetLastError()));
        ClosePrinter(printer);
    } else {
        // Wine cannot open a printer that AddPrinterW made without a
        // data type (1801; the program names "RAW", older builds did
        // not), so nothing can delete it through the spooler; its
        // registry entries go instead.
        status("OpenPrinter: " + std::to_string(GetLastError()) + ", removing its registry entries");
        const std::wstring key = L"System\\CurrentControlSet\\Control\\Print\\Printers\\" + name;
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, key.c_str());
        for (const wchar_t* list : {L"Software\\Microsoft\\Windows NT\\CurrentVersion\\Devices",
                                    L"Software\\Microsoft\\Windows NT\\CurrentVersion\\PrinterPorts"})
            RegDeleteKeyValueW(HKEY_CURRENT_USER, list, name.c_str());
    }
    const bool gone = FindPrinter(name).empty();
    if (!gone) status("still listed: " + ui::WideToUtf8(name));
    return gone;
}

}  // namespace

bool IsSpoolerVerb(const std::string& verb) {
    return verb == "removeprinter" || verb == "removeprintersof" || verb == "removedriver" ||
           verb == "expectprinter" || verb == "expectnoprinter" || verb == "expectdriver" ||
           verb == "expectsettings" || verb == "spoolerstate";
}

bool SpoolerStep(const std::string& verb, std::istringstream& in, const StatusFn& status) {
    const std::wstring environment = printsys::DriverEnvironment();
    if (verb == "removeprinter") return RemovePrinter(Rest(in), status);
    if (verb == "removeprintersof") {
        // Every printer on that driver, whatever earlier runs called it.
        const std::wstring driver = Rest(in);
        bool all = true;
        for (const std::wstring& name : PrintersOf(driver)) all = RemovePrinter(name, status) && all;
        return all;
    }
    if (verb == "removedriver") {
        const std::wstring name = Rest(in);
        if (DriverListed(environment, name) &&
            !DeletePrinterDriverExW(nullptr, const_cast<wchar_t*>(environment.c_str()),
                                    const_cast<wchar_t*>(name.c_str()), 0, 0))
            status("DeletePrinterDriverEx: " + std::to_string(GetLastError()));
        return !DriverListed(environment, name);
    }
    if (verb == "spoolerstate") {
        // For the record: whether the spooler lists the printer and the
        // driver of that name.
        const std::wstring name = Rest(in);
        const std::wstring port = FindPrinter(name);
        status("SPOOLER printer " + ui::WideToUtf8(name) + (port.empty() ? " not listed" : " listed") +
               ", driver " + (DriverListed(environment, name) ? "listed" : "not listed"));
        return true;
    }
    if (verb == "expectnoprinter") {
        // expectnoprinter <name>: the spooler no longer lists it.
        const std::wstring name = Rest(in);
        const bool gone = FindPrinter(name).empty();
        status("PRINTER " + ui::WideToUtf8(name) + (gone ? " gone" : " STILL LISTED"));
        return gone;
    }
    if (verb == "expectsettings") {
        // expectsettings <dpi> <name>: the printer's interface DLL
        // answers as the model's: the defaults (A4, portrait, its
        // resolution), a merge of landscape and 3 copies, its papers
        // and its one resolution.
        int dpi = 0;
        in >> dpi;
        std::wstring name = Rest(in);
        HANDLE printer = nullptr;
        if (!OpenPrinterW(name.data(), &printer, nullptr)) {
            status("SETTINGS: " + ui::WideToUtf8(name) + " does not open");
            return false;
        }
        std::vector<BYTE> defaults(sizeof(DEVMODEW) + 12), merged(defaults.size());
        auto* result = reinterpret_cast<DEVMODEW*>(merged.data());
        // Wine passes the output's own dmSize to the driver as cbOut.
        reinterpret_cast<DEVMODEW*>(defaults.data())->dmSize = static_cast<WORD>(defaults.size());
        result->dmSize = static_cast<WORD>(merged.size());
        const bool asked = DocumentPropertiesW(nullptr, printer, name.data(), reinterpret_cast<DEVMODEW*>(defaults.data()),
                                               nullptr, DM_OUT_BUFFER) == IDOK;
        auto* input = reinterpret_cast<DEVMODEW*>(defaults.data());
        const bool defaultsRight = asked && input->dmPaperSize == DMPAPER_A4 &&
                                   input->dmOrientation == DMORIENT_PORTRAIT && input->dmPrintQuality == dpi;
        input->dmFields = DM_ORIENTATION | DM_COPIES;
        input->dmOrientation = DMORIENT_LANDSCAPE;
        input->dmCopies = 3;
        const bool mergedRight = DocumentPropertiesW(nullptr, printer, name.data(), result, input,
                                                     DM_IN_BUFFER | DM_OUT_BUFFER) == IDOK &&
                                 result->dmOrientation == DMORIENT_LANDSCAPE && result->dmCopies == 3;
        ClosePrinter(printer);
        WORD papers[32] = {};
        const int paperCount = DeviceCapabilitiesW(name.c_str(), nullptr, DC_PAPERS, reinterpret_cast<LPWSTR>(papers), nullptr);
        LONG resolutions[2] = {};
        const int resolutionCount =
            DeviceCapabilitiesW(name.c_str(), nullptr, DC_ENUMRESOLUTIONS, reinterpret_cast<LPWSTR>(resolutions), nullptr);
        const bool capabilitiesRight = paperCount >= 1 && paperCount <= 32 && papers[0] == DMPAPER_A4 &&
                                       resolutionCount == 1 && resolutions[0] == dpi;
        status("SETTINGS " + ui::WideToUtf8(name) + ": defaults " + (defaultsRight ? "right" : "WRONG") + ", merge " +
               (mergedRight ? "right" : "WRONG") + ", capabilities " + (capabilitiesRight ? "right" : "WRONG"));
        return defaultsRight && mergedRight && capabilitiesRight;
    }
    if (verb == "expectprinter") {
        // expectprinter <port> <name>: listed, on that port, and it
        // opens, with our interface DLL answering for its settings (a
        // DEVMODE with our 12 private bytes).
        std::string port;
        in >> port;
        const std::wstring name = Rest(in);
        const std::wstring found = FindPrinter(name);
        HANDLE printer = nullptr;
        LONG settingsSize = -1;
        if (OpenPrinterW(const_cast<wchar_t*>(name.c_str()), &printer, nullptr)) {
            settingsSize = DocumentPropertiesW(nullptr, printer, const_cast<wchar_t*>(name.c_str()), nullptr,
                                               nullptr, 0);
            ClosePrinter(printer);
        }
        status("PRINTER " + ui::WideToUtf8(name) + " on " + (found.empty() ? "(not listed)" : ui::WideToUtf8(found)) +
               ", settings of " + std::to_string(settingsSize) + " bytes");
        return found == ui::Utf8ToWide(port) && settingsSize == static_cast<LONG>(sizeof(DEVMODEW) + 12);
    }
    // expectdriver <model>: the model's driver is listed for the system's
    // environment, and each of its files in the spooler's driver folder
    // is byte for byte the package's entry.
    int index = -1;
    in >> index;
    const auto& models = wizard::AppState::Instance().Models();
    if (index < 0 || static_cast<std::size_t>(index) >= models.size()) return false;
    const wizard::DriverModel& model = models[static_cast<std::size_t>(index)];
    const bool listed = DriverListed(environment, model.driverName);
    status("DRIVER " + ui::WideToUtf8(model.driverName) + " in " + ui::WideToUtf8(environment) +
           (listed ? " listed" : " not listed"));
    wchar_t folder[MAX_PATH] = {};
    DWORD needed = 0;
    if (!listed || !GetPrinterDriverDirectoryW(nullptr, const_cast<wchar_t*>(environment.c_str()), 1,
                                               reinterpret_cast<BYTE*>(folder), sizeof folder, &needed))
        return false;
    const auto& files = printsys::Is64BitWindows() ? model.driverDirFiles64 : model.driverDirFiles32;
    const auto& archive = ui::Toolkit::Process().Package().Archive();
    bool same = !files.empty();
    for (const std::wstring& path : files) {
        const std::wstring name = path.substr(path.rfind(L'\\') + 1);
        std::vector<std::uint8_t> expected;
        const ui::ZipEntry* entry = archive.Find(ui::WideToUtf8(path));
        const bool read = entry && archive.Read(*entry, wizard::kMaxDriverFileSize, expected) == ui::ZipError::None;
        std::ifstream file(std::filesystem::path(std::wstring(folder) + L"\\" + name), std::ios::binary);
        const std::vector<std::uint8_t> actual{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
        const bool identical = read && file && actual == expected;
        status("FILE " + ui::WideToUtf8(name) + " " + std::to_string(actual.size()) + " bytes " +
               (identical ? "identical" : "DIFFERENT"));
        same = same && identical;
    }
    return same;
}

}  // namespace testdriver
