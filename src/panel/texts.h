#pragma once
// Every text the operator reads about what happened, rendered from outcomes. The entry
// fields' refusal texts stay in the parameters' descriptions and are read from there.

#include "link/instrument_lock.h"
#include "panel/known.h"
#include "panel/outcome.h"

#include <optional>
#include <span>
#include <string>

namespace qlm::texts {

extern const char* const kConnectionFailed;
extern const char* const kPrfNotForWidth;
extern const char* const kInstrumentBusy;
// A read-back the operator asked for whose answer never came.
extern const char* const kNoAnswer;

// The refusal's message box text.
std::string refusal(const Refused& refused);

std::string import_failed(const std::string& path, const std::string& reason);
std::string export_failed(const std::string& path, const std::string& reason);
std::string read_failed(const std::string& path, const std::string& reason);

// The automatic settings file at start-up and at shutdown.
std::string restore_failed(const std::string& reason);
std::string save_failed(const std::string& reason);

// Help: no manual found (the folders searched), nothing to open it with, no viewer started.
std::string help_missing(const std::string& file, const std::string& folders);
std::string no_help_viewer(const std::string& file);
extern const char* const kHelpViewerFailed;

// The journal's result for settings the watch found changed with no send behind them.
extern const char* const kChangedOutside;
// The status bar's hint after the watch found something: the instrument gone or back, each
// field changed ("仪器参数被外部改变（可能重新上电）：接收增益 39dB→0dB").
std::string watch_hint(const ReadBack& read);
// The status bar's hint after a read-back that followed another program's change.
std::string follow_hint(const ReadBack& read);

// The fields of an imported file that were not taken as the file has them, one a line.
std::string import_notes(const std::vector<ImportNote>& notes);

// The comparison: "仪器参数与显示面板一致。", or one line per differing field.
std::string comparison(const Compared& compared);
extern const char* const kCheckTitle;

// The console's line for a command: "已发送 damping=150Ω（8 3 0）"; one whose data frame the
// instrument refused "未送达 damping=150Ω（8 3 0）：仪器未接收".
std::string sent_line(const Sent& sent);
// The console's line for a value shown but not sent: "仅显示 prf=500Hz（未发送）".
std::string display_only_line(Field field, const std::string& text);

// The remote control (SCPI over TCP): its options, and the notes on its clients.
std::string remote_bad_port(const std::string& port);
std::string remote_bad_address(const std::string& address);
std::string remote_listen_needs_allow();
std::string remote_empty_allow_item(int position);
std::string remote_allow_everyone(const std::string& item);
std::string remote_cannot_listen(const std::string& where, const std::string& reason);
std::string remote_listening(const std::string& where);
std::string remote_refused(const std::string& peer);
// A local client of another user, or one whose user could not be found (`why`).
std::string remote_refused_other_user(const std::string& peer);
std::string remote_refused_unknown_user(const std::string& peer, const std::string& why);
std::string remote_too_many(const std::string& peer, int most);
std::string remote_gave_way(const std::string& idle, const std::string& peer, int most);
std::string remote_overrun(const std::string& peer, long long most);
std::string remote_not_reading(const std::string& peer);
std::string remote_stopped();
// The status bar's panel: "SCPI 127.0.0.1:5025 · 2 个客户端", or off.
std::string remote_status(const std::string& where, int clients);

// Whether the instrument answers, for the status bar's first panel: "仪器已连接", or
// "仪器无应答（14:03:07）" since the first exchange it did not answer; nothing before the
// first exchange.
std::string presence(const std::optional<Presence>& presence);
// A value the instrument has not confirmed: its label's tooltip, and what a screen reader adds.
extern const char* const kUnconfirmed;

// What a screen reader says of the window's controls: a value with its unit
// ("脉冲电压 -100 V", "阻尼 150 Ω，仪器未确认"), and what each control is and does.
std::string spoken_value(Field field, const std::string& text, bool confirmed = true);
std::string spoken_display(Field field);
std::string spoken_list(Field field);
std::string spoken_list_help(Field field, const std::string& text);
std::string spoken_entry(Field field);
std::string spoken_entry_help(Field field);
std::string spoken_button_help(Field field);

// A second start of the window program that hands its file to the running window.
std::string hand_over_ignores(const std::string& arguments);
extern const char* const kHandOverNoAnswer;
std::string hand_over_cannot_listen(const std::string& reason);

// The box a window shows for an outcome, if any.
struct Notice {
    bool error; // titled "错误"; else an information box with `title`
    std::string title;
    std::string text;
};
std::optional<Notice> notice_for(const Outcome& outcome);

// The messages as the manual lists them: each with its box, its text (with a placeholder
// where a path or a reason goes) and a key for the manual's explanation.
struct Message {
    const char* key;
    bool error;
    std::string text;
};
std::span<const Message> messages();

// The journal's result column for an outcome: "已发送", "通信失败", "拒绝：…".
std::string journal_result(const Outcome& outcome);
// The status bar's hint when the journal cannot be written.
std::string journal_unwritable(const std::string& reason);
// The setup sheet: its check failed (the read-back's result), it could not be written, it was.
std::string sheet_check_failed(const ReadBack& read);
std::string sheet_failed(const std::string& path, const std::string& reason);
std::string sheet_written(const std::string& path);
// A line the operator fills in that the sheet cannot take, with its label.
std::string sheet_text_has_controls(const std::string& label);
std::string sheet_text_too_long(const std::string& label, int limit);
// The last line of a check that does not fit its box: how many more lines follow, overleaf.
std::string sheet_check_more(std::size_t more);
// The journal read from its last part only: how much of the day's file came before it.
std::string journal_skipped(long long bytes);
// Why an exchange did not have the lock: another program holds it (kInstrumentBusy), or its
// file cannot be used (the file and why).
std::string lock_not_had(const InstrumentLock* lock);

} // namespace qlm::texts
