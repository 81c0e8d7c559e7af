#include "panel/panel.h"

#include "panel/panel_parts.h"
#include "params/descriptor.h"
#include "params/encoding.h"
#include "params/interlock.h"

#include <memory>
#include <utility>

namespace qlm {

using namespace panel_parts;

std::vector<Difference> differences(const param_set& shown, const param_set& instrument) {
    std::vector<Difference> out;
    for (const Field field : kAllFields) {
        if (!descriptor(field).code) continue;
        if (!same_value(field, shown[field], instrument[field]))
            out.push_back({field, shown[field], instrument[field]});
    }
    return out;
}

// What runs during an exchange's wait belongs to no operation: the operation whose send
// waits is taken up again by that send's handler.
Panel::Panel(UsbDriver& driver, PanelView& view, InstrumentLock* lock)
    : view_(view), lock_(lock),
      link_(driver,
            LinkSeams{.after =
                          [this](std::chrono::microseconds delay, std::function<void()> then) {
                              const OpPtr outer = std::exchange(current_, nullptr);
                              view_.after(delay, std::move(then));
                              current_ = outer;
                          },
                      .lock = lock}) {}

void Panel::show_all() {
    for (const Field field : kAllFields)
        view_.show_field(field, params_[field]);
}

OperationId Panel::start(const std::optional<SettingsTexts>& restored, Caller caller) {
    return operation(std::move(caller), [&] {
        if (restored) {
            apply_settings_fields(*restored);
        } else {
            set_list_texts();
            copy_labels_to_entries();
        }
        read_seting();
    });
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

// The field's command as the set holds it now; a text that encodes to nothing is skipped.
// `then` runs with the result once the command has gone.
void Panel::send_field(Field field, std::function<void(SendResult)> then) {
    if (auto command = field_command(field, std::move(then)))
        link_.write_seting(command->num, command->data_ch, command->data_ch1,
                           std::move(command->done));
}

// The field's command and its handler, which reports it in the operation under way now.
std::optional<Link::Command> Panel::field_command(Field field,
                                                  std::function<void(SendResult)> then) {
    const auto command = encode_param(params_, field);
    if (!command) return std::nullopt;
    Sent sent{field, command->code,  command->value1,      command->value2,
              {},    params_[field], SendResult::delivered};
    ++pending_[static_cast<std::size_t>(field)];
    auto done = held(Link::SendHandler([this, sent, then](SendResult result) mutable {
        --pending_[static_cast<std::size_t>(sent.field)];
        sent.delivery = result;
        // What the instrument held as this command reached it.
        if (const auto& was = known_.value(sent.field)) sent.before = was->text;
        note_send(sent.field, sent.text, result);
        if (result != SendResult::withheld) report(sent);
        if (then) then(result);
    }));
    return Link::Command{command->code, command->value1, command->value2, std::move(done)};
}

OperationId Panel::read_seting(Caller caller) {
    return operation(std::move(caller), [&] { read_settings_then(ReadKind::settings, {}); });
}

bool Panel::confirmed(Field field) const {
    if (field == Field::probe_freq) field = Field::pw;
    return known_.confirmed(field, params_[field]);
}

void Panel::note_send(Field field, const std::string& text, SendResult result) {
    switch (result) {
    case SendResult::delivered:
        known_.delivered(field, text);
        return known_.exchange(true);
    case SendResult::announce_refused:
    case SendResult::data_refused:
        known_.exchange(false);
        break;
    case SendResult::busy: // nothing went out
    case SendResult::withheld:
        break;
    }
    known_.not_delivered(field);
}

// Decoded into a set of empty texts, so that what the answer does not carry stays empty.
// What it tells of the instrument against what the program knew goes into `noted`.
void Panel::note_read(Link::ReadOutcome outcome, const Frame& answer, bool width_only,
                      ReadBack& noted) {
    if (outcome == Link::ReadOutcome::busy) return;
    known_.exchange(outcome == Link::ReadOutcome::answered);
    if (outcome != Link::ReadOutcome::answered) return;
    param_set read;
    for (const Field field : kAllFields)
        read[field].clear();
    if (width_only)
        decode_width(read, answer_settings(answer));
    else
        decode_settings(read, answer_settings(answer));
    for (const Field field : kAllFields) {
        // The probe frequency is no setting of the instrument's: it follows the width.
        if (read[field].empty() || !descriptor(field).code) continue;
        const auto& held = known_.value(field);
        if (!held)
            noted.observed.push_back({field, "", read[field]});
        else if (!same_value(field, held->text, read[field]))
            noted.updates.push_back({field, held->text, read[field]});
    }
    known_.read_back(read);
}

// A field whose command is still queued keeps what the display shows: the answer was read
// before that command reaches the instrument. The probe frequency goes with the width.
void Panel::keep_pending(const param_set& before) {
    for (const Field field : kAllFields) {
        if (pending_[static_cast<std::size_t>(field)]) params_[field] = before[field];
    }
    if (pending_[static_cast<std::size_t>(Field::pw)]) params_.probe_freq = before.probe_freq;
}

void Panel::read_settings_then(ReadKind kind, std::function<void()> then, bool asked) {
    link_.read_settings(held(Link::ReadHandler(
        [this, kind, then, asked](Link::ReadOutcome outcome, const Frame& answer) {
            ReadBack read{kind, read_result(outcome), {}, asked};
            note_read(outcome, answer, false, read);
            if (outcome == Link::ReadOutcome::answered) {
                const param_set before = params_;
                decode_settings(params_, answer_settings(answer));
                keep_pending(before);
                show_all();
                copy_labels_to_entries();
            }
            report(read);
            if (failed(outcome)) stop_upload(UploadStop::read_failed);
            if (then) then();
        })));
}

OperationId Panel::pw_read(Caller caller) {
    return operation(std::move(caller), [&] { read_width(); });
}

void Panel::read_width() {
    link_.read_width(held(Link::ReadHandler([this](Link::ReadOutcome outcome, const Frame& answer) {
        ReadBack read{ReadKind::width, read_result(outcome)};
        note_read(outcome, answer, true, read);
        if (outcome == Link::ReadOutcome::answered) {
            const std::string before = params_.pw;
            decode_width(params_, answer_settings(answer));
            if (pending_[static_cast<std::size_t>(Field::pw)]) params_.pw = before;
            view_.show_field(Field::pw, params_.pw);
        }
        report(read);
        if (failed(outcome)) stop_upload(UploadStop::read_failed);
    })));
}

// ---- the choice lists

OperationId Panel::choose(Field field, int position, Caller caller) {
    return operation(std::move(caller), [&] { choose_now(field, position); });
}

void Panel::choose_now(Field field, int position) {
    show_emphasis(field);
    const ParamDescriptor& param = descriptor(field);
    if (position < 0 || static_cast<std::size_t>(position) >= param.choices.size()) return;
    const std::string text = param.choices[static_cast<std::size_t>(position)].text;
    if (field == Field::prf) return choose_prf(text);
    // The set holds the choice from the start, so that whatever runs during the send's wait
    // (a comparison, an export) sees it; the label shows it before or after the send.
    params_[field] = text;
    if (param.label_first) {
        view_.show_field(field, text);
        return send_field(field);
    }
    // After the send and its report; what the set holds then (a later choice came later).
    send_field(field, [this, field](SendResult) { view_.show_field(field, params_[field]); });
}

OperationId Panel::open_list(Field field, Caller caller) {
    return operation(std::move(caller), [&] {
        if (field != Field::prf) return;
        read_width();
        prf_text_saved_ = view_.list_text(Field::prf);
    });
}

void Panel::choose_prf(const std::string& prf) {
    if (!prf_choice_allowed(prf, params_.pw)) {
        report(Refused{Field::prf, Rule::prf_not_allowed, ConfirmedBy::enter, prf});
        view_.set_list_text(Field::prf, prf_text_saved_);
        return;
    }
    params_.prf = prf; // as for the other lists: the set holds it during the send
    send_field(Field::prf, [this](SendResult) { view_.show_field(Field::prf, params_.prf); });
}

// ---- the entry fields

OperationId Panel::entry_key(Field, Caller caller) {
    return operation(std::move(caller), [&] { stop_upload(UploadStop::entry_key); });
}

void Panel::entry_key_done(Field field) {
    show_emphasis(field);
}

OperationId Panel::press_button(Field field, const std::string& typed, Caller caller) {
    return operation(std::move(caller), [&] {
        stop_upload(UploadStop::button);
        show_emphasis(field);
        confirm_now(field, typed, ConfirmedBy::button);
        // Unconfirmed edits in the other two fields are dropped.
        for (const Field other : entry_fields()) {
            if (other != field) view_.set_entry_text(other, params_[other]);
        }
    });
}

OperationId Panel::confirm(Field field, const std::string& typed, ConfirmedBy by, Caller caller) {
    return operation(std::move(caller), [&] { confirm_now(field, typed, by); });
}

void Panel::confirm_now(Field field, const std::string& typed, ConfirmedBy by) {
    const EntryResult result = confirm_entry(field, typed);
    if (result.field_text != typed) view_.set_entry_text(field, result.field_text);
    if (!result.accepted) {
        report(Refused{field, result.number ? Rule::out_of_range : Rule::not_a_number, by, typed});
        return;
    }
    set_field(field, result.display_text);
    if (field == Field::pw) return confirm_pulse_width(result.display_text);
    send_field(field);
}

// A field shown anew because another one changed; nothing is sent for it.
void Panel::follow(Field field, Field because, const std::string& text) {
    const std::string before = params_[field];
    set_field(field, text);
    if (before != text) report(DisplayOnly{field, because, before, text});
}

// The probe frequency follows the width. A PRF the width does not allow comes down to what
// it allows and goes out first, so the instrument never runs outside its envelope; when that
// send fails the width is not sent.
void Panel::confirm_pulse_width(const std::string& display_text) {
    const Decimal width = *parse_decimal(display_text);
    // After the send and its report: the probe frequency, the PRF list.
    const std::function<void(SendResult)> then = [this, width](SendResult) {
        follow(Field::probe_freq, Field::pw, probe_freq_text(width.num));
        view_.set_list_text(Field::prf, list_text(Field::prf, params_.prf));
    };
    const auto lowered = prf_lowered_for(params_.prf, width);
    if (!lowered) return send_field(Field::pw, then);
    set_field(Field::prf, *lowered);
    // Both queued now, in this order; the width goes only if the PRF arrived.
    std::vector<Link::Command> chain;
    for (const Field field : {Field::prf, Field::pw}) {
        if (auto command =
                field_command(field, field == Field::pw ? then : std::function<void(SendResult)>()))
            chain.push_back(std::move(*command));
    }
    link_.write_chain(std::move(chain));
}

// ---- changes from a script

OperationId Panel::apply(const Change& change, bool open, Caller caller) {
    return operation(std::move(caller), [&] {
        const auto position = choice_position(change.field, change.value);
        if (descriptor(change.field).choices.empty()) {
            confirm_now(change.field, change.value, ConfirmedBy::enter);
        } else if (!position) {
            report(Refused{change.field, Rule::not_an_entry, ConfirmedBy::enter, change.value});
        } else {
            if (open) open_list(change.field);
            choose_now(change.field, static_cast<int>(*position));
        }
    });
}

std::vector<Refused> Panel::refuse(const std::vector<Change>& changes, Caller caller) {
    const std::vector<Refused> refused = validate(changes);
    operation(std::move(caller), [&] {
        for (const Refused& each : refused)
            report(each);
    });
    return refused;
}

std::vector<Refused> Panel::validate(const std::vector<Change>& changes) const {
    param_set set = params_;
    std::vector<Refused> refused;
    for (const Change& change : changes) {
        const Field field = change.field;
        if (!descriptor(field).choices.empty()) {
            const auto position = choice_position(field, change.value);
            if (!position) {
                refused.push_back({field, Rule::not_an_entry, ConfirmedBy::enter, change.value});
                continue;
            }
            const std::string text = descriptor(field).choices[*position].text;
            if (field == Field::prf && !prf_choice_allowed(text, set.pw)) {
                refused.push_back({field, Rule::prf_not_allowed, ConfirmedBy::enter, change.value});
                continue;
            }
            set[field] = text;
            continue;
        }
        const EntryResult result = confirm_entry(field, change.value);
        if (!result.accepted) {
            refused.push_back({field, result.number ? Rule::out_of_range : Rule::not_a_number,
                               ConfirmedBy::enter, change.value});
            continue;
        }
        set[field] = result.display_text;
        if (field != Field::pw) continue;
        if (const auto lowered = prf_lowered_for(set.prf, *parse_decimal(result.display_text)))
            set.prf = *lowered;
    }
    return refused;
}

} // namespace qlm
