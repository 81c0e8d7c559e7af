#pragma once
// The front panel: the parameter set on display, the operator's operations on it and the
// rules they follow (PRF interlock, probe frequency, rounding, refusals, the order of
// display and send), the link to the instrument and the timed upload. It reports what
// happened to a view, as outcomes.

#include "link/link.h"
#include "panel/known.h"
#include "panel/outcome.h"
#include "panel/panel_view.h"
#include "panel/upload.h"
#include "params/entry_rules.h"
#include "params/param_set.h"

#include <array>
#include <functional>
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
    void start(const std::optional<SettingsTexts>& restored);

    // The exchanges.
    void read_seting();
    void pw_read();
    void show_emphasis(Field field);

    // A choice list: an entry chosen (by its position in the list), the list opening.
    void choose(Field field, int position);
    void open_list(Field field);

    // A numeric entry field: any key (stops the upload), the key handled (emphasis),
    // a typed text confirmed by Enter, the parameter's button pressed with the field's text.
    void entry_key(Field field);
    void entry_key_done(Field field);
    void confirm(Field field, const std::string& typed, ConfirmedBy by);
    void press_button(Field field, const std::string& typed);

    // A change as a script makes it: a list entry chosen in the opened list (opened here
    // unless `open` is false: the caller opened it), or a number confirmed with Enter. The
    // list value names an entry (choice_position).
    void apply(const Change& change, bool open = true);
    // What apply() would refuse, change by change on what the display holds, each seeing the
    // ones before it; nothing is sent or shown.
    std::vector<Refused> validate(const std::vector<Change>& changes) const;

    // Menus: a set read from a file, shown as the instrument can take it and uploaded
    // (import_rules.h); the instrument read back into the
    // display and the lists; the instrument read back and compared with the display
    // (reported as Compared).
    void import_set(const SettingsTexts& texts);
    void read_back();
    void check_instrument();
    // Another program changed the instrument: read back as the menu does; a failure is
    // reported, not shown in a box.
    void follow_instrument();
    // An exchange runs or waits in the queue.
    bool busy() const { return link_.busy(); }

    // The upload, started by an import: one tick of its timer; stopped from outside.
    void start_upload();
    void tick();
    void stop_upload(UploadStop why = UploadStop::by_caller);
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
    void set_field(Field field, const std::string& text);
    void send_field(Field field, std::function<void(SendResult)> then = {},
                    std::function<bool()> when = {});
    void read_settings_then(ReadKind kind, std::function<void()> then, bool asked = false);
    void set_list_texts();
    void copy_labels_to_entries();
    void choose_prf(const std::string& prf);
    void confirm_pulse_width(const std::string& display_text);
    void follow(Field field, Field because, const std::string& text);
    void keep_pending(const param_set& before);
    void restore_unsent();
    void note_send(Field field, const std::string& text, SendResult result);
    void note_read(Link::ReadOutcome outcome, const Frame& answer, bool width_only,
                   ReadBack& noted);

    PanelView& view_;
    Link link_;
    param_set params_;
    Known known_;
    Upload upload_;
    std::array<bool, kFieldCount> upload_sends_{};
    std::array<int, kFieldCount> pending_{};      // commands queued, by field
    std::array<bool, kFieldCount> upload_done_{}; // the upload's step for it has come
    std::optional<param_set> before_import_;      // the display before an import's upload
    bool width_first_ = false;
    bool upload_planned_ = false; // by an import; a bare start sends every field
    std::string prf_text_saved_;
};

} // namespace qlm
