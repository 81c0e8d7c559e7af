#include "cli/console_view.h"

#include "panel/texts.h"
#include "panel/upload.h"

namespace qlm::cli {

ConsoleView::ConsoleView(std::ostream& out, std::ostream& err, Sleep sleep)
    : out_(out), err_(err), sleep_(std::move(sleep)) {}

void ConsoleView::set_list_text(Field field, const std::string& text) {
    list_texts_[static_cast<std::size_t>(field)] = text;
}

std::string ConsoleView::list_text(Field field) const {
    return list_texts_[static_cast<std::size_t>(field)];
}

void ConsoleView::show_progress(std::optional<int> value) {
    if (!value) {
        if (progress_shown_) err_ << "\n" << std::flush;
        progress_shown_ = false;
        return;
    }
    err_ << "\r上传 " << *value << "/" << Upload::kSteps << std::flush;
    progress_shown_ = true;
}

void ConsoleView::error_line(const std::string& text) {
    if (progress_shown_) err_ << "\n";
    progress_shown_ = false;
    err_ << text << std::endl;
}

// A file's failure names the file and the reason; a comparison with a file is the run's
// output; the window's message boxes become "错误：" lines.
void ConsoleView::report(const Outcome& outcome, const Cause& cause) {
    if (cause.answered) return; // its command says it
    if (const auto* compared = std::get_if<Compared>(&outcome)) {
        if (compared->against == Against::file) out_ << texts::comparison(*compared);
        return;
    }
    // Every exchange the lock kept from the instrument says why, a read too.
    if (not_had_lock(outcome))
        return error_line(std::string("错误：") + texts::lock_not_had(lock_));
    const auto notice = texts::notice_for(outcome);
    if (!notice) return;
    if (std::holds_alternative<FileDone>(outcome)) return error_line(notice->text);
    error_line((notice->error ? "错误：" : "注意：") + notice->text);
}

// The run has nothing else to do meanwhile: the wait is slept, and the exchange goes on.
void ConsoleView::after(std::chrono::microseconds delay, std::function<void()> then) {
    if (sleep_ && delay.count() > 0) sleep_(delay);
    then();
}

} // namespace qlm::cli
