// The four control classes that layouts may name besides the toolkit's own:
// "CCircleProgressUI", "CMyComboUI", "CChartViewUI" and "CWndUI", made as the
// toolkit's circular progress, combo box, chart and native window host.
#pragma once

namespace app {

// Registers the four names, in that order.
void RegisterCustomControls();

}  // namespace app
