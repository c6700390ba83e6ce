#include "app/CustomControls.h"

#include "ui/ExtraControls.h"
#include "ui/Toolkit.h"

namespace app {

void RegisterCustomControls() {
    ui::Toolkit& toolkit = ui::Toolkit::Process();
    toolkit.RegisterControlClass(L"CCircleProgressUI", [] { return std::make_unique<ui::CircleProgress>(); });
    toolkit.RegisterControlClass(L"CMyComboUI", [] { return std::make_unique<ui::Combo>(); });
    toolkit.RegisterControlClass(L"CChartViewUI", [] { return std::make_unique<ui::Chart>(); });
    toolkit.RegisterControlClass(L"CWndUI", [] { return std::make_unique<ui::NativeWindowHost>(); });
}

}  // namespace app
