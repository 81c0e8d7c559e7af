#include "ui/accessible_names.h"

#include "panel/texts.h"
#include "ui/choice_combo.h"
#include "ui/entry_field.h"

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

namespace qlm {

namespace {

QString qs(const std::string& text) {
    return QString::fromStdString(text);
}

// Each list's caption above it, which names it where the list's own name is its text
// (AT-SPI).
constexpr std::pair<const char*, const char*> kListCaptions[] = {
    {"Label43", "Combo1"}, {"Label24", "Combo2"}, {"Label25", "Combo3"},
    {"Label26", "Combo4"}, {"Label27", "Combo5"}, {"Label39", "Combo6"},
};

} // namespace

void describe_controls(const Form1Widgets& ui) {
    for (const Field field : kAllFields) {
        const FieldControls& controls = ui.of(field);
        for (QLabel* label : {controls.value, controls.emphasis})
            if (label) label->setAccessibleDescription(qs(texts::spoken_display(field)));
        if (controls.list) controls.list->setAccessibleName(qs(texts::spoken_list(field)));
        if (controls.entry) {
            controls.entry->setAccessibleName(qs(texts::spoken_entry(field)));
            controls.entry->setAccessibleDescription(qs(texts::spoken_entry_help(field)));
        }
        if (controls.button) {
            controls.button->setAccessibleName(controls.button->text());
            controls.button->setAccessibleDescription(qs(texts::spoken_button_help(field)));
        }
        describe_value(ui, field);
    }
    for (const auto& [caption, list] : kListCaptions) {
        auto* label = ui.Frame2->findChild<QLabel*>(QLatin1String(caption));
        if (label) label->setBuddy(ui.Frame2->findChild<QWidget*>(QLatin1String(list)));
    }
}

void describe_value(const Form1Widgets& ui, Field field, bool confirmed) {
    const FieldControls& controls = ui.of(field);
    if (!controls.value) return;
    const std::string text = controls.value->text().toStdString();
    const QString name = qs(texts::spoken_value(field, text, confirmed));
    // The high-pass filter's "1" is drawn apart from its unit: both say the whole value.
    for (QLabel* label : {controls.value, controls.emphasis}) {
        if (label && label->accessibleName() != name) label->setAccessibleName(name);
    }
    if (controls.list)
        controls.list->setAccessibleDescription(qs(texts::spoken_list_help(field, text)));
}

} // namespace qlm
