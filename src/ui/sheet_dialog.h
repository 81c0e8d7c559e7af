#pragma once
// The setup sheet's three lines: operator, probe, part or procedure.

#include "record/sheet.h"

#include <QWidget>

#include <optional>

namespace qlm {

// Modal; none when cancelled.
std::optional<SheetPeople> ask_sheet_people(QWidget* parent, const SheetPeople& last);

} // namespace qlm
