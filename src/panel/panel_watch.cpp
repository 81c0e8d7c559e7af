// The watch: an idle panel looks at the instrument now and then, follows another program's
// counted change, notices the instrument gone, back or changed behind its back, and can
// upload again what the display held before.
#include "panel/panel.h"
#include "panel/panel_parts.h"

namespace qlm {

using namespace panel_parts;

OperationId Panel::follow_changes(Caller caller) {
    if (!idle() || !lock_ || !lock_->changed_elsewhere()) return 0;
    lock_->take_changes();
    return follow_instrument(std::move(caller));
}

OperationId Panel::watch(Caller caller) {
    if (!idle()) return 0;
    // A counted change is another program's send: followed as such, not taken for a reset.
    if (lock_ && lock_->changed_elsewhere()) return follow_changes(std::move(caller));
    return operation(std::move(caller), [&] {
        link_.read_settings(
            held(Link::ReadHandler([this](Link::ReadOutcome outcome, const Frame& answer) {
                watched(outcome, answer);
            })),
            true);
    });
}

void Panel::watched(Link::ReadOutcome outcome, const Frame& answer) {
    const auto& presence = known_.presence();
    const bool answered_before = presence && presence->answered;
    std::array<bool, kFieldCount> confirmed_before{};
    for (const Field field : kAllFields)
        confirmed_before[static_cast<std::size_t>(field)] = confirmed(field);
    ReadBack read{ReadKind::watch, read_result(outcome)};
    note_read(outcome, answer, false, read);
    if (outcome == Link::ReadOutcome::busy) return; // another program's exchange: next time
    const bool answers = outcome == Link::ReadOutcome::answered;
    if (answers) {
        const param_set before = params_;
        decode_settings(params_, answer_settings(answer));
        // What the instrument never confirmed stays the operator's, marked.
        for (const Field field : kAllFields) {
            if (!confirmed_before[static_cast<std::size_t>(field)]) params_[field] = before[field];
        }
        keep_pending(before);
        param_set instrument = before;
        decode_settings(instrument, answer_settings(answer));
        const bool changed = !read.updates.empty() ||
                             (!read.observed.empty() && !differences(before, instrument).empty());
        if (changed) kept_ = before;
        show_all();
        set_list_texts();
        copy_labels_to_entries();
    }
    if (read.updates.empty() && read.observed.empty() && answers == answered_before) return;
    report(read);
}

OperationId Panel::restore(Caller caller) {
    return operation(std::move(caller), [&] {
        if (!kept_ || uploading()) return;
        const SettingsTexts texts = kept_->texts();
        kept_.reset();
        show_plan(plan_import(params_, texts));
        start_upload_now();
    });
}

} // namespace qlm
