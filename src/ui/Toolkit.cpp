#include "ui/Toolkit.h"

#include "ui/Controls.h"
#include "ui/WindowHost.h"

namespace ui {

Toolkit& Toolkit::Process() {
    static Toolkit toolkit;
    return toolkit;
}

void Toolkit::RegisterControlClass(std::wstring name, ControlFactory factory) {
    controlClasses_[std::move(name)] = std::move(factory);
}

std::unique_ptr<Control> Toolkit::CreateRegisteredControl(std::wstring_view name) const {
    const auto it = controlClasses_.find(name);
    return it == controlClasses_.end() ? nullptr : it->second();
}

void Toolkit::Shutdown() {
    if (WindowSystem* system = InstalledWindowSystem()) system->ReleaseSharedResources();
    package_.Close();
    controlClasses_.clear();
    resourceFolder_.clear();
    mode_ = ResourceMode::Files;
}

}  // namespace ui
