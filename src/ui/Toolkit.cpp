#include "ui/Toolkit.h"

namespace ui {

Toolkit& Toolkit::Process() {
    static Toolkit toolkit;
    return toolkit;
}

void Toolkit::Shutdown() {
    package_.Close();
    resourceFolder_.clear();
    mode_ = ResourceMode::Files;
}

}  // namespace ui
