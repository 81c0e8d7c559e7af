#pragma once
// The main window's controls, placed by a table of positions in twips (15 to a pixel).

#include "params/param_set.h"

#include <QString>

#include <array>
#include <span>
#include <vector>

class QAction;
class QGroupBox;
class QIcon;
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

// Each parameter's controls by their designer names; null where it has none.
struct FieldNames {
    Field field;
    const char* value;    // the display label that shows the text
    const char* emphasis; // the label show_emphasis marks
    const char* prefix;   // a label before the value ("-", "1")
    const char* unit;     // the unit label after the value
    const char* list;     // the choice list
    const char* entry;    // the numeric entry field
    const char* button;   // the parameter button
};
std::span<const FieldNames> field_names();

// A parameter's controls.
struct FieldControls {
    QLabel* value = nullptr;
    QLabel* emphasis = nullptr;
    ChoiceCombo* list = nullptr;
    EntryField* entry = nullptr;
    QPushButton* button = nullptr;
};

struct Form1Widgets {
    QWidget* client = nullptr; // the window's client area
    QGroupBox* Frame1 = nullptr;
    QGroupBox* Frame2 = nullptr;
    QStatusBar* StatusBar1 = nullptr;
    QProgressBar* ProgressBar1 = nullptr;
    std::array<QLabel*, 4> panels{}; // Panel1 .. Panel4 of the status bar, once set up
    QAction* open = nullptr;
    QAction* save = nullptr;
    QAction* seting2 = nullptr;
    QAction* seting3 = nullptr;
    QAction* helpd = nullptr;
    QAction* about = nullptr;
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

// The status bar's four panels, "Panel1" to "Panel4"; panel 2 takes the hints.
void set_up_status_bar(Form1Widgets& widgets);
inline QLabel* hint_panel(const Form1Widgets& widgets) {
    return widgets.panels[1];
}

// SimSun where it is installed, else the first Song/Ming face found; looked up once.
const QString& song_family();
// Verdana, else a face of the same build.
const QString& verdana_family();

// The 48 x 48 picture of both windows.
QIcon program_icon();

} // namespace qlm
