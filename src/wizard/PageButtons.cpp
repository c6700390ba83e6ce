// The page buttons whose work is neither a list nor a check: the network and
// USB tests, the port buttons of the port list, and the installed printer's
// own dialogs. All run on the UI thread and block it while they work.
#include "common/Localisation.h"
#include "printsys/NetworkCheck.h"
#include "printsys/PortManagement.h"
#include "ui/Controls.h"
#include "wizard/AppState.h"

namespace wizard {
namespace {

// ESC J 120: print what came before and feed the paper 120 motion units.
constexpr std::uint8_t kPrintAndFeed[] = {0x1B, 0x4A, 0x78};

void Append(std::vector<std::uint8_t>& buffer, const std::string& text) { buffer.insert(buffer.end(), text.begin(), text.end()); }

}  // namespace

os::WindowHandle AppState::OsOwner() const {
    return static_cast<os::WindowHandle>(reinterpret_cast<std::uintptr_t>(window_.load()));
}

void AppState::TestNetworkPrinter() {
    auto* address = dynamic_cast<ui::Edit*>(FindInstallControl(L"edit_install_lan_ip"));
    if (address == nullptr) return;
    // The edit, not the request: the user tests what is typed there now.
    const bool answered = printsys::CheckNetworkPrinter(address->Text());
    ShowInformation(common::TranslateKey(answered ? L"tip.lancheckedok" : L"tip.lancheckedfail"));
}

void AppState::TestPrintUsb() {
    // A copy: a new search may replace the list meanwhile.
    const std::vector<printsys::SpoolerEntry> printers = usbPrinters_;
    const std::int32_t chosen = request_.usbDevice;
    if (chosen < 0) {
        ShowInformation(common::TranslateKey(L"tip.notselectusbport"));
        return;
    }
    if (static_cast<std::size_t>(chosen) >= printers.size()) return;
    const printsys::SpoolerEntry& printer = printers[static_cast<std::size_t>(chosen)];
    testPrintBuffer_.clear();
    Append(testPrintBuffer_, os::WideToAnsi(common::TranslateKey(L"tip.currentportis")));
    Append(testPrintBuffer_, os::WideToAnsi(printer.second));
    testPrintBuffer_.insert(testPrintBuffer_.end(), std::begin(kPrintAndFeed), std::end(kPrintAndFeed));
    printsys::WriteToPort(printer.third, testPrintBuffer_.data(), static_cast<std::uint32_t>(testPrintBuffer_.size()));
}

void AppState::AddPortFromDialog() {
    if (addPortDialog_ != nullptr) addPortDialog_(window_.load());
    // Whatever the pop-up added is listed now.
    ShowPortList();
}

void AppState::DeleteChosenPort() {
    const std::wstring question = common::FormatKey(L"tip.isdeleteport", request_.portName);
    if (!AskOkCancel(question)) return;
    std::wstring errorText;
    if (printsys::DeletePortByName(request_.portName, OsOwner(), errorText)) {
        // An empty name lets the list choose its default port again.
        request_.portName.clear();
        ShowPortList();
    } else {
        ShowInformation(common::FormatKey(L"tip.deletefailreason", errorText));
    }
}

void AppState::ConfigureChosenPort() { printsys::ConfigurePortByName(request_.portName, OsOwner()); }

void AppState::OpenPrinterDialog(bool (*command)(const std::wstring&, os::WindowHandle)) {
    command(request_.printerName, OsOwner());
}

}  // namespace wizard
