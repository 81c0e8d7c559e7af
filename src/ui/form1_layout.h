#pragma once
// The main window's controls, placed by a table of positions in twips (15 to a pixel).

#include "params/param_set.h"
#include "ui/menus.h"
#include "ui/status_bar.h"

#include <array>
#include <span>
#include <vector>

class QGroupBox;
class QLabel;
class QMainWindow;
class QProgressBar;
class QPushButton;
class QStatusBar;
class QWidget;

namespace qlm {

class ChoiceCombo;
class EntryField;

constexpr int kTwipsPerPixel = 15;
constexpr int kClientWidthTwips = 11685;
constexpr int kClientHeightTwips = 7620;

constexpr int px(int twips) {
    return twips / kTwipsPerPixel;
}

// A parameter's controls.
struct FieldControls {
    QLabel* value = nullptr;
    QLabel* emphasis = nullptr;
    ChoiceCombo* list = nullptr;
    EntryField* entry = nullptr;
    QPushButton* button = nullptr;
};

// The controls, the menus' items and the status bar's panels.
struct Form1Widgets : Menus {
    QWidget* client = nullptr; // the window's client area
    QGroupBox* Frame1 = nullptr;
    QGroupBox* Frame2 = nullptr;
    QStatusBar* StatusBar1 = nullptr;
    QProgressBar* ProgressBar1 = nullptr;
    StatusPanels panels{}; // Panel1 .. Panel4, once set up
    std::array<FieldControls, kFieldCount> fields{};

    const FieldControls& of(Field field) const { return fields[static_cast<std::size_t>(field)]; }
    std::vector<ChoiceCombo*> lists() const;
    std::vector<QPushButton*> buttons() const;
};

// One placed control of the table.
struct Placement {
    const char* name;
    const char* parent; // "" for the client area, or "Frame1" / "Frame2"
    int left, top, width, height;
};

// Every placed control, in twips relative to its parent.
std::span<const Placement> form1_placements();

Form1Widgets build_form1(QMainWindow* window);

// The status bar's panels; panel 2 takes the hints.
void set_up_status_bar(Form1Widgets& widgets);
inline QLabel* hint_panel(const Form1Widgets& widgets) {
    return widgets.panels[1];
}

} // namespace qlm
