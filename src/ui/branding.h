#pragma once
// The program's name, version, maker and picture, as the windows show them.

#include <QString>

class QIcon;

namespace qlm {

// "QLM-5120RX控制软件（V1.1）", with the build's version.
QString window_title();
// "版本 V1.1", for the about window.
QString version_line();
// The status bar's third and fourth panels.
QString maker_name();
QString maker_address();

// The 48 x 48 picture of both windows.
QIcon program_icon();

} // namespace qlm
