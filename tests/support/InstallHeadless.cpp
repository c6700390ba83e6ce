// Linked into every host test program: the headless host is the window
// system before any test makes a window.
#include "ui/headless/Desktop.h"

namespace {
const bool installed = [] {
    ui::headless::Install();
    return true;
}();
}  // namespace
