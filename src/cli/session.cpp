#include "cli/session.h"

#include "panel/texts.h"
#include "panel/upload.h"

namespace qlm::cli {

Session::Session(Context& context)
    : context_(context), view_(context.out, context.err, context.sleep),
      panel_(context.instrument(), view_, context.lock()),
      files_(context.files, [this](const Outcome& outcome) { view_.report(outcome, {}); }) {
    view_.set_lock(context.lock());
}

std::vector<Outcome> Session::perform(const std::function<void(Caller)>& operation) {
    std::optional<std::vector<Outcome>> ended;
    Caller caller;
    caller.done = [&ended](const std::vector<Outcome>& outcomes) { ended = outcomes; };
    operation(std::move(caller));
    // A tick that ran long is followed at once, as a timer's next tick would be.
    Clock::time_point next = context_.now();
    while (!ended && view_.timer_running()) {
        next += std::chrono::milliseconds(Upload::kIntervalMs);
        const Clock::time_point now = context_.now();
        if (next > now)
            context_.sleep(std::chrono::duration_cast<std::chrono::microseconds>(next - now));
        panel_.tick();
    }
    if (!ended) return {};
    since_read_.insert(since_read_.end(), ended->begin(), ended->end());
    return *ended;
}

bool Session::read_back() {
    const auto outcomes =
        perform([this](Caller caller) { panel_.start(std::nullopt, std::move(caller)); });
    bool answered = false;
    for (const Outcome& outcome : outcomes) {
        const auto* read = std::get_if<ReadBack>(&outcome);
        if (!read || read->kind != ReadKind::settings) continue;
        answered = read->result == ReadResult::answered;
        // A request taken but never answered shows nothing in the window; here it ends the run.
        if (read->result == ReadResult::no_answer)
            view_.error_line(std::string("错误：") + texts::kConnectionFailed);
    }
    since_read_.clear();
    return answered;
}

bool Session::connection_failed() const {
    for (const Outcome& outcome : since_read_) {
        const auto* read = std::get_if<ReadBack>(&outcome);
        // A width that did not arrive as the PRF list opened leaves the displayed one in force,
        // as in the window.
        if (read && read->result == ReadResult::no_answer) continue;
        if (unreachable(outcome)) return true;
    }
    return false;
}

std::vector<Field> print_sent(std::ostream& out, const std::vector<Outcome>& outcomes) {
    std::vector<Field> fields;
    for (const Outcome& outcome : outcomes) {
        const auto* sent = std::get_if<Sent>(&outcome);
        if (!sent ||
            (sent->delivery != SendResult::delivered && sent->delivery != SendResult::data_refused))
            continue;
        fields.push_back(sent->field);
        out << texts::sent_line(*sent) << "\n";
    }
    return fields;
}

} // namespace qlm::cli
