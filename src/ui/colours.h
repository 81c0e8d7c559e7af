#pragma once
// Windows system colours by index, and the two ways a value label is painted.

#include <QColor>

class QLabel;
class QWidget;

namespace qlm {

enum SystemColour : int {
    ColourInactiveCaption = 3,
    ColourCaptionText = 9,
    ColourHighlightText = 14,
    ColourButtonFace = 15,   // status bar
    ColourButtonShadow = 16, // etched frame lines
    ColourButtonText = 18,
    ColourInactiveCaptionText = 19,
    ColourButtonHighlight = 20,
};

// The system's colour on Windows; Windows' default value of it elsewhere.
QColor system_colour(SystemColour index);

// Background and text colour of a widget, by system colour index.
void paint(QWidget* widget, SystemColour background, SystemColour text);

// Plain: text 9 on 3. Emphasised: the two swapped.
void paint_value_label(QLabel* label, bool emphasised);
bool is_emphasised(const QLabel* label);

} // namespace qlm
