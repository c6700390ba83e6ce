#include "app/CustomControls.h"

#include "ui/Toolkit.h"

namespace app {

void RegisterCustomControls() {
    for (const wchar_t* name : {L"CCircleProgressUI", L"CMyComboUI", L"CChartViewUI", L"CWndUI"}) {
        const std::wstring className = name;
        ui::Toolkit::Process().RegisterControlClass(
            className, [className] { return std::make_unique<CustomControl>(className); });
    }
}

}  // namespace app
