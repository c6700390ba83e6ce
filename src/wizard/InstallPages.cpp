// The choosing pages of the install tab (connection, USB printers, Bluetooth
// devices, model, port, network address) and the dispatch of the pages'
// clicks and notifications.
#include "base/Strings.h"
#include "common/Localisation.h"
#include "common/Messages.h"
#include "printsys/ShellCommands.h"
#include "printsys/SpoolerInventory.h"
#include "ui/Controls.h"
#include "ui/Xml.h"
#include "wizard/AppState.h"

#include <regex>

namespace wizard {
namespace {

constexpr wchar_t kItemLayout[] = L"listitemex.xml";
constexpr wchar_t kBlueItemLayout[] = L"listitemex_blue.xml";
constexpr wchar_t kDefaultModel[] = L"A4 Printer(300dpi)";

bool Is(const ui::Control& control, std::wstring_view name) { return base::EqualNoCaseAscii(control.Name(), name); }

// The row's radio mark: the first option anywhere inside it.
ui::Option* FirstOption(ui::Control& control) {
    if (auto* option = dynamic_cast<ui::Option*>(&control)) return option;
    if (ui::Container* container = control.AsContainer())
        for (std::size_t i = 0; i < container->Count(); ++i)
            if (ui::Option* found = FirstOption(*container->ItemAt(i))) return found;
    return nullptr;
}

// Reads "12" as 12; anything else as -1 (no model).
std::int32_t DecimalOrNone(const std::wstring& text) {
    int value = 0;
    return ui::ParseInt(text, value) ? value : -1;
}

bool IsPinCharacter(wchar_t c) {
    return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z') || (c >= L'0' && c <= L'9');
}

}  // namespace

ui::Control* AppState::FindInstallControl(std::wstring_view name) const {
    return installTab_ ? installTab_->FindControl(name) : nullptr;
}

ui::ListContainerElement* AppState::AppendListItem(ui::List& list, const wchar_t* itemLayout, const wchar_t* itemName,
                                                   const std::vector<std::wstring>& columns,
                                                   const std::wstring& userData) {
    ui::Window* window = list.GetWindow();
    if (window == nullptr) return nullptr;
    std::unique_ptr<ui::Control> built = window->BuildSubLayout(itemLayout);
    auto* row = dynamic_cast<ui::ListContainerElement*>(built.get());
    if (row == nullptr) return nullptr;
    row->SetName(itemName);
    row->SetUserData(userData);
    if (ui::Option* option = FirstOption(*row)) option->SetGroup(list.Name() + L"_group");
    for (std::size_t i = 0; i < columns.size(); ++i) {
        if (ui::Control* label = row->FindControl(L"label" + std::to_wstring(i + 1))) {
            label->SetText(columns[i]);
            label->SetToolTip(columns[i]);
            label->SetVisible(true);
        }
    }
    list.Add(std::move(built));
    return row;
}

// --- Page 0

void AppState::ChooseConnection(ConnectionType type) {
    request_.connectionType = type;
    if (type == ConnectionType::Bluetooth) CheckBluetoothAdapter(false);
    else ShowBluetoothAdapterInfo(false, std::wstring());
}

bool AppState::CheckBluetoothAdapter(bool showMessage) {
    const bool adapter = bluetooth::HasBluetoothAdapter();
    if (adapter && bluetooth::HasBluetoothRadio()) {
        ShowBluetoothAdapterInfo(true, L"tip.btadapter.on");
        return true;
    }
    ShowBluetoothAdapterInfo(true, adapter ? L"tip.btadapter.off" : L"tip.btadapter.none");
    if (showMessage) ShowInformation(common::TranslateKey(L"tip.btadapter.pleasechecked"));
    return false;
}

// --- Page 2

void AppState::ShowUsbList() {
    auto* list = dynamic_cast<ui::List*>(FindInstallControl(L"listex_install_show_usb"));
    if (list == nullptr) return;
    list->RemoveAll();
    const std::vector<printsys::SpoolerEntry> printers = usbPrinters_;
    for (std::size_t i = 0; i < printers.size(); ++i) {
        const printsys::SpoolerEntry& printer = printers[i];
        ui::ListContainerElement* row = AppendListItem(*list, kItemLayout, L"listex_install_show_usb_item",
                                                       {printer.second, printer.first}, std::wstring());
        if (row == nullptr) continue;
        const auto index = static_cast<std::int32_t>(i);
        if (request_.usbDevice < 0) {
            if (i != 0) continue;
            row->Select(true);
            request_.usbDevice = 0;
            request_.portName = printer.second;
            SetNextButton(true, true);
        } else if (index == request_.usbDevice) {
            row->Select(true);
            SetNextButton(true, true);
        }
    }
}

// --- Page 3

void AppState::ShowBluetoothList() {
    auto* list = dynamic_cast<ui::List*>(FindInstallControl(L"listex_install_show_blue"));
    if (list == nullptr) return;
    if (auto* pin = dynamic_cast<ui::Edit*>(FindInstallControl(L"edit_usecustom_pin"))) pin->SetText(request_.pin);
    list->RemoveAll();
    const std::vector<bluetooth::BluetoothDeviceInfo> devices = bluetoothDevices_;
    if (devices.empty()) return;
    for (const bluetooth::BluetoothDeviceInfo& device : devices) {
        ui::ListContainerElement* row =
            AppendListItem(*list, kBlueItemLayout, L"listex_install_show_blue_item",
                           {device.name, bluetooth::FormatBluetoothAddress(device.address, true)}, std::wstring());
        if (row == nullptr) continue;
        if (ui::Control* icon = row->FindControl(L"label1_icon")) icon->SetVisible(device.authenticated);
    }
    // The user picks a device; none is taken for them.
    SetNextButton(false, true);
}

bool AppState::CheckPin() {
    static const std::wregex kPin(L"^[A-Za-z0-9]+$");
    if (std::regex_match(request_.pin, kPin)) return true;
    ShowInformation(common::TranslateKey(L"tip.pinerror"));
    return false;
}

void AppState::FilterPin(ui::Edit& edit) {
    const std::wstring& typed = edit.Text();
    std::wstring kept;
    for (wchar_t c : typed)
        if (IsPinCharacter(c)) kept += c;
    if (kept != typed) {
        edit.SetText(kept);
        const int end = static_cast<int>(kept.size());
        edit.SetSel(end, end);
        edit.SetFocus();
    }
    request_.pin = kept;
}

// --- Page 4

void AppState::ShowModelList() {
    SetNextButton(false, true);
    auto* list = dynamic_cast<ui::List*>(FindInstallControl(L"listex_install_driver_moudel"));
    if (models_.empty() || list == nullptr) return;
    list->RemoveAll();
    for (const DriverModel& model : models_) {
        ui::ListContainerElement* row = AppendListItem(*list, kItemLayout, L"listex_install_driver_item",
                                                       {model.displayName}, std::to_wstring(model.id));
        if (row == nullptr) continue;
        if (request_.model < 0) {
            if (model.driverName != kDefaultModel) continue;
            row->Select(true);
            request_.model = static_cast<std::int32_t>(model.id);
            SetNextButton(true, true);
        } else if (static_cast<std::int32_t>(model.id) == request_.model) {
            row->Select(true);
            SetNextButton(true, true);
        }
    }
}

// --- Page 5

void AppState::ShowPortList() {
    SetNextButton(false, true);
    auto* list = dynamic_cast<ui::List*>(FindInstallControl(L"listex_install_driver_port"));
    if (list == nullptr) return;
    list->RemoveAll();
    std::vector<printsys::SpoolerEntry> ports;
    printsys::ListPorts(ports);
    const ConnectionType type = request_.connectionType;
    const wchar_t* defaultPort = type == ConnectionType::Lpt ? L"LPT1:" : L"COM1:";
    for (const printsys::SpoolerEntry& port : ports) {
        const std::wstring& name = port.first;
        if (type == ConnectionType::Com && name.find(L"COM") == std::wstring::npos) continue;
        if (type == ConnectionType::Lpt && name.find(L"LPT") == std::wstring::npos) continue;
        ui::ListContainerElement* row = AppendListItem(*list, kItemLayout, L"listex_install_port_item",
                                                       {name, port.third, port.second}, name);
        if (row == nullptr) continue;
        if (!request_.portName.empty()) {
            if (name != request_.portName) continue;
            row->Select(true);
            SetNextButton(true, true);
        } else if (name == defaultPort) {
            row->Select(true);
            SetNextButton(true, true);
            request_.portName = name;
        }
    }
}

// --- Page 6

void AppState::ShowNetworkPage() {
    auto* address = dynamic_cast<ui::Edit*>(FindInstallControl(L"edit_install_lan_ip"));
    auto* portName = dynamic_cast<ui::Edit*>(FindInstallControl(L"edit_install_lan_portName"));
    if (address == nullptr || portName == nullptr) return;
    if (!request_.networkAddress.empty()) {
        address->SetText(request_.networkAddress);
        portName->SetText(request_.portName);
        return;
    }
    const std::wstring base = L"192.168.1.100";
    portNameFollowsAddress_ = true;
    address->SetText(base);
    request_.networkAddress = base;
    ProposeNetworkPortName();
}

void AppState::ProposeNetworkPortName() {
    auto* portName = dynamic_cast<ui::Edit*>(FindInstallControl(L"edit_install_lan_portName"));
    if (portName == nullptr || !portNameFollowsAddress_) return;
    const std::wstring candidate = FreeNetworkPortName(request_.networkAddress);
    portName->SetText(candidate);
    request_.portName = candidate;
}

// --- Dispatch

void AppState::OnPageClick(ui::Control& control) {
    static const std::pair<const wchar_t*, ConnectionType> kConnections[] = {
        {L"option_port_usb", ConnectionType::Usb},       {L"option_port_net", ConnectionType::Network},
        {L"option_port_bluetooth", ConnectionType::Bluetooth}, {L"option_port_lpt", ConnectionType::Lpt},
        {L"option_port_com", ConnectionType::Com},       {L"option_port_custom", ConnectionType::Custom},
    };
    // The click is reported before an option toggles, so its new state is
    // the opposite of what it shows now.
    auto* option = dynamic_cast<ui::Option*>(&control);
    const bool turnsOn = option != nullptr && !option->IsSelected();

    if (Is(control, L"option_showAll_deletePrinter")) {
        if (option) deleteFilters_.showAllPrinters = turnsOn ? 1 : 0;
        ShowDeletePrinterList(true);
        return;
    }
    if (Is(control, L"option_showAll_deleteDriver")) {
        if (option) deleteFilters_.showAllDrivers = turnsOn ? 1 : 0;
        ShowDeleteDriverList(true);
        return;
    }
    for (const auto& [name, type] : kConnections) {
        if (Is(control, name)) {
            ChooseConnection(type);
            return;
        }
    }
    if (Is(control, L"option_usecustom_pin")) {
        if (option) request_.useCustomPin = turnsOn ? 1 : 0;
    } else if (Is(control, L"btn_checked_ip")) {
        TestNetworkPrinter();
    } else if (Is(control, L"btn_test_usb")) {
        TestPrintUsb();
    } else if (Is(control, L"btn_port_add")) {
        AddPortFromDialog();
    } else if (Is(control, L"btn_port_delete")) {
        DeleteChosenPort();
    } else if (Is(control, L"btn_port_configure")) {
        ConfigureChosenPort();
    } else if (Is(control, L"option_selected_defaultPrinter")) {
        if (option) request_.defaultPrinter = turnsOn ? 1 : 0;
    } else if (Is(control, L"btn_setup_preferences")) {
        OpenPrinterDialog(printsys::OpenPrintingPreferences);
    } else if (Is(control, L"btn_setup_properties")) {
        OpenPrinterDialog(printsys::OpenPrinterProperties);
    } else if (Is(control, L"btn_setup_testpage")) {
        OpenPrinterDialog(printsys::PrintTestPage);
    } else if (Is(control, L"btn_checked_printer_name")) {
        TestPrinterName();
    }
}

void AppState::OnPageNotify(ui::Notification& notification) {
    if (notification.sender == nullptr) return;
    ui::Control& sender = *notification.sender;
    const bool textChanged = notification.type == L"textchanged";
    const auto indexInList = [&sender] {
        ui::Container* parent = sender.Parent();
        return parent ? parent->IndexOf(&sender) : -1;
    };

    if (Is(sender, L"listex_delete_printer_item")) {
        MarkDeleteRow(notification, true);
    } else if (Is(sender, L"edit_find_deletePrinter")) {
        if (textChanged) {
            deleteFilters_.printerSearchText = sender.Text();
            ShowDeletePrinterList(false);
        }
    } else if (Is(sender, L"listex_delete_driver_item")) {
        MarkDeleteRow(notification, false);
    } else if (Is(sender, L"listex_install_show_blue_item")) {
        request_.bluetoothDevice = indexInList();
        SetNextButton(true, true);
    } else if (Is(sender, L"listex_install_show_usb_item")) {
        request_.usbDevice = indexInList();
        if (ui::Control* label = sender.FindControl(L"label1")) request_.portName = label->Text();
        SetNextButton(true, true);
    } else if (Is(sender, L"listex_install_driver_item")) {
        request_.model = DecimalOrNone(sender.UserData());
        SetNextButton(true, true);
    } else if (Is(sender, L"listex_install_port_item")) {
        request_.portName = sender.UserData();
        SetNextButton(true, true);
    } else if (Is(sender, L"edit_install_printer_name")) {
        if (textChanged) request_.printerName = sender.Text();
    } else if (Is(sender, L"edit_install_lan_ip")) {
        if (textChanged) {
            request_.networkAddress = sender.Text();
            // A port named after another host would be misread later.
            ProposeNetworkPortName();
        }
    } else if (Is(sender, L"edit_usecustom_pin")) {
        if (auto* edit = dynamic_cast<ui::Edit*>(&sender); edit && textChanged) FilterPin(*edit);
    } else if (Is(sender, L"edit_install_lan_portName")) {
        if (textChanged) {
            request_.portName = sender.Text();
            // A name the user typed is never overwritten.
            portNameFollowsAddress_ = false;
        }
    }
}

}  // namespace wizard
