#include "ui/form1_layout.h"

#include "params/descriptor.h"
#include "ui/branding.h"
#include "ui/choice_combo.h"
#include "ui/colours.h"
#include "ui/entry_field.h"
#include "ui/etched_frame.h"
#include "ui/fonts.h"

#include <QLabel>
#include <QLayout>
#include <QMainWindow>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>

#include <map>
#include <optional>
#include <string_view>
#include <vector>

namespace qlm {

namespace {

enum class Kind { frame, label, combo, entry, button, status_bar, progress_bar };

enum class Look {
    display_frame,    // text 19 on 3, the display panel's frame
    display,          // text 9 on 3, the display panel and the control panel's frame
    display_lpf_unit, // text 19
    control,          // text 18 on 3, the control panel
    none,
};

enum class Face { song, song_vertical, verdana };

struct Control {
    Placement at;
    Kind kind;
    const char* text;
    double points;
    Face face;
    Qt::Alignment align;
    Look look;
    // The parameter an entry field edits, or whose hint a display caption shows.
    std::optional<Field> of;
};

constexpr Face kSong = Face::song;
constexpr Qt::Alignment kLeft = Qt::AlignLeft | Qt::AlignVCenter;
constexpr Qt::Alignment kRight = Qt::AlignRight | Qt::AlignVCenter;
constexpr Qt::Alignment kCentre = Qt::AlignCenter;
constexpr double kDisplayPt = 14.25;
constexpr double kCaptionPt = 10.5;
// Heights the window leaves open: a display row holds a 14.25 pt line (22 px with the
// fallback faces) and a control caption a 10.5 pt line, ending where its list begins.
constexpr int kRow = 375;
constexpr int kCaptionRow = 240;

// Units, prefixes ("-", "1") and hints come from the parameters' descriptions.
// Widths of values and units run from their left edge to the next control's, so that the
// longest text a label can hold fits: "20.00", "6500", "内部", "MHz" at 14.25 pt.
// clang-format off
const std::vector<Control> kControls{
    {{"Frame1", "", 240, 1560, 5895, 4575}, Kind::frame, "显示面板", kCaptionPt, kSong, kLeft, Look::display_frame, {}},
    {{"Frame2", "", 6120, 1560, 5175, 4575}, Kind::frame, "控制面板", kCaptionPt, kSong, kLeft, Look::display, {}},

    // Display panel, left column: caption, value, unit.
    {{"Label4", "Frame1", 240, 960, 1455, kRow}, Kind::label, "工作模式：", kDisplayPt, kSong, kLeft, Look::display, Field::mode},
    {{"Label14", "Frame1", 1980, 960, 600, kRow}, Kind::label, "", kDisplayPt, kSong, kLeft, Look::display, {}},
    {{"Label5", "Frame1", 240, 1560, 1455, kRow}, Kind::label, "脉冲电压：", kDisplayPt, kSong, kLeft, Look::display, Field::voltage},
    // The voltage and its "-" are drawn like every other value: highlight text (white) on
    // the panel's blue-grey was hardly legible (1.6:1).
    {{"Label22", "Frame1", 1800, 1560, 180, kRow}, Kind::label, "", kDisplayPt, kSong, kLeft, Look::display, {}},
    {{"Label15", "Frame1", 1980, 1560, 660, kRow}, Kind::label, "", kDisplayPt, kSong, kLeft, Look::display, {}},
    {{"Label29", "Frame1", 2640, 1560, 300, kRow}, Kind::label, "", kDisplayPt, kSong, kLeft, Look::display, {}},
    {{"Label6", "Frame1", 240, 2160, 1455, kRow}, Kind::label, "重复频率：", kDisplayPt, kSong, kLeft, Look::display, {}},
    {{"Label20", "Frame1", 1680, 2160, 900, kRow}, Kind::label, "", kDisplayPt, kSong, kRight, Look::display, {}},
    {{"Label30", "Frame1", 2580, 2160, 480, kRow}, Kind::label, "", kDisplayPt, kSong, kLeft, Look::display, {}},
    {{"Label7", "Frame1", 240, 2760, 1455, kRow}, Kind::label, "脉冲宽度：", kDisplayPt, kSong, kLeft, Look::display, {}},
    {{"Label2", "Frame1", 1680, 2760, 900, kRow}, Kind::label, "", kDisplayPt, kSong, kRight, Look::display, {}},
    {{"Label31", "Frame1", 2580, 2760, 480, kRow}, Kind::label, "", kDisplayPt, kSong, kLeft, Look::display, {}},
    {{"Label8", "Frame1", 240, 3360, 1455, kRow}, Kind::label, "探头频率：", kDisplayPt, kSong, kLeft, Look::display, {}},
    {{"Label21", "Frame1", 1560, 3360, 960, kRow}, Kind::label, "", kDisplayPt, kSong, kRight, Look::display, {}},
    {{"Label32", "Frame1", 2520, 3360, 720, kRow}, Kind::label, "", kDisplayPt, kSong, kLeft, Look::display, {}},

    // Display panel, right column.
    {{"Label9", "Frame1", 3240, 960, 1455, kRow}, Kind::label, "接收增益：", kDisplayPt, kSong, kLeft, Look::display, {}},
    {{"Label3", "Frame1", 4560, 960, 660, kRow}, Kind::label, "", kDisplayPt, kSong, kRight, Look::display, {}},
    {{"Label33", "Frame1", 5220, 960, 480, kRow}, Kind::label, "", kDisplayPt, kSong, kLeft, Look::display, {}},
    {{"Label10", "Frame1", 3240, 1560, 1455, kRow}, Kind::label, "触 发 源：", kDisplayPt, kSong, kLeft, Look::display, {}},
    {{"Label16", "Frame1", 4860, 1560, 900, kRow}, Kind::label, "", kDisplayPt, kSong, kRight, Look::display, {}},
    {{"Label11", "Frame1", 3240, 2160, 1455, kRow}, Kind::label, "L P F  ：", kDisplayPt, kSong, kLeft, Look::display, {}},
    {{"Label17", "Frame1", 4560, 2160, 600, kRow}, Kind::label, "", kDisplayPt, kSong, kRight, Look::display, {}},
    {{"Label35", "Frame1", 5160, 2160, 660, kRow}, Kind::label, "", kDisplayPt, kSong, kLeft, Look::display_lpf_unit, {}},
    {{"Label12", "Frame1", 3240, 2760, 1455, kRow}, Kind::label, "H P F  ：", kDisplayPt, kSong, kLeft, Look::display, {}},
    {{"Label18", "Frame1", 4680, 2760, 480, kRow}, Kind::label, "", kDisplayPt, kSong, kRight, Look::display, {}},
    {{"Label36", "Frame1", 5160, 2760, 660, kRow}, Kind::label, "", kDisplayPt, kSong, kLeft, Look::display, {}},
    {{"Label13", "Frame1", 3240, 3360, 1455, kRow}, Kind::label, "阻   尼：", kDisplayPt, kSong, kLeft, Look::display, {}},
    {{"Label19", "Frame1", 4560, 3360, 720, kRow}, Kind::label, "", kDisplayPt, kSong, kRight, Look::display, {}},
    {{"Label34", "Frame1", 5280, 3360, 480, kRow}, Kind::label, "", kDisplayPt, kSong, kLeft, Look::display, {}},

    // Control panel: list captions and lists. A centred caption is as wide as twice its
    // distance to the middle of its list.
    {{"Label43", "Frame2", 840, 1020, 1155, kCaptionRow}, Kind::label, "工作模式", kCaptionPt, kSong, kLeft, Look::control, {}},
    {{"Label24", "Frame2", 1980, 1020, 1155, kCaptionRow}, Kind::label, "重复频率", kCaptionPt, kSong, kCentre, Look::control, {}},
    {{"Label25", "Frame2", 3240, 1020, 1155, kCaptionRow}, Kind::label, "触发选择", kCaptionPt, kSong, kCentre, Look::control, {}},
    {{"Combo1", "Frame2", 660, 1260, 1275, 300}, Kind::combo, "", kCaptionPt, kSong, kLeft, Look::none, {}},
    {{"Combo2", "Frame2", 1920, 1260, 1275, 300}, Kind::combo, "", kCaptionPt, kSong, kLeft, Look::none, {}},
    {{"Combo3", "Frame2", 3180, 1260, 1275, 300}, Kind::combo, "", kCaptionPt, kSong, kLeft, Look::none, {}},
    {{"Label26", "Frame2", 720, 1620, 1155, kCaptionRow}, Kind::label, "阻尼设置", kCaptionPt, kSong, kCentre, Look::control, {}},
    {{"Label27", "Frame2", 1980, 1620, 1155, kCaptionRow}, Kind::label, "低通滤波", kCaptionPt, kSong, kCentre, Look::control, {}},
    {{"Label39", "Frame2", 3240, 1620, 1155, kCaptionRow}, Kind::label, "高通滤波", kCaptionPt, kSong, kCentre, Look::control, {}},
    {{"Combo4", "Frame2", 660, 1860, 1275, 300}, Kind::combo, "", kCaptionPt, kSong, kLeft, Look::none, {}},
    {{"Combo5", "Frame2", 1920, 1860, 1275, 300}, Kind::combo, "", kCaptionPt, kSong, kLeft, Look::none, {}},
    {{"Combo6", "Frame2", 3180, 1860, 1275, 300}, Kind::combo, "", kCaptionPt, kSong, kLeft, Look::none, {}},

    // Control panel: buttons, entry fields, units.
    {{"Command11", "Frame2", 660, 2340, 1695, 435}, Kind::button, "接收增益", kCaptionPt, kSong, kCentre, Look::none, {}},
    {{"Text3", "Frame2", 2340, 2340, 2115, 435}, Kind::entry, "40", 12, Face::song_vertical, kLeft, Look::none, Field::gain},
    {{"Label40", "Frame2", 4500, 2340, 480, 435}, Kind::label, "", 12, kSong, kLeft, Look::control, {}},
    {{"Command12", "Frame2", 660, 2760, 1695, 435}, Kind::button, "脉冲电压", kCaptionPt, kSong, kCentre, Look::none, {}},
    {{"Text1", "Frame2", 2340, 2760, 2115, 435}, Kind::entry, "25", 12, kSong, kLeft, Look::none, Field::voltage},
    {{"Label41", "Frame2", 4560, 2760, 420, 435}, Kind::label, "", 12, kSong, kLeft, Look::control, {}},
    {{"Command13", "Frame2", 660, 3180, 1695, 435}, Kind::button, "脉冲宽度", kCaptionPt, Face::verdana, kCentre, Look::none, {}},
    {{"Text2", "Frame2", 2340, 3180, 2115, 435}, Kind::entry, "40", 12, kSong, kLeft, Look::none, Field::pw},
    {{"Label42", "Frame2", 4500, 3180, 480, 435}, Kind::label, "", 12, kSong, kLeft, Look::control, {}},

    {{"StatusBar1", "", 0, 7320, 11685, 300}, Kind::status_bar, "", 9, kSong, kLeft, Look::none, {}},
    {{"ProgressBar1", "", 0, 7320, 11655, 315}, Kind::progress_bar, "", 9, kSong, kLeft, Look::none, {}},
};
// clang-format on

// Each parameter's controls by their designer names; null where it has none.
struct FieldNames {
    Field field;
    const char* value;      // the display label that shows the text
    const char* emphasis;   // the label show_emphasis marks
    const char* prefix;     // a label before the value ("-", "1")
    const char* unit;       // the unit label after the value
    const char* list;       // the choice list
    const char* entry;      // the numeric entry field
    const char* entry_unit; // the unit label beside the entry field
    const char* button;     // the parameter button
};

// clang-format off
constexpr std::array<FieldNames, kFieldCount> kFieldNames{{
    // field            value      emphasis   prefix     unit       list      entry    unit       button
    {Field::mode,       "Label14", "Label14", nullptr,   nullptr,   "Combo1", nullptr, {}},
    {Field::gain,       "Label3",  "Label3",  nullptr,   "Label33", nullptr,  "Text3", "Label40", "Command11"},
    {Field::voltage,    "Label15", "Label15", "Label22", "Label29", nullptr,  "Text1", "Label41", "Command12"},
    {Field::trigger,    "Label16", "Label16", nullptr,   nullptr,   "Combo3", nullptr, {}},
    {Field::prf,        "Label20", "Label20", nullptr,   "Label30", "Combo2", nullptr, {}},
    {Field::lpf,        "Label17", "Label17", nullptr,   "Label35", "Combo5", nullptr, {}},
    {Field::pw,         "Label2",  "Label2",  nullptr,   "Label31", nullptr,  "Text2", "Label42", "Command13"},
    {Field::hpf_unit,   "Label36", "Label18", "Label18", nullptr,   "Combo6", nullptr, nullptr,   nullptr}, // the "1" takes the emphasis
    {Field::probe_freq, "Label21", nullptr,   nullptr,   "Label32", nullptr,  nullptr, {}},
    {Field::damping,    "Label19", "Label19", nullptr,   "Label34", "Combo4", nullptr, {}},
}};
// clang-format on

std::vector<Placement> placements_of(const std::vector<Control>& controls) {
    std::vector<Placement> out;
    for (const Control& control : controls)
        out.push_back(control.at);
    return out;
}

const std::vector<Placement> kPlacements = placements_of(kControls);

QFont font_of(double points, Face face) {
    // Qt offers no vertical-writing face; the vertical variant is drawn upright anyway.
    QFont font(face == Face::verdana ? verdana_family() : song_family());
    font.setPointSizeF(points);
    return font;
}

void style(QWidget* widget, const Control& control) {
    switch (control.look) {
    case Look::display_frame:
        paint(widget, ColourInactiveCaption, ColourInactiveCaptionText);
        break;
    case Look::display:
        paint(widget, ColourInactiveCaption, ColourCaptionText);
        break;
    case Look::display_lpf_unit:
        paint(widget, ColourInactiveCaption, ColourInactiveCaptionText);
        break;
    case Look::control:
        paint(widget, ColourInactiveCaption, ColourButtonText);
        break;
    case Look::none:
        break;
    }
}

QWidget* make(const Control& control, QWidget* parent) {
    const QString text = QString::fromUtf8(control.text);
    switch (control.kind) {
    case Kind::frame:
        return new EtchedFrame(text, parent);
    case Kind::label: {
        auto* label = new QLabel(text, parent);
        label->setAlignment(control.align);
        if (control.of) {
            const ParamDescriptor& param = descriptor(*control.of);
            const std::string hint =
                param.numeric ? with_range(param.hint, *param.numeric) : param.hint;
            label->setToolTip(QString::fromStdString(hint));
        }
        return label;
    }
    case Kind::combo:
        return new ChoiceCombo(parent);
    case Kind::entry: {
        auto* field = new EntryField(*control.of, parent);
        field->setText(text);
        return field;
    }
    case Kind::button:
        return new QPushButton(text, parent);
    case Kind::status_bar: {
        auto* bar = new QStatusBar(parent);
        bar->setSizeGripEnabled(false);
        paint(bar, ColourButtonFace, ColourButtonText);
        return bar;
    }
    case Kind::progress_bar: {
        auto* bar = new QProgressBar(parent);
        bar->setTextVisible(false);
        bar->hide();
        return bar;
    }
    }
    return nullptr;
}

using Made = std::map<std::string_view, QWidget*>;

template <typename T> T* made_as(const Made& made, const char* name) {
    return name ? static_cast<T*>(made.at(name)) : nullptr;
}

// Each parameter's controls, and the texts its description gives its labels.
void resolve_fields(const Made& made, Form1Widgets& out) {
    for (const FieldNames& names : kFieldNames) {
        const ParamDescriptor& param = descriptor(names.field);
        FieldControls& controls = out.fields[static_cast<std::size_t>(names.field)];
        controls.value = made_as<QLabel>(made, names.value);
        controls.emphasis = made_as<QLabel>(made, names.emphasis);
        controls.list = made_as<ChoiceCombo>(made, names.list);
        controls.entry = made_as<EntryField>(made, names.entry);
        controls.button = made_as<QPushButton>(made, names.button);
        if (names.prefix)
            made_as<QLabel>(made, names.prefix)->setText(QString::fromUtf8(param.prefix));
        if (names.unit) made_as<QLabel>(made, names.unit)->setText(QString::fromUtf8(param.unit));
        if (names.entry_unit)
            made_as<QLabel>(made, names.entry_unit)
                ->setText(QString::fromUtf8(param.numeric->entry_unit));
    }
}

} // namespace

void set_up_status_bar(Form1Widgets& widgets) {
    widgets.panels = qlm::set_up_status_bar(widgets.StatusBar1);
}

std::vector<ChoiceCombo*> Form1Widgets::lists() const {
    std::vector<ChoiceCombo*> out;
    for (const Field field : list_fields())
        out.push_back(of(field).list);
    return out;
}

std::vector<QPushButton*> Form1Widgets::buttons() const {
    std::vector<QPushButton*> out;
    for (const Field field : entry_fields())
        out.push_back(of(field).button);
    return out;
}

std::span<const Placement> form1_placements() {
    return kPlacements;
}

Form1Widgets build_form1(QMainWindow* window) {
    Form1Widgets out;
    window->setObjectName("Form1");
    window->setWindowTitle(window_title());
    window->setWindowIcon(program_icon());
    // The layout never changes size, so there is nothing to maximise.
    window->setWindowFlag(Qt::WindowMaximizeButtonHint, false);
    out.client = new QWidget(window);
    out.client->setObjectName("client");
    out.client->setFixedSize(px(kClientWidthTwips), px(kClientHeightTwips));
    paint(out.client, ColourInactiveCaption, ColourCaptionText);
    window->setCentralWidget(out.client);

    Made made;
    for (const Control& control : kControls) {
        QWidget* parent = *control.at.parent ? made.at(control.at.parent) : out.client;
        QWidget* widget = make(control, parent);
        made[control.at.name] = widget;
        widget->setObjectName(QString::fromLatin1(control.at.name));
        widget->setGeometry(px(control.at.left), px(control.at.top), px(control.at.width),
                            px(control.at.height));
        widget->setFont(font_of(control.points, control.face));
        style(widget, control);
    }
    out.Frame1 = made_as<QGroupBox>(made, "Frame1");
    out.Frame2 = made_as<QGroupBox>(made, "Frame2");
    out.StatusBar1 = made_as<QStatusBar>(made, "StatusBar1");
    out.ProgressBar1 = made_as<QProgressBar>(made, "ProgressBar1");
    resolve_fields(made, out);
    out.ProgressBar1->raise();
    static_cast<Menus&>(out) = build_menus(window);
    window->layout()->setSizeConstraint(QLayout::SetFixedSize);
    return out;
}

} // namespace qlm
