#pragma once
// The window by keyboard: the menus' shortcuts, and Tab through the control panel in
// reading order.

#include "ui/form1_layout.h"

#include <vector>

namespace qlm {

// F10 opens the menu bar's first menu, where no Alt key does (Linux).
void set_up_keyboard(QMainWindow* window, const Form1Widgets& ui);

// The controls Tab visits, in reading order: row by row, left to right.
std::vector<QWidget*> reading_order(const Form1Widgets& ui);

} // namespace qlm
