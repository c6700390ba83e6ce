#include "app/PopAddPort.h"

#include "base/Strings.h"
#include "printsys/PortManagement.h"
#include "ui/WindowHost.h"

#include <memory>

namespace app {

CPopAddPort::CPopAddPort()
    : monitorNames_{L"WSD Port", L"Standard TCP/IP Port", L"Local Port", L"Appmon"} {}

void CPopAddPort::RunModal(ui::WindowHandle owner) {
    auto* popup = new CPopAddPort;
    if (!popup->Create(ui::WindowCreation{}.Owner(owner).Style(kStyle))) {
        delete popup;
        return;
    }
    // Body text in the main window's font, which follows the language: Thai
    // and Korean need larger type than the layout's default.
    if (const ui::Window* main = ui::WindowFromHandle(owner)) {
        const ui::FontInfo& font = main->DefaultFont();
        popup->SetDefaultFont(font.face, font.size, font.bold, font.underline, font.italic);
    }
    popup->CenterWindow();
    popup->ShowModal();  // the pop-up deletes itself when its window is gone
}

void CPopAddPort::InitWindow() {
    closeButton_ = FindControl(L"closebtn");
    auto* list = Find<ui::List>(L"listex_addport_type");
    if (list == nullptr || monitorNames_.empty()) return;
    int position = 0;
    for (const std::wstring& monitor : monitorNames_) {
        auto built = std::make_unique<ui::ListTextExtElement>();
        built->SetFixedHeight(30);
        auto* row = static_cast<ui::ListTextExtElement*>(list->Add(std::move(built)));
        // The style is looked up in the window's layout, which the row
        // reaches only once it is in the list.
        row->SetAttribute(L"style", L"listex_item_style");
        row->SetColumnText(0, std::to_wstring(++position));
        row->SetColumnText(1, monitor);
        row->SetName(L"listex_addport_type_item");
    }
    CenterWindow();  // on its owner before it is shown, as the main window
}

void CPopAddPort::Notify(ui::Notification& notification) {
    if (notification.type == L"itemclick" && notification.sender != nullptr &&
        base::EqualNoCaseAscii(notification.sender->Name(), L"listex_addport_type_item")) {
        if (auto* row = dynamic_cast<ui::ListTextExtElement*>(notification.sender))
            selectedMonitor_ = row->ColumnText(1);
    }
    ui::Window::Notify(notification);
}

void CPopAddPort::OnClick(ui::Notification& notification) {
    const ui::Control* sender = notification.sender;
    if (sender == nullptr) return;
    const std::wstring& name = sender->Name();
    if (base::EqualNoCaseAscii(name, L"closebtn") || base::EqualNoCaseAscii(name, L"btn_port_cancel")) {
        Close(0);
    } else if (base::EqualNoCaseAscii(name, L"btn_port_add")) {
        // The monitor's dialog says what went wrong itself, and the pop-up
        // stays open for further ports.
        const std::wstring monitor = selectedMonitor_;
        std::wstring errorText;
        printsys::AddPortWithMonitor(monitor, static_cast<os::WindowHandle>(reinterpret_cast<std::uintptr_t>(Handle())),
                                     errorText);
    }
}

// Neither the system menu nor Alt+F4 closes it: only its own buttons do.
std::intptr_t CPopAddPort::OnSysCommand(std::uintptr_t, std::intptr_t, bool& handled) {
    handled = true;
    return 0;
}

}  // namespace app
