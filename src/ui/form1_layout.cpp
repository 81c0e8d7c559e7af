#include "ui/form1_layout.h"

#include "params/descriptor.h"
#include "ui/choice_combo.h"
#include "ui/colours.h"
#include "ui/entry_field.h"

#include <QAction>
#include <QFontDatabase>
#include <QGroupBox>
#include <QIcon>
#include <QLabel>
#include <QLayout>
#include <QMainWindow>
#include <QMenuBar>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>

#include <initializer_list>
#include <map>
#include <string_view>
#include <vector>

namespace qlm {

namespace {

enum class Kind { frame, label, combo, entry, button, status_bar, progress_bar };

enum class Look {
    display,          // text 9 on 3, the display panel
    display_voltage,  // the voltage and its "-": text 14 until the first emphasis
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
    const char* tooltip;
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

// Units and prefixes ("-", "1") come from the parameters' descriptions; a caption's hint
// may name its parameter's range as "{min}" and "{max}".
// Widths of values and units run from their left edge to the next control's, so that the
// longest text a label can hold fits: "20.00", "6500", "内部", "MHz" at 14.25 pt.
// clang-format off
const std::vector<Control> kControls{
    {{"Frame1", "", 240, 1560, 5895, 4575}, Kind::frame, "显示面板", kCaptionPt, kSong, kLeft, Look::none, nullptr},
    {{"Frame2", "", 6120, 1560, 5175, 4575}, Kind::frame, "控制面板", kCaptionPt, kSong, kLeft, Look::none, nullptr},

    // Display panel, left column: caption, value, unit.
    {{"Label4", "Frame1", 240, 960, 1455, kRow}, Kind::label, "工作模式：", kDisplayPt, kSong, kLeft, Look::display, "单 ，双"},
    {{"Label14", "Frame1", 1980, 960, 600, kRow}, Kind::label, "", kDisplayPt, kSong, kLeft, Look::display, nullptr},
    {{"Label5", "Frame1", 240, 1560, 1455, kRow}, Kind::label, "脉冲电压：", kDisplayPt, kSong, kLeft, Look::display, "-{max}～－{min}"},
    {{"Label22", "Frame1", 1800, 1560, 180, kRow}, Kind::label, "", kDisplayPt, kSong, kLeft, Look::display_voltage, nullptr},
    {{"Label15", "Frame1", 1980, 1560, 660, kRow}, Kind::label, "", kDisplayPt, kSong, kLeft, Look::display_voltage, nullptr},
    {{"Label29", "Frame1", 2640, 1560, 300, kRow}, Kind::label, "", kDisplayPt, kSong, kLeft, Look::display, nullptr},
    {{"Label6", "Frame1", 240, 2160, 1455, kRow}, Kind::label, "重复频率：", kDisplayPt, kSong, kLeft, Look::display, nullptr},
    {{"Label20", "Frame1", 1680, 2160, 900, kRow}, Kind::label, "", kDisplayPt, kSong, kRight, Look::display, nullptr},
    {{"Label30", "Frame1", 2580, 2160, 480, kRow}, Kind::label, "", kDisplayPt, kSong, kLeft, Look::display, nullptr},
    {{"Label7", "Frame1", 240, 2760, 1455, kRow}, Kind::label, "脉冲宽度：", kDisplayPt, kSong, kLeft, Look::display, nullptr},
    {{"Label2", "Frame1", 1680, 2760, 900, kRow}, Kind::label, "", kDisplayPt, kSong, kRight, Look::display, nullptr},
    {{"Label31", "Frame1", 2580, 2760, 480, kRow}, Kind::label, "", kDisplayPt, kSong, kLeft, Look::display, nullptr},
    {{"Label8", "Frame1", 240, 3360, 1455, kRow}, Kind::label, "探头频率：", kDisplayPt, kSong, kLeft, Look::display, nullptr},
    {{"Label21", "Frame1", 1560, 3360, 960, kRow}, Kind::label, "", kDisplayPt, kSong, kRight, Look::display, nullptr},
    {{"Label32", "Frame1", 2520, 3360, 720, kRow}, Kind::label, "", kDisplayPt, kSong, kLeft, Look::display, nullptr},

    // Display panel, right column.
    {{"Label9", "Frame1", 3240, 960, 1455, kRow}, Kind::label, "接收增益：", kDisplayPt, kSong, kLeft, Look::display, nullptr},
    {{"Label3", "Frame1", 4560, 960, 660, kRow}, Kind::label, "", kDisplayPt, kSong, kRight, Look::display, nullptr},
    {{"Label33", "Frame1", 5220, 960, 480, kRow}, Kind::label, "", kDisplayPt, kSong, kLeft, Look::display, nullptr},
    {{"Label10", "Frame1", 3240, 1560, 1455, kRow}, Kind::label, "触 发 源：", kDisplayPt, kSong, kLeft, Look::display, nullptr},
    {{"Label16", "Frame1", 4860, 1560, 900, kRow}, Kind::label, "", kDisplayPt, kSong, kRight, Look::display, nullptr},
    {{"Label11", "Frame1", 3240, 2160, 1455, kRow}, Kind::label, "L P F  ：", kDisplayPt, kSong, kLeft, Look::display, nullptr},
    {{"Label17", "Frame1", 4560, 2160, 600, kRow}, Kind::label, "", kDisplayPt, kSong, kRight, Look::display, nullptr},
    {{"Label35", "Frame1", 5160, 2160, 660, kRow}, Kind::label, "", kDisplayPt, kSong, kLeft, Look::display_lpf_unit, nullptr},
    {{"Label12", "Frame1", 3240, 2760, 1455, kRow}, Kind::label, "H P F  ：", kDisplayPt, kSong, kLeft, Look::display, nullptr},
    {{"Label18", "Frame1", 4680, 2760, 480, kRow}, Kind::label, "", kDisplayPt, kSong, kRight, Look::display, nullptr},
    {{"Label36", "Frame1", 5160, 2760, 660, kRow}, Kind::label, "", kDisplayPt, kSong, kLeft, Look::display, nullptr},
    {{"Label13", "Frame1", 3240, 3360, 1455, kRow}, Kind::label, "阻   尼：", kDisplayPt, kSong, kLeft, Look::display, nullptr},
    {{"Label19", "Frame1", 4560, 3360, 720, kRow}, Kind::label, "", kDisplayPt, kSong, kRight, Look::display, nullptr},
    {{"Label34", "Frame1", 5280, 3360, 480, kRow}, Kind::label, "", kDisplayPt, kSong, kLeft, Look::display, nullptr},

    // Control panel: list captions and lists. A centred caption is as wide as twice its
    // distance to the middle of its list.
    {{"Label43", "Frame2", 840, 1020, 1155, kCaptionRow}, Kind::label, "工作模式", kCaptionPt, kSong, kLeft, Look::control, nullptr},
    {{"Label24", "Frame2", 1980, 1020, 1155, kCaptionRow}, Kind::label, "重复频率", kCaptionPt, kSong, kCentre, Look::control, nullptr},
    {{"Label25", "Frame2", 3240, 1020, 1155, kCaptionRow}, Kind::label, "触发选择", kCaptionPt, kSong, kCentre, Look::control, nullptr},
    {{"Combo1", "Frame2", 660, 1260, 1275, 300}, Kind::combo, "", kCaptionPt, kSong, kLeft, Look::none, nullptr},
    {{"Combo2", "Frame2", 1920, 1260, 1275, 300}, Kind::combo, "", kCaptionPt, kSong, kLeft, Look::none, nullptr},
    {{"Combo3", "Frame2", 3180, 1260, 1275, 300}, Kind::combo, "", kCaptionPt, kSong, kLeft, Look::none, nullptr},
    {{"Label26", "Frame2", 720, 1620, 1155, kCaptionRow}, Kind::label, "阻尼设置", kCaptionPt, kSong, kCentre, Look::control, nullptr},
    {{"Label27", "Frame2", 1980, 1620, 1155, kCaptionRow}, Kind::label, "低通滤波", kCaptionPt, kSong, kCentre, Look::control, nullptr},
    {{"Label39", "Frame2", 3240, 1620, 1155, kCaptionRow}, Kind::label, "高通滤波", kCaptionPt, kSong, kCentre, Look::control, nullptr},
    {{"Combo4", "Frame2", 660, 1860, 1275, 300}, Kind::combo, "", kCaptionPt, kSong, kLeft, Look::none, nullptr},
    {{"Combo5", "Frame2", 1920, 1860, 1275, 300}, Kind::combo, "", kCaptionPt, kSong, kLeft, Look::none, nullptr},
    {{"Combo6", "Frame2", 3180, 1860, 1275, 300}, Kind::combo, "", kCaptionPt, kSong, kLeft, Look::none, nullptr},

    // Control panel: buttons, entry fields, units.
    {{"Command11", "Frame2", 660, 2340, 1695, 435}, Kind::button, "接收增益", kCaptionPt, kSong, kCentre, Look::none, nullptr},
    {{"Text3", "Frame2", 2340, 2340, 2115, 435}, Kind::entry, "40", 12, Face::song_vertical, kLeft, Look::none, nullptr},
    {{"Label40", "Frame2", 4500, 2340, 480, 435}, Kind::label, "dB", 12, kSong, kLeft, Look::control, nullptr},
    {{"Command12", "Frame2", 660, 2760, 1695, 435}, Kind::button, "脉冲电压", kCaptionPt, kSong, kCentre, Look::none, nullptr},
    {{"Text1", "Frame2", 2340, 2760, 2115, 435}, Kind::entry, "25", 12, kSong, kLeft, Look::none, nullptr},
    {{"Label41", "Frame2", 4560, 2760, 420, 435}, Kind::label, "V", 12, kSong, kLeft, Look::control, nullptr},
    {{"Command13", "Frame2", 660, 3180, 1695, 435}, Kind::button, "脉冲宽度", kCaptionPt, Face::verdana, kCentre, Look::none, nullptr},
    {{"Text2", "Frame2", 2340, 3180, 2115, 435}, Kind::entry, "40", 12, kSong, kLeft, Look::none, nullptr},
    {{"Label42", "Frame2", 4500, 3180, 480, 435}, Kind::label, "ns", 12, kSong, kLeft, Look::control, nullptr},

    {{"StatusBar1", "", 0, 7320, 11685, 300}, Kind::status_bar, "", 9, kSong, kLeft, Look::none, nullptr},
    {{"ProgressBar1", "", 0, 7320, 11655, 315}, Kind::progress_bar, "", 9, kSong, kLeft, Look::none, nullptr},
};
// clang-format on

// clang-format off
constexpr std::array<FieldNames, kFieldCount> kFieldNames{{
    // field            value      emphasis   prefix     unit       list      entry    button
    {Field::mode,       "Label14", "Label14", nullptr,   nullptr,   "Combo1", nullptr, nullptr},
    {Field::gain,       "Label3",  "Label3",  nullptr,   "Label33", nullptr,  "Text3", "Command11"},
    {Field::voltage,    "Label15", "Label15", "Label22", "Label29", nullptr,  "Text1", "Command12"},
    {Field::trigger,    "Label16", "Label16", nullptr,   nullptr,   "Combo3", nullptr, nullptr},
    {Field::prf,        "Label20", "Label20", nullptr,   "Label30", "Combo2", nullptr, nullptr},
    {Field::lpf,        "Label17", "Label17", nullptr,   "Label35", "Combo5", nullptr, nullptr},
    {Field::pw,         "Label2",  "Label2",  nullptr,   "Label31", nullptr,  "Text2", "Command13"},
    {Field::hpf_unit,   "Label36", "Label18", "Label18", nullptr,   "Combo6", nullptr, nullptr}, // the "1" takes the emphasis
    {Field::probe_freq, "Label21", nullptr,   nullptr,   "Label32", nullptr,  nullptr, nullptr},
    {Field::damping,    "Label19", "Label19", nullptr,   "Label34", "Combo4", nullptr, nullptr},
}};
// clang-format on

// The display captions whose hint names a range, with the parameter it belongs to.
constexpr std::array<std::pair<const char*, Field>, 1> kRangeHints{{{"Label5", Field::voltage}}};

const FieldNames* entry_named(std::string_view name) {
    for (const FieldNames& names : kFieldNames) {
        if (names.entry && name == names.entry) return &names;
    }
    return nullptr;
}

std::vector<Placement> placements_of(const std::vector<Control>& controls) {
    std::vector<Placement> out;
    for (const Control& control : controls)
        out.push_back(control.at);
    return out;
}

const std::vector<Placement> kPlacements = placements_of(kControls);

// The first of the faces that is installed, else the first one, for the font matcher.
QString first_installed(std::initializer_list<const char*> faces) {
    const QStringList installed = QFontDatabase::families();
    for (const char* face : faces) {
        const QString name = QString::fromUtf8(face);
        if (installed.contains(name, Qt::CaseInsensitive)) return name;
    }
    return QString::fromUtf8(*faces.begin());
}

QFont font_of(double points, Face face) {
    // Qt offers no vertical-writing face; the vertical variant is drawn upright anyway.
    QFont font(face == Face::verdana ? verdana_family() : song_family());
    font.setPointSizeF(points);
    return font;
}

// A frame as Windows draws one: an etched line half a caption line down, the caption
// standing on it over the frame's own background.
class EtchedFrame : public QGroupBox {
public:
    using QGroupBox::QGroupBox;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        const QFontMetrics metrics(font());
        const int top = metrics.height() / 2;
        const QRect line = rect().adjusted(0, top, -2, -2);
        painter.setPen(system_colour(ColourButtonShadow));
        painter.drawRect(line);
        painter.setPen(system_colour(ColourButtonHighlight));
        painter.drawRect(line.translated(1, 1));
        if (title().isEmpty()) return;
        const QRect caption(kCaptionLeft, 0, metrics.horizontalAdvance(title()) + 2 * kPad,
                            metrics.height());
        painter.fillRect(caption, palette().window());
        painter.setPen(palette().color(QPalette::WindowText));
        painter.drawText(caption, Qt::AlignCenter, title());
    }

private:
    static constexpr int kCaptionLeft = 7;
    static constexpr int kPad = 1;
};

void style(QWidget* widget, const Control& control) {
    switch (control.look) {
    case Look::display:
        paint(widget, ColourInactiveCaption, ColourCaptionText);
        break;
    case Look::display_voltage:
        paint(widget, ColourInactiveCaption, ColourHighlightText);
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
    case Kind::frame: {
        auto* frame = new EtchedFrame(text, parent);
        paint(frame, ColourInactiveCaption,
              control.at.name == std::string_view("Frame1") ? ColourInactiveCaptionText
                                                            : ColourCaptionText);
        return frame;
    }
    case Kind::label: {
        auto* label = new QLabel(text, parent);
        label->setAlignment(control.align);
        if (control.tooltip) label->setToolTip(QString::fromUtf8(control.tooltip));
        return label;
    }
    case Kind::combo:
        return new ChoiceCombo(parent);
    case Kind::entry: {
        auto* field = new EntryField(entry_named(control.at.name)->field, parent);
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
    }
    for (const auto& [caption, field] : kRangeHints) {
        QWidget* label = made.at(caption);
        const std::string hint =
            with_range(label->toolTip().toStdString().c_str(), *descriptor(field).numeric);
        label->setToolTip(QString::fromStdString(hint));
    }
}

QAction* add_item(QMenu* menu, const char* name, const char* caption) {
    QAction* action = menu->addAction(QString::fromUtf8(caption));
    action->setObjectName(QString::fromLatin1(name));
    return action;
}

void build_menus(QMainWindow* window, Form1Widgets& out) {
    QMenuBar* bar = window->menuBar();
    QMenu* file = bar->addMenu(QString::fromUtf8("文件"));
    file->setObjectName("file");
    out.open = add_item(file, "open", "导入设置");
    out.save = add_item(file, "save", "导出设置");
    QMenu* setname = bar->addMenu(QString::fromUtf8("参数"));
    setname->setObjectName("setname");
    out.seting2 = add_item(setname, "seting2", "仪器参数（手动获取）");
    out.seting3 = add_item(setname, "seting3", "核对仪器参数");
    QMenu* help = bar->addMenu(QString::fromUtf8("帮助"));
    help->setObjectName("help");
    out.helpd = add_item(help, "helpd", "帮助文档");
    out.about = add_item(help, "about", "关于......");
}

constexpr const char* kMakerName = "Kavronix ";
constexpr const char* kMakerAddress = "www.example.com ";

// A status bar panel: its text with the thin sunken edge Windows draws around it.
class StatusPanel : public QLabel {
public:
    using QLabel::QLabel;

protected:
    void paintEvent(QPaintEvent* event) override {
        QLabel::paintEvent(event);
        QPainter painter(this);
        const QRect edge = rect().adjusted(0, 0, -1, -1);
        painter.setPen(system_colour(ColourButtonShadow));
        painter.drawLine(edge.topLeft(), edge.topRight());
        painter.drawLine(edge.topLeft(), edge.bottomLeft());
        painter.setPen(system_colour(ColourButtonHighlight));
        painter.drawLine(edge.bottomLeft(), edge.bottomRight());
        painter.drawLine(edge.topRight(), edge.bottomRight());
    }
};

// A panel as wide as its text, unless it stretches.
QLabel* add_panel(QStatusBar* bar, const char* name, const QString& text, int stretch) {
    auto* panel = new StatusPanel(text, bar);
    panel->setObjectName(QString::fromLatin1(name));
    panel->setContentsMargins(3, 1, 3, 1);
    bar->addWidget(panel, stretch);
    return panel;
}

} // namespace

void set_up_status_bar(Form1Widgets& widgets) {
    QStatusBar* bar = widgets.StatusBar1;
    widgets.panels = {add_panel(bar, "Panel1", QString(), 0),
                      add_panel(bar, "Panel2", QStringLiteral(" "), 1),
                      add_panel(bar, "Panel3", QString::fromUtf8(kMakerName), 0),
                      add_panel(bar, "Panel4", QString::fromUtf8(kMakerAddress), 0)};
}

std::span<const FieldNames> field_names() {
    return kFieldNames;
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

const QString& song_family() {
    static const QString family = first_installed(
        {"SimSun", "宋体", "NSimSun", "AR PL UMing CN", "AR PL UMing TW", "AR PL SungtiL GB",
         "Songti SC", "STSong", "Noto Serif CJK SC", "Source Han Serif SC"});
    return family;
}

const QString& verdana_family() {
    static const QString family =
        first_installed({"Verdana", "DejaVu Sans", "Bitstream Vera Sans"});
    return family;
}

QIcon program_icon() {
    return QIcon(QStringLiteral(":/qlm/icon.png"));
}

Form1Widgets build_form1(QMainWindow* window) {
    Form1Widgets out;
    window->setObjectName("Form1");
    window->setWindowTitle(QString::fromUtf8("QLM-5120RX控制软件（V1.1）"));
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
    build_menus(window, out);
    window->layout()->setSizeConstraint(QLayout::SetFixedSize);
    return out;
}

} // namespace qlm
