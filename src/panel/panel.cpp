#include "panel/panel.h"

#include "params/descriptor.h"
#include "params/encoding.h"
#include "params/interlock.h"

namespace qlm {

std::vector<Difference> differences(const param_set& shown, const param_set& instrument) {
    std::vector<Difference> out;
    for (const Field field : kAllFields) {
        if (!descriptor(field).code) continue;
        if (!same_value(field, shown[field], instrument[field]))
            out.push_back({field, shown[field], instrument[field]});
    }
    return out;
}

std::string comparison_text(const std::vector<Difference>& differences) {
    if (differences.empty()) return "仪器参数与显示面板一致。";
    std::string text = "以下参数与显示面板不一致：";
    for (const Difference& d : differences) {
        text += "\n" + std::string(descriptor(d.field).title) + "：显示 " +
                shown_text(d.field, d.shown) + "，仪器 " + shown_text(d.field, d.instrument);
    }
    return text;
}

Panel::Panel(UsbDriver& driver, PanelView& view)
    : view_(view),
      link_(driver, LinkSeams{[this](long passes) { view_.wait(passes); },
                              [this](const std::string& text) { view_.message(text); }}) {}

void Panel::show_all() {
    for (const Field field : kAllFields)
        view_.show_field(field, params_[field]);
}

void Panel::start(const std::optional<SettingsTexts>& restored) {
    if (restored) {
        apply_settings_fields(*restored);
    } else {
        set_list_texts();
        copy_labels_to_entries();
    }
    read_seting();
}

// ---- the display panel

void Panel::set_field(Field field, const std::string& text) {
    params_[field] = text;
    view_.show_field(field, text);
}

void Panel::show_emphasis(Field field) {
    view_.show_emphasis(field);
}

void Panel::apply_settings_fields(const SettingsTexts& texts) {
    for (const Field field : kAllFields)
        set_field(field, texts[static_cast<std::size_t>(field)]);
    set_list_texts();
    copy_labels_to_entries();
}

void Panel::set_list_texts() {
    for (const Field field : list_fields())
        view_.set_list_text(field, list_text(field, params_[field]));
}

void Panel::copy_labels_to_entries() {
    for (const Field field : entry_fields())
        view_.set_entry_text(field, params_[field]);
}

// ---- the link

void Panel::write_seting(std::uint8_t num, std::uint8_t data_ch, std::uint8_t data_ch1) {
    link_.write_seting(num, data_ch, data_ch1);
}

void Panel::send_field(Field field) {
    if (const auto command = encode_param(params_, field))
        write_seting(command->code, command->value1, command->value2);
}

void Panel::read_seting() {
    read_settings_then({});
}

void Panel::read_settings_then(std::function<void()> then) {
    link_.read_settings([this, then](Link::ReadOutcome outcome, const Frame& answer) {
        if (outcome == Link::ReadOutcome::refused) stop_upload();
        if (outcome == Link::ReadOutcome::answered) {
            decode_settings(params_, answer_settings(answer));
            show_all();
            copy_labels_to_entries();
        }
        if (then) then();
    });
}

void Panel::pw_read() {
    link_.read_width([this](Link::ReadOutcome outcome, const Frame& answer) {
        if (outcome == Link::ReadOutcome::refused) stop_upload();
        if (outcome != Link::ReadOutcome::answered) return;
        decode_width(params_, answer_settings(answer));
        view_.show_field(Field::pw, params_.pw);
    });
}

// ---- the choice lists

void Panel::choose(Field field, int position) {
    show_emphasis(field);
    const ParamDescriptor& param = descriptor(field);
    if (position < 0 || static_cast<std::size_t>(position) >= param.choices.size()) return;
    const std::string text = param.choices[static_cast<std::size_t>(position)].text;
    if (field == Field::prf) return choose_prf(text);
    const auto command = encode_text(field, text);
    // The set holds the choice from the start, so that whatever runs during the send's wait
    // (a comparison, an export) sees it; the label shows it before or after the send.
    params_[field] = text;
    if (param.label_first) view_.show_field(field, text);
    if (command) write_seting(command->code, command->value1, command->value2);
    if (!param.label_first) set_field(field, text);
}

void Panel::open_list(Field field) {
    if (field != Field::prf) return;
    pw_read();
    prf_text_saved_ = view_.list_text(Field::prf);
}

void Panel::choose_prf(const std::string& prf) {
    if (!prf_choice_allowed(prf, params_.pw)) {
        view_.message("重复频率与脉冲宽度不匹配，请重新选择重复频率！");
        view_.set_list_text(Field::prf, prf_text_saved_);
        return;
    }
    params_.prf = prf; // as for the other lists: the set holds it during the send
    if (const auto command = encode_text(Field::prf, prf))
        write_seting(command->code, command->value1, command->value2);
    set_field(Field::prf, prf);
}

// ---- the entry fields

void Panel::entry_key(Field) {
    stop_upload();
}

void Panel::entry_key_done(Field field) {
    show_emphasis(field);
}

void Panel::press_button(Field field, const std::string& typed) {
    stop_upload();
    show_emphasis(field);
    confirm(field, typed, ConfirmedBy::button);
    // Unconfirmed edits in the other two fields are dropped.
    for (const Field other : entry_fields()) {
        if (other != field) view_.set_entry_text(other, params_[other]);
    }
}

void Panel::confirm(Field field, const std::string& typed, ConfirmedBy by) {
    const EntryResult result = confirm_entry(field, typed);
    if (result.field_text != typed) view_.set_entry_text(field, result.field_text);
    if (!result.accepted) return view_.message(refusal_text(field, by));
    set_field(field, result.display_text);
    send_field(field);
    if (field == Field::pw) confirm_pulse_width(result.display_text);
}

// The probe frequency follows the width, and the shown PRF comes down to what the width
// allows; nothing is sent for the PRF here.
void Panel::confirm_pulse_width(const std::string& display_text) {
    const Decimal width = *parse_decimal(display_text);
    set_field(Field::probe_freq, probe_freq_text(width.num));
    if (const auto lowered = prf_lowered_for(params_.prf, width)) set_field(Field::prf, *lowered);
    view_.set_list_text(Field::prf, list_text(Field::prf, params_.prf));
}

// ---- import, read-back, comparison

void Panel::import_set(const SettingsTexts& texts) {
    apply_settings_fields(texts);
    start_upload();
}

void Panel::read_back() {
    read_settings_then([this] { set_list_texts(); });
}

void Panel::check_instrument(std::function<void(const std::vector<Difference>&)> done) {
    link_.read_settings([this, done](Link::ReadOutcome outcome, const Frame& answer) {
        if (outcome == Link::ReadOutcome::refused) stop_upload();
        if (outcome != Link::ReadOutcome::answered) return;
        param_set instrument = params_;
        decode_settings(instrument, answer_settings(answer));
        if (done) done(differences(params_, instrument));
    });
}

// ---- the timed upload

void Panel::start_upload() {
    view_.hold_controls(true);
    view_.show_progress(0);
    upload_.start();
    view_.run_timer(true);
}

void Panel::tick() {
    const auto step = upload_.tick();
    if (!step) return view_.run_timer(false);
    view_.show_progress(step->value);
    if (step->finished) {
        view_.run_timer(false);
        view_.show_progress(std::nullopt);
        view_.hold_controls(false);
    }
    if (step->field) send_field(*step->field);
}

// A stopped upload gives the controls back: the operator is never left with a dead panel.
void Panel::stop_upload() {
    view_.run_timer(false);
    if (!upload_.running()) return;
    upload_.stop();
    view_.show_progress(std::nullopt);
    view_.hold_controls(false);
}

} // namespace qlm
