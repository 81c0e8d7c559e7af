#pragma once
// The main window's controls, placed by a table of positions in twips (15 to a pixel).

#include <QString>

#include <array>
#include <span>

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

constexpr int px(int twips) { return twips / kTwipsPerPixel; }

struct Form1Widgets {
    QWidget* client = nullptr; // the window's client area
    QGroupBox* Frame1 = nullptr;
    QGroupBox* Frame2 = nullptr;
    std::array<ChoiceCombo*, 6> combos{}; // Combo1 .. Combo6
    EntryField* Text1 = nullptr;          // pulse voltage
    EntryField* Text2 = nullptr;          // pulse width
    EntryField* Text3 = nullptr;          // receive gain
    QPushButton* Command11 = nullptr;     // receive gain
    QPushButton* Command12 = nullptr;     // pulse voltage
    QPushButton* Command13 = nullptr;     // pulse width
    QStatusBar* StatusBar1 = nullptr;
    QProgressBar* ProgressBar1 = nullptr;
    QAction* open = nullptr;
    QAction* save = nullptr;
    QAction* seting2 = nullptr;
    QAction* helpd = nullptr;
    QAction* about = nullptr;

    ChoiceCombo* combo(int number) const { return combos[static_cast<std::size_t>(number - 1)]; }
    QLabel* label(const char* name) const;
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
void set_up_status_bar(const Form1Widgets& widgets);
QLabel* hint_panel(const Form1Widgets& widgets);

// SimSun where it is installed, else the first Song/Ming face found; looked up once.
const QString& song_family();
// Verdana, else a face of the same build.
const QString& verdana_family();

// The 48 x 48 picture of both windows.
QIcon program_icon();

} // namespace qlm
