// The three numeric entries: key filters, confirmation by Enter or by button.
#include "ui/main_window.h"

#include "params/choices.h"
#include "params/encoding.h"
#include "ui/choice_combo.h"
#include "ui/entry_field.h"

#include <QLabel>
#include <QTimer>

namespace qlm {

Field MainWindow::field_of(Entry entry) {
    switch (entry) {
    case Entry::voltage:
        return Field::voltage;
    case Entry::width:
        return Field::pw;
    case Entry::gain:
        return Field::gain;
    }
    return Field::gain;
}

EntryField* MainWindow::entry_field(Entry entry) const {
    switch (entry) {
    case Entry::voltage:
        return ui_.Text1;
    case Entry::width:
        return ui_.Text2;
    case Entry::gain:
        return ui_.Text3;
    }
    return nullptr;
}

void MainWindow::on_entry_key(EntryField*) { stop_upload(); }

void MainWindow::on_entry_done(EntryField* field) { show_emphasis(field_of(field->entry())); }

void MainWindow::on_button(Entry entry) {
    stop_upload();
    show_emphasis(field_of(entry));
    on_confirm(entry, ConfirmedBy::button);
    // Unconfirmed edits in the other two fields are dropped.
    for (const Entry other : {Entry::gain, Entry::width, Entry::voltage}) {
        if (other != entry)
            entry_field(other)->setText(QString::fromStdString(params_[field_of(other)]));
    }
}

void MainWindow::on_confirm(Entry entry, ConfirmedBy by) {
    switch (entry) {
    case Entry::voltage:
        return confirm_voltage(by);
    case Entry::width:
        return confirm_pulse_width(by);
    case Entry::gain:
        return confirm_gain(by);
    }
}

void MainWindow::confirm_voltage(ConfirmedBy by) {
    const EntryResult result = confirm_entry(Entry::voltage, ui_.Text1->text().toStdString());
    ui_.Text1->setText(QString::fromStdString(result.field_text));
    if (!result.accepted) return error(QString::fromUtf8(refusal_text(Entry::voltage, by)));
    set_field(Field::voltage, result.display_text);
    send_field(Field::voltage);
}

void MainWindow::confirm_pulse_width(ConfirmedBy by) {
    const EntryResult result = confirm_entry(Entry::width, ui_.Text2->text().toStdString());
    if (!result.accepted) return error(QString::fromUtf8(refusal_text(Entry::width, by)));
    ui_.Text2->setText(QString::fromStdString(result.field_text));
    set_field(Field::pw, result.display_text);
    send_field(Field::pw);
    const Decimal width = *parse_decimal(result.display_text);
    set_field(Field::probe_freq, probe_freq_text(width.num));
    // The shown PRF comes down to what the width allows; nothing is sent for it here.
    if (const auto prf = parse_decimal(params_.prf); prf && !prf_allowed(*prf, width))
        set_field(Field::prf, std::to_string(max_prf_for_pw(width)));
    ui_.combo(2)->setEditText(QString::fromStdString(list_text(Field::prf, params_.prf)));
}

void MainWindow::confirm_gain(ConfirmedBy by) {
    const EntryResult result = confirm_entry(Entry::gain, ui_.Text3->text().toStdString());
    if (!result.accepted) return error(QString::fromUtf8(refusal_text(Entry::gain, by)));
    set_field(Field::gain, result.display_text);
    send_field(Field::gain);
}

} // namespace qlm
