#pragma once
// Windows system colours by index, and the two ways a value label is painted.

#include <QColor>

class QLabel;
class QWidget;

namespace qlm {

enum SystemColour : int {
    COLOR_INACTIVECAPTION = 3,
    COLOR_CAPTIONTEXT = 9,
    COLOR_HIGHLIGHTTEXT = 14,
    COLOR_BTNFACE = 15,   // status bar
    COLOR_BTNSHADOW = 16, // etched frame lines
    COLOR_BTNTEXT = 18,
    COLOR_INACTIVECAPTIONTEXT = 19,
    COLOR_BTNHIGHLIGHT = 20,
};

// The system's colour on Windows; Windows' default value of it elsewhere.
QColor system_colour(SystemColour index);

// Background and text colour of a widget, by system colour index.
void paint(QWidget* widget, SystemColour background, SystemColour text);

// Plain: text 9 on 3. Emphasised: the two swapped.
void paint_value_label(QLabel* label, bool emphasised);
bool is_emphasised(const QLabel* label);

} // namespace qlm
