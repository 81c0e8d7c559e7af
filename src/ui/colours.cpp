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
    case COLOR_INACTIVECAPTION:
        return QColor(191, 205, 219);
    case COLOR_CAPTIONTEXT:
        return QColor(0, 0, 0);
    case COLOR_HIGHLIGHTTEXT:
        return QColor(255, 255, 255);
    case COLOR_BTNFACE:
        return QColor(240, 240, 240);
    case COLOR_BTNSHADOW:
        return QColor(160, 160, 160);
    case COLOR_BTNTEXT:
        return QColor(0, 0, 0);
    case COLOR_INACTIVECAPTIONTEXT:
        return QColor(0, 0, 0);
    case COLOR_BTNHIGHLIGHT:
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
    if (emphasised) paint(label, COLOR_CAPTIONTEXT, COLOR_INACTIVECAPTION);
    else paint(label, COLOR_INACTIVECAPTION, COLOR_CAPTIONTEXT);
    label->setProperty("emphasised", emphasised);
}

bool is_emphasised(const QLabel* label) { return label->property("emphasised").toBool(); }

} // namespace qlm
