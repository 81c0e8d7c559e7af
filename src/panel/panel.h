#pragma once
// The front panel: the parameter set on display, the operator's operations on it and the
// rules they follow (PRF interlock, probe frequency, rounding, refusals, the order of
// display and send), the link to the instrument and the timed upload. It reports what
// happened to a view, as outcomes.
//
// Each operation below is answered to its caller (operation.h): a call made while another
// operation's own work runs (a panel rule calling another) is part of that operation.

#include "link/link.h"
#include "panel/import_rules.h"
#include "panel/known.h"
#include "panel/operation.h"
#include "panel/outcome.h"
#include "panel/panel_view.h"
#include "panel/upload.h"
#include "params/entry_rules.h"
#include "params/param_set.h"

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace qlm {

// The fields the instrument holds (not the probe frequency, which follows the width) whose
// values differ between the two sets, in field order.
std::vector<Difference> differences(const param_set& shown, const param_set& instrument);

class Panel {
public:
    // `lock`: the instrument's exchange lock shared with other programs, if any.
    Panel(UsbDriver& driver, PanelView& view, InstrumentLock* lock = nullptr);

    // Every field's text onto the display panel.
    void show_all();
    // Start-up: the restored texts (or the initial ones) into the display, the lists and the
    // entries, then the instrument's own settings read back. Sends no parameter command.
    OperationId start(const std::optional<SettingsTexts>& restored, Caller caller = {});

    // The exchanges.
    OperationId read_seting(Caller caller = {});
    OperationId pw_read(Caller caller = {});
    void show_emphasis(Field field);

    // A choice list: an entry chosen (by its position in the list), the list opening.
    OperationId choose(Field field, int position, Caller caller = {});
    OperationId open_list(Field field, Caller caller = {});

    // A numeric entry field: any key (stops the upload), the key handled (emphasis),
    // a typed text confirmed by Enter, the parameter's button pressed with the field's text.
    OperationId entry_key(Field field, Caller caller = {});
    void entry_key_done(Field field);
    OperationId confirm(Field field, const std::string& typed, ConfirmedBy by, Caller caller = {});
    OperationId press_button(Field field, const std::string& typed, Caller caller = {});

    // A change as a script makes it: a list entry chosen in the opened list (opened here
    // unless `open` is false: the caller opened it), or a number confirmed with Enter. The
    // list value names an entry (choice_position).
    OperationId apply(const Change& change, bool open = true, Caller caller = {});
    // What apply() would refuse, change by change on what the display holds, each seeing the
    // ones before it; nothing is sent or shown.
    std::vector<Refused> validate(const std::vector<Change>& changes) const;
    // The same, each refusal reported as the caller's operation's outcome.
    std::vector<Refused> refuse(const std::vector<Change>& changes, Caller caller = {});

    // Menus: a set read from a file, shown as the instrument can take it and uploaded
    // (import_rules.h); the instrument read back into the
    // display and the lists; the instrument read back and compared with the display
    // (reported as Compared).
    OperationId import_set(const SettingsTexts& texts, Caller caller = {});
    OperationId read_back(Caller caller = {});
    OperationId check_instrument(Caller caller = {});
    // The instrument's settings read into what the program knows of it (known()) only: the
    // display keeps its values.
    OperationId read_instrument(Caller caller = {});
    // What the program knows the instrument holds, as a whole set (the probe frequency from
    // the width); none while a field is not known.
    std::optional<param_set> instrument_set() const;
    // Another program changed the instrument: read back as the menu does; a failure is
    // reported, not shown in a box.
    OperationId follow_instrument(Caller caller = {});
    // An exchange runs or waits in the queue.
    bool busy() const { return link_.busy(); }
    // Nothing under way: no exchange, no upload.
    bool idle() const { return !busy() && !uploading(); }

    // The watch (panel_watch.cpp), for front ends that stay open. follow_changes: when
    // another program's send changed the instrument (the lock's change count) and the panel
    // is idle, read back as follow_instrument does. watch: when idle, the settings read back
    // (ReadKind::watch) without waiting for the exchange lock; it finds the instrument gone,
    // back, or changed with no send behind it. Then fields the instrument had confirmed show
    // its values and the others keep theirs; the display as it stood before is kept for
    // restore(). Only reads that find something are reported.
    OperationId follow_changes(Caller caller = {});
    OperationId watch(Caller caller = {});
    // The display kept at the last change found, until restored; restore() uploads it.
    const std::optional<param_set>& kept() const { return kept_; }
    OperationId restore(Caller caller = {});
    // Several steps as one operation (a file read, then its import).
    OperationId run(Caller caller, const std::function<void()>& steps);
    // The program quits: the exchange in flight is finished, the rest dropped.
    void end() { link_.end(); }

    // The upload, started by an import: one tick of its timer; stopped from outside.
    OperationId start_upload(Caller caller = {});
    void tick();
    void stop_upload(UploadStop why = UploadStop::by_caller);
    // `then` once no upload runs and the last one's sends have ended (at once when so).
    void after_upload(std::function<void()> then);
    bool uploading() const { return upload_.running(); }
    int upload_step() const { return upload_.value(); }

    // Ten texts into the display, the list texts and the entry fields.
    void apply_settings_fields(const SettingsTexts& texts);

    // Reported as it happens, to the program's outcome hook and the view; front ends that run
    // files report those outcomes here too.
    void report(const Outcome& outcome);

    const param_set& params() const { return params_; }
    // What the program knows the instrument holds, and whether it answers.
    const Known& known() const { return known_; }
    // Whether the instrument holds what the display shows for the field; the probe
    // frequency goes with the width.
    bool confirmed(Field field) const;
    const std::string& prf_text_saved() const { return prf_text_saved_; }

private:
    struct Op {
        OperationId id;
        Caller caller;
        std::vector<Outcome> outcomes;
        int open = 0; // its own work still to run
    };
    using OpPtr = std::shared_ptr<Op>;
    class Within;
    OperationId operation(Caller caller, const std::function<void()>& body);
    void release(const OpPtr& op);
    // A handler run later as part of the operation under way now, which it holds until then.
    Link::ReadHandler held(Link::ReadHandler handler);
    Link::SendHandler held(Link::SendHandler handler);

    void set_field(Field field, const std::string& text);
    void send_field(Field field, std::function<void(SendResult)> then = {});
    std::optional<Link::Command> field_command(Field field, std::function<void(SendResult)> then);
    void read_settings_then(ReadKind kind, std::function<void()> then, bool asked = false);
    void set_list_texts();
    void copy_labels_to_entries();
    void choose_now(Field field, int position);
    void confirm_now(Field field, const std::string& typed, ConfirmedBy by);
    void import_now(const SettingsTexts& texts);
    void check_now();
    void read_width();
    void start_upload_now();
    void show_plan(const ImportPlan& plan);
    void watched(Link::ReadOutcome outcome, const Frame& answer);
    void upload_ended();
    void choose_prf(const std::string& prf);
    void confirm_pulse_width(const std::string& display_text);
    void follow(Field field, Field because, const std::string& text);
    void keep_pending(const param_set& before);
    void restore_unsent();
    void note_send(Field field, const std::string& text, SendResult result);
    void note_read(Link::ReadOutcome outcome, const Frame& answer, bool width_only,
                   ReadBack& noted);

    PanelView& view_;
    InstrumentLock* lock_;
    Link link_;
    param_set params_;
    Known known_;
    Upload upload_;
    std::array<bool, kFieldCount> upload_sends_{};
    std::array<int, kFieldCount> pending_{};      // commands queued, by field
    std::array<bool, kFieldCount> upload_done_{}; // the upload's step for it has come
    std::optional<param_set> before_import_;      // the display before an import's upload
    std::optional<param_set> kept_;               // the display before a change found
    bool width_first_ = false;
    bool upload_planned_ = false; // by an import; a bare start sends every field
    std::string prf_text_saved_;
    OpPtr current_;                   // the operation whose own work runs now
    OpPtr upload_op_;                 // the one whose upload runs
    const Op* upload_last_ = nullptr; // the last upload's, until it has ended
    OperationId next_id_ = 1;
    std::vector<std::function<void()>> after_upload_;
};

} // namespace qlm
