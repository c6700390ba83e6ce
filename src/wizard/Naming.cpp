// The printer name page, the checks before the name and summary pages, and
// the ready summary.
#include "common/Localisation.h"
#include "printsys/NetworkCheck.h"
#include "printsys/SpoolerInventory.h"
#include "ui/Controls.h"
#include "wizard/AppState.h"

#include <cstdint>

namespace wizard {
bool IsValidIPv4(const std::wstring& text) {
    std::uint32_t address = 0;
    return printsys::ParseIPv4(text, address);
}

std::wstring FreePrinterName(const std::wstring& base) {
    std::wstring name = base;
    for (int n = 1; printsys::PrinterExists(name); ++n) name = base + L" (" + std::to_wstring(n) + L")";
    return name;
}

std::wstring FreeNetworkPortName(const std::wstring& address) {
    std::wstring candidate = address;
    for (int n = 1; printsys::PortExists(candidate); ++n) candidate = address + L"_" + std::to_wstring(n);
    return candidate;
}

// --- Page 7

void AppState::ProposePrinterName() {
    const auto index = static_cast<std::size_t>(request_.model);
    if (request_.model < 0 || index >= models_.size()) return;
    const DriverModel& model = models_[index];
    if (auto* edit = dynamic_cast<ui::Edit*>(FindInstallControl(L"edit_install_printer_name"))) {
        const std::wstring name = FreePrinterName(model.displayName);
        edit->SetText(name);
        request_.printerName = name;
    }
    if (auto* option = dynamic_cast<ui::Option*>(FindInstallControl(L"option_selected_defaultPrinter"))) {
        if (request_.defaultPrinter < 0) {
            option->Selected(true, true);
            request_.defaultPrinter = 1;
        } else {
            option->Selected(request_.defaultPrinter == 1, true);
        }
    }
}

// The name goes into printui's quoted command lines and to the spooler, so
// it is refused before anything is installed.
bool AppState::RefuseInvalidPrinterName() {
    if (printsys::IsValidPrinterName(request_.printerName)) return false;
    ShowPrinterNameInfo(common::FormatKey(L"tip.printernameinvalid", request_.printerName), true);
    return true;
}

bool AppState::CheckPrinterName() {
    if (RefuseInvalidPrinterName()) return false;
    if (!printsys::PrinterExists(request_.printerName)) return true;
    ShowPrinterNameInfo(common::FormatKey(L"tip.printernametaken", request_.printerName), true);
    return false;
}

void AppState::TestPrinterName() {
    if (RefuseInvalidPrinterName()) return;
    if (printsys::PrinterExists(request_.printerName))
        ShowPrinterNameInfo(common::FormatKey(L"tip.printernametaken", request_.printerName), true);
    else
        ShowPrinterNameInfo(common::FormatKey(L"tip.printernamefree", request_.printerName), false);
}

// --- Before page 7 on the network path

bool AppState::CheckNetworkPage() {
    auto* address = dynamic_cast<ui::Edit*>(FindInstallControl(L"edit_install_lan_ip"));
    auto* portName = dynamic_cast<ui::Edit*>(FindInstallControl(L"edit_install_lan_portName"));
    ui::Control* verdict = FindInstallControl(L"label_show_lanPort_info");
    if (address == nullptr || portName == nullptr) return false;
    // The edits, not the request: what the user sees is what is checked.
    if (!IsValidIPv4(address->Text())) {
        if (verdict) verdict->SetText(common::TranslateKey(L"tip.ipinvalid"));
        address->SetFocus();
        return false;
    }
    if (printsys::PortExists(portName->Text())) {
        if (verdict) verdict->SetText(common::TranslateKey(L"tip.portexists"));
        portName->SetFocus();
        return false;
    }
    if (verdict) verdict->SetText(std::wstring());
    return true;
}

// --- Page 8

void AppState::ShowReadySummary() {
    const auto index = static_cast<std::size_t>(request_.model);
    const bool haveModel = request_.model >= 0 && index < models_.size();
    const auto show = [this](const wchar_t* name, const std::wstring& text) {
        if (ui::Control* label = FindInstallControl(name)) {
            label->SetText(text);
            label->SetToolTip(text);
        }
    };
    show(L"label_ready_driverName", haveModel ? models_[index].driverName : std::wstring());
    show(L"label_ready_portName", request_.portName);
    show(L"label_ready_printerName", request_.printerName);
    if (ui::Control* label = FindInstallControl(L"label_ready_prinerDefault"))
        label->SetText(common::TranslateKey(request_.defaultPrinter == 1 ? L"tip.yes" : L"tip.no"));
}

}  // namespace wizard
