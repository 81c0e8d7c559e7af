#include "cli/session.h"

#include "panel/texts.h"

namespace qlm::cli {

Session::Session(Context& context)
    : view_(context.out, context.err, context.sleep),
      panel_(context.instrument(), view_, context.lock()),
      files_(context.files, [this](const Outcome& outcome) { view_.report(outcome); }) {
    view_.set_lock(context.lock());
}

bool Session::read_back() {
    const std::size_t from = outcome_count();
    panel_.start(std::nullopt);
    bool answered = false;
    for (const Outcome& outcome : outcomes_since(from)) {
        const auto* read = std::get_if<ReadBack>(&outcome);
        if (!read || read->kind != ReadKind::settings) continue;
        answered = read->result == ReadResult::answered;
        // A request taken but never answered shows nothing in the window; here it ends the run.
        if (read->result == ReadResult::no_answer)
            view_.error_line(std::string("错误：") + texts::kConnectionFailed);
    }
    after_read_ = outcome_count();
    return answered;
}

bool Session::connection_failed() const {
    for (const Outcome& outcome : outcomes_since(after_read_)) {
        const auto* read = std::get_if<ReadBack>(&outcome);
        // A width that did not arrive as the PRF list opened leaves the displayed one in force,
        // as in the window.
        if (read && read->result == ReadResult::no_answer) continue;
        if (unreachable(outcome)) return true;
    }
    return false;
}

std::vector<Outcome> Session::outcomes_since(std::size_t from) const {
    const auto& all = view_.outcomes();
    return {all.begin() + static_cast<std::ptrdiff_t>(std::min(from, all.size())), all.end()};
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
