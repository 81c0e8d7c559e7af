#pragma once
// What a screen reader hears of the window: each control's name and description in
// Chinese, and each value with its unit ("脉冲电压 -100 V"), told again when it changes.

#include "ui/form1_layout.h"

namespace qlm {

// The names that stay: lists, entry fields, buttons.
void describe_controls(const Form1Widgets& ui);
// The field's value label (and its list), from what the label shows now and whether the
// instrument confirmed it. Setting a new name announces it (a name change of the label).
void describe_value(const Form1Widgets& ui, Field field, bool confirmed = true);

} // namespace qlm
