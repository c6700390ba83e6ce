// libFuzzer target for building a window from an arbitrary layout: the
// bytes become the package's only layout, built by the real layout builder
// and control factory (the toolkit's controls and the four the program
// registers) on the headless host, then laid out once.
#include "support/ZipWriter.h"
#include "ui/ExtraControls.h"
#include "ui/Toolkit.h"
#include "ui/Window.h"
#include "ui/headless/Desktop.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace {

class FuzzWindow : public ui::Window {
protected:
    std::wstring GetWindowClassName() const override { return L"FuzzWnd"; }
    std::wstring GetSkinFile() const override { return L"fuzz.xml"; }
};

void RegisterControls() {
    ui::Toolkit& toolkit = ui::Toolkit::Process();
    toolkit.RegisterControlClass(L"CCircleProgressUI", [] { return std::make_unique<ui::CircleProgress>(); });
    toolkit.RegisterControlClass(L"CMyComboUI", [] { return std::make_unique<ui::Combo>(); });
    toolkit.RegisterControlClass(L"CChartViewUI", [] { return std::make_unique<ui::Chart>(); });
    toolkit.RegisterControlClass(L"CWndUI", [] { return std::make_unique<ui::NativeWindowHost>(); });
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const bool registered = (RegisterControls(), true);
    (void)registered;
    testing_support::ZipTestEntry entry;
    entry.name = "fuzz.xml";
    entry.data.assign(data, data + size);
    entry.encrypt = false;
    const std::vector<std::uint8_t> package = testing_support::BuildZip({entry});
    if (ui::Toolkit::Process().Package().Open(package.data(), package.size(), "") != ui::ZipError::None) return 0;
    FuzzWindow window;
    if (window.Create(ui::WindowCreation{}.Caption(L"fuzz").Size(400, 300))) {
        window.UpdateLayout();
        window.Destroy();
    }
    ui::headless::Desktop::Instance().Reset();
    return 0;
}
