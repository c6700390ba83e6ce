// The printer name page, the checks before the name and summary pages, and
// the ready summary.
#include "common/Localisation.h"
#include "printsys/SpoolerInventory.h"
#include "ui/Controls.h"
#include "wizard/AppState.h"

#include <climits>

namespace wizard {
namespace {

// These verdicts are the same in every UI language.
constexpr wchar_t kInvalidAddress[] = L"IP\u5730\u5740\u65e0\u6548";
constexpr wchar_t kPortExists[] = L"\u7aef\u53e3\u5df2\u5b58\u5728\uff0c\u8bf7\u91cd\u65b0\u8f93\u5165";
constexpr wchar_t kNameFree[] = L"\u6253\u5370\u673a\u540d\u79f0:%s \u53ef\u4ee5\u4f7f\u7528";
constexpr wchar_t kNameTaken[] =
    L"*\u6253\u5370\u673a\u540d\u79f0:%s \u4e0d\u53ef\u4ee5\u4f7f\u7528\uff0c\u8bf7\u66f4\u6362\u540d\u79f0";

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\n' || c == L'\v' || c == L'\f' || c == L'\r'; }

// One part read as the standard string-to-int conversion reads it; false
// where that conversion would fail (no digits, or outside int).
bool ReadPart(const std::wstring& part, long long& value) {
    std::size_t i = 0;
    while (i < part.size() && IsBlank(part[i])) ++i;
    bool negative = false;
    if (i < part.size() && (part[i] == L'+' || part[i] == L'-')) negative = part[i++] == L'-';
    const std::size_t digitsStart = i;
    long long magnitude = 0;
    for (; i < part.size() && part[i] >= L'0' && part[i] <= L'9'; ++i) {
        magnitude = magnitude * 10 + (part[i] - L'0');
        if (magnitude > static_cast<long long>(INT_MAX) + 1) return false;
    }
    if (i == digitsStart) return false;
    value = negative ? -magnitude : magnitude;
    return value >= INT_MIN && value <= INT_MAX;
}

}  // namespace

bool IsValidIPv4(const std::wstring& text) {
    int parts = 0;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t dot = text.find(L'.', start);
        const std::size_t end = dot == std::wstring::npos ? text.size() : dot;
        long long value = 0;
        if (!ReadPart(text.substr(start, end - start), value)) return false;
        if (value < 0 || value > 255) return false;
        ++parts;
        if (dot == std::wstring::npos) break;
        start = dot + 1;
    }
    return parts == 4;
}

// --- Page 7

bool AppState::ProposePrinterName() {
    const auto index = static_cast<std::size_t>(request_.model);
    if (request_.model < 0 || index >= models_.size()) return true;
    const DriverModel& model = models_[index];
    if (auto* edit = dynamic_cast<ui::Edit*>(FindInstallControl(L"edit_install_printer_name"))) {
        std::wstring name = model.displayName;
        for (int n = 1; printsys::PrinterExists(name); ++n)
            name = model.displayName + L" (" + std::to_wstring(n) + L")";
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
    return true;
}

bool AppState::CheckPrinterName() {
    if (!printsys::PrinterExists(request_.printerName)) return true;
    ShowPrinterNameInfo(common::FormatText(kNameTaken, request_.printerName), true);
    return false;
}

void AppState::TestPrinterName() {
    if (printsys::PrinterExists(request_.printerName))
        ShowPrinterNameInfo(common::FormatText(kNameTaken, request_.printerName), true);
    else
        ShowPrinterNameInfo(common::FormatText(kNameFree, request_.printerName), false);
}

// --- Before page 7 on the network path

bool AppState::CheckNetworkPage() {
    auto* address = dynamic_cast<ui::Edit*>(FindInstallControl(L"edit_install_lan_ip"));
    auto* portName = dynamic_cast<ui::Edit*>(FindInstallControl(L"edit_install_lan_portName"));
    ui::Control* verdict = FindInstallControl(L"label_show_lanPort_info");
    if (address == nullptr || portName == nullptr) return false;
    // The edits, not the request: what the user sees is what is checked.
    if (!IsValidIPv4(address->Text())) {
        if (verdict) verdict->SetText(kInvalidAddress);
        address->SetFocus();
        return false;
    }
    if (printsys::PortExists(portName->Text())) {
        if (verdict) verdict->SetText(kPortExists);
        portName->SetFocus();
        return false;
    }
    if (verdict) verdict->SetText(std::wstring());
    return true;
}

// --- Page 8

bool AppState::ShowReadySummary() {
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
    return true;
}

}  // namespace wizard
