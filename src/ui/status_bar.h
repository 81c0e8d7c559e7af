#pragma once
// The status bar's four panels, "Panel1" to "Panel4": the simulator's mark, the hints, the
// maker's name and address.

#include <array>

class QLabel;
class QStatusBar;

namespace qlm {

using StatusPanels = std::array<QLabel*, 4>;

StatusPanels set_up_status_bar(QStatusBar* bar);

} // namespace qlm
