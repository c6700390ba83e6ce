// The main window's private messages: the only way code outside the UI
// thread changes the UI. Senders use a synchronous send, so a UiTextRecord
// on the sender's stack stays valid until the window has handled it.
#pragma once

#include <string>

namespace common {

struct UiTextRecord {
    std::wstring text;
    bool error = false;
    bool clear = false;
    bool enable = false;
};

// "On" is wParam 1; any other value is off.
constexpr unsigned UM_LANGUAGE_CHANGED = 750;
constexpr unsigned UM_DELETE_LOG_LINE = 751;
constexpr unsigned UM_INSTALL_LOG_LINE = 752;
constexpr unsigned UM_DELETE_BUSY = 753;
constexpr unsigned UM_INSTALL_BUSY = 754;
constexpr unsigned UM_SHOW_ROW_H1 = 756;
constexpr unsigned UM_SHOW_ROW_H2 = 757;
constexpr unsigned UM_SHOW_PRINTER_BUTTONS = 758;
constexpr unsigned UM_PRINTER_NAME_INFO = 759;
constexpr unsigned UM_NEXT_BUTTON_STATE = 760;
constexpr unsigned UM_PREVIOUS_BUTTON_STATE = 761;
constexpr unsigned UM_GO_NEXT = 768;
constexpr unsigned UM_GO_PREVIOUS = 769;
constexpr unsigned UM_BLUETOOTH_ADAPTER_INFO = 770;

}  // namespace common
