#pragma once
// The seams as the running program fills them: Qt's dialogs, its event processing, the
// help viewer and the real folders.

#include "ui/seams.h"

class QWidget;

namespace qlm {

UiSeams platform_seams(QWidget* const* parent);

} // namespace qlm
