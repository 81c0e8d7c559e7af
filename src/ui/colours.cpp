#include "ui/colours.h"

#include <QLabel>

#ifdef _WIN32
#include <windows.h>
#endif

namespace qlm {

QColor system_colour(SystemColour index) {
#ifdef _WIN32
    const DWORD rgb = GetSysColor(static_cast<int>(index));
    return QColor(GetRValue(rgb), GetGValue(rgb), GetBValue(rgb));
#else
    // Windows' defaults (Windows 7 to 11, the "Control Panel\Colors" values of a fresh
    // profile): InactiveTitle, TitleText, HilightText, ButtonFace, ButtonShadow,
    // ButtonText, InactiveTitleText, ButtonHilight.
    switch (index) {
    case ColourInactiveCaption:
        return QColor(191, 205, 219);
    case ColourCaptionText:
        return QColor(0, 0, 0);
    case ColourHighlightText:
        return QColor(255, 255, 255);
    case ColourButtonFace:
        return QColor(240, 240, 240);
    case ColourButtonShadow:
        return QColor(160, 160, 160);
    case ColourButtonText:
        return QColor(0, 0, 0);
    case ColourInactiveCaptionText:
        return QColor(0, 0, 0);
    case ColourButtonHighlight:
        return QColor(255, 255, 255);
    }
    return QColor(0, 0, 0);
#endif
}

void paint(QWidget* widget, SystemColour background, SystemColour text) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, system_colour(background));
    palette.setColor(QPalette::WindowText, system_colour(text));
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

void paint_value_label(QLabel* label, bool emphasised) {
    if (emphasised)
        paint(label, ColourCaptionText, ColourInactiveCaption);
    else
        paint(label, ColourInactiveCaption, ColourCaptionText);
    label->setProperty("emphasised", emphasised);
}

bool is_emphasised(const QLabel* label) {
    return label->property("emphasised").toBool();
}

} // namespace qlm
