// The panel's menus over the whole set: an import and its timed upload, the read-back, the
// comparison with the instrument.
#include "panel/import_rules.h"
#include "panel/panel.h"
#include "panel/panel_parts.h"
#include "params/descriptor.h"
#include "params/encoding.h"
#include "params/interlock.h"

#include <utility>

namespace qlm {

using namespace panel_parts;

// ---- import, read-back, comparison

OperationId Panel::import_set(const SettingsTexts& texts, Caller caller) {
    return operation(std::move(caller), [&] { import_now(texts); });
}

void Panel::import_now(const SettingsTexts& texts) {
    // An upload still running ends first, so that the new one starts from what was sent.
    stop_upload(UploadStop::new_import);
    const ImportPlan plan = plan_import(params_, texts);
    show_plan(plan);
    report(Imported{plan.notes});
    start_upload_now();
}

// The set onto the display, as the instrument can take it; the upload to start sends it.
void Panel::show_plan(const ImportPlan& plan) {
    before_import_ = params_;
    apply_settings_fields(plan.shown);
    upload_sends_ = plan.sends;
    width_first_ = plan.width_first;
    upload_planned_ = true;
}

OperationId Panel::read_back(Caller caller) {
    return operation(std::move(caller), [&] {
        read_settings_then(
            ReadKind::settings, [this] { set_list_texts(); }, true);
    });
}

OperationId Panel::follow_instrument(Caller caller) {
    return operation(std::move(caller),
                     [&] { read_settings_then(ReadKind::follow, [this] { set_list_texts(); }); });
}

OperationId Panel::read_instrument(Caller caller) {
    return operation(std::move(caller), [&] {
        link_.read_settings(
            held(Link::ReadHandler([this](Link::ReadOutcome outcome, const Frame& answer) {
                ReadBack read{ReadKind::query, read_result(outcome)};
                note_read(outcome, answer, false, read);
                report(read);
            })));
    });
}

std::optional<param_set> Panel::instrument_set() const {
    param_set set;
    for (const Field field : kAllFields) {
        if (!descriptor(field).code) continue;
        const auto& known = known_.value(field);
        if (!known) return std::nullopt;
        set[field] = known->text;
    }
    const auto width = parse_decimal(set.pw);
    if (!width) return std::nullopt;
    set.probe_freq = probe_freq_text(width->num);
    return set;
}

OperationId Panel::check_instrument(Caller caller) {
    return operation(std::move(caller), [&] { check_now(); });
}

void Panel::check_now() {
    link_.read_settings(
        held(Link::ReadHandler([this](Link::ReadOutcome outcome, const Frame& answer) {
            ReadBack read{ReadKind::check, read_result(outcome), {}, true};
            note_read(outcome, answer, false, read);
            report(read);
            if (failed(outcome)) stop_upload(UploadStop::read_failed);
            if (outcome != Link::ReadOutcome::answered) return;
            param_set instrument = params_;
            decode_settings(instrument, answer_settings(answer));
            report(Compared{Against::display, differences(params_, instrument)});
        })));
}

// ---- the timed upload

// An import's upload stopped early: the fields it has not sent show again what they showed
// before the import, which is what the instrument holds; the display never shows a value
// that was not sent. Entry fields keep what the operator is typing.
void Panel::restore_unsent() {
    if (!before_import_) return;
    for (const Field field : kAllFields) {
        const auto index = static_cast<std::size_t>(field);
        if (!descriptor(field).code || upload_done_[index]) continue;
        if (params_[field] == (*before_import_)[field]) continue;
        follow(field, field, (*before_import_)[field]);
        if (!descriptor(field).choices.empty())
            view_.set_list_text(field, list_text(field, params_[field]));
        if (field == Field::pw) follow(Field::probe_freq, Field::pw, before_import_->probe_freq);
    }
    before_import_.reset();
}

OperationId Panel::start_upload(Caller caller) {
    return operation(std::move(caller), [&] { start_upload_now(); });
}

// The operation under way holds the upload until it finishes or stops.
void Panel::start_upload_now() {
    if (!std::exchange(upload_planned_, false)) {
        upload_sends_.fill(true);
        width_first_ = false;
        before_import_.reset();
    }
    upload_done_.fill(false);
    view_.hold_controls(true);
    view_.show_progress(0);
    upload_.start();
    upload_op_ = current_;
    upload_last_ = upload_op_.get();
    if (upload_op_) ++upload_op_->open;
    report(UploadStarted{});
    view_.run_timer(true);
}

void Panel::tick() {
    Within within(*this, upload_op_);
    const auto step = upload_.tick();
    if (!step) return view_.run_timer(false);
    view_.show_progress(step->value);
    report(UploadStep{step->value});
    if (step->finished) {
        view_.run_timer(false);
        view_.show_progress(std::nullopt);
        view_.hold_controls(false);
    }
    if (step->field) {
        Field field = *step->field;
        // PRF and width change places when the new PRF needs the new width.
        if (width_first_ && field == Field::prf)
            field = Field::pw;
        else if (width_first_ && field == Field::pw)
            field = Field::prf;
        const auto index = static_cast<std::size_t>(field);
        upload_done_[index] = true;
        if (upload_sends_[index]) send_field(field);
    }
    if (step->finished) {
        report(UploadFinished{});
        upload_ended();
    }
}

// The upload's hold on its operation ends.
void Panel::upload_ended() {
    release(std::exchange(upload_op_, nullptr));
}

void Panel::after_upload(std::function<void()> then) {
    if (!uploading() && !upload_last_) return then();
    after_upload_.push_back(std::move(then));
}

// A stopped upload gives the controls back: the operator is never left with a dead panel.
void Panel::stop_upload(UploadStop why) {
    view_.run_timer(false);
    if (!upload_.running()) return;
    upload_.stop();
    Within within(*this, upload_op_);
    restore_unsent();
    view_.show_progress(std::nullopt);
    view_.hold_controls(false);
    report(UploadStopped{why, upload_.value()});
    upload_ended();
}

} // namespace qlm
