// The four custom control classes that layouts may name. None of the
// program's own logic uses them; they draw as plain boxes of the layout's
// colours and images.
#pragma once

#include "ui/Controls.h"

#include <memory>
#include <string>

namespace app {

class CustomControl : public ui::Spacer {
public:
    explicit CustomControl(std::wstring className) : className_(std::move(className)) {}
    std::wstring_view ClassName() const override { return className_; }

private:
    std::wstring className_;
};

// Registers "CCircleProgressUI", "CMyComboUI", "CChartViewUI" and "CWndUI",
// in that order.
void RegisterCustomControls();

}  // namespace app
