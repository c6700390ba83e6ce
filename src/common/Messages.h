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

// In the application's own range (WM_APP, 0x8000, and up), in the order
// and with the gaps they had: numbers below it belong to the system, and
// 768-770 are WM_CUT, WM_COPY and WM_PASTE, which other programs send.
constexpr unsigned kPrivateBase = 0x8000;
// "On" is wParam 1; any other value is off.
constexpr unsigned UM_LANGUAGE_CHANGED = kPrivateBase + 0;
constexpr unsigned UM_DELETE_LOG_LINE = kPrivateBase + 1;
constexpr unsigned UM_INSTALL_LOG_LINE = kPrivateBase + 2;
constexpr unsigned UM_DELETE_BUSY = kPrivateBase + 3;
constexpr unsigned UM_INSTALL_BUSY = kPrivateBase + 4;
constexpr unsigned UM_SHOW_ROW_H1 = kPrivateBase + 6;
constexpr unsigned UM_SHOW_ROW_H2 = kPrivateBase + 7;
constexpr unsigned UM_SHOW_PRINTER_BUTTONS = kPrivateBase + 8;
constexpr unsigned UM_PRINTER_NAME_INFO = kPrivateBase + 9;
constexpr unsigned UM_NEXT_BUTTON_STATE = kPrivateBase + 10;
constexpr unsigned UM_PREVIOUS_BUTTON_STATE = kPrivateBase + 11;
constexpr unsigned UM_GO_NEXT = kPrivateBase + 18;
constexpr unsigned UM_GO_PREVIOUS = kPrivateBase + 19;
constexpr unsigned UM_BLUETOOTH_ADAPTER_INFO = kPrivateBase + 20;
// An install or removal worker has ended (the last thing it does).
constexpr unsigned UM_WORK_ENDED = kPrivateBase + 21;

}  // namespace common
